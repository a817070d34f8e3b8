#include "render/planlist.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

#include "rover/plan.h"
#include "terrain/mnt.h"

namespace {

// the lines float this high above the ground so the terrain does not hide them, m
const double Lever = 0.03;
// the rings are drawn in segments of about this length, m (at least 24)
const double PasCercle = 0.1;

void sommet(const Mnt* mnt, double x, double y)
{
    glVertex3d(x, y, hauteur_mnt(mnt, x, y, nullptr) + Lever);
}

}  // namespace

int listePlan(const Mnt* mnt, const double* chemin, int nbPoints, const double* fins, int nbFins,
              const ZoneInterdite* zones, int nbZones, int ancienne)
{
    if (ancienne)
        glDeleteLists((GLuint)ancienne, 1);
    if (nbPoints < 2 && nbZones < 1)
        return 0;
    const GLuint liste = glGenLists(1);
    if (!liste)
        return 0;
    glNewList(liste, GL_COMPILE);
    // flat colours over the lit terrain, seen from both sides
    glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);

    for (int z = 0; z < nbZones; ++z) {
        const ZoneInterdite& c = zones[z];
        const int n = std::max(24, (int)std::ceil(2.0 * M_PI * c.rayon / PasCercle));
        glColor4f(0.9f, 0.1f, 0.1f, 0.25f);
        glBegin(GL_TRIANGLE_FAN);
        sommet(mnt, c.x, c.y);
        for (int i = 0; i <= n; ++i) {
            const double a = 2.0 * M_PI * i / n;
            sommet(mnt, c.x + c.rayon * std::cos(a), c.y + c.rayon * std::sin(a));
        }
        glEnd();
        glColor4f(0.85f, 0.0f, 0.0f, 1.0f);
        glLineWidth(3.0f);
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < n; ++i) {
            const double a = 2.0 * M_PI * i / n;
            sommet(mnt, c.x + c.rayon * std::cos(a), c.y + c.rayon * std::sin(a));
        }
        glEnd();
    }

    if (nbPoints >= 2) {
        glColor4f(0.1f, 0.25f, 0.95f, 1.0f);
        glLineWidth(3.0f);
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i < nbPoints; ++i)
            sommet(mnt, chemin[2 * i], chemin[2 * i + 1]);
        glEnd();
        // the start white, each command's end dark blue
        glPointSize(8.0f);
        glBegin(GL_POINTS);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        sommet(mnt, chemin[0], chemin[1]);
        glColor4f(0.0f, 0.0f, 0.45f, 1.0f);
        for (int i = 0; i < nbFins; ++i)
            if (std::isfinite(fins[2 * i]))
                sommet(mnt, fins[2 * i], fins[2 * i + 1]);
        glEnd();
    }
    glPopAttrib();
    glEndList();
    return (int)liste;
}
