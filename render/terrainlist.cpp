// Terrain display list.
#include "render/terrainlist.h"

#include <GL/gl.h>

#include "render/textures.h"
#include "terrain/mnt.h"

namespace {

void grille(const Mnt* m, CompteTerrain* compte)
{
    const int nx = m->nx, ny = m->ny;
    // a single node along either axis spans no cell (and would divide the
    // texture coordinates by zero)
    if (nx < 2 || ny < 2 || !m->h || !m->normale)
        return;
    const double su = 1.0 / (nx - 1), sv = 1.0 / (ny - 1);
    for (int i = 0; i < nx - 1; ++i) {
        const double x0 = m->Xmin + i * m->dx, x1 = m->Xmin + (i + 1) * m->dx;
        glBegin(GL_QUAD_STRIP);
        for (int j = 0; j < ny; ++j) {
            const double y = m->Ymin + j * m->dy;
            const int k0 = i * ny + j, k1 = (i + 1) * ny + j;
            glTexCoord2d(i * su, j * sv);
            glNormal3dv(m->normale[k0]);
            glVertex3d(x0, y, m->h[k0]);
            glTexCoord2d((i + 1) * su, j * sv);
            glNormal3dv(m->normale[k1]);
            glVertex3d(x1, y, m->h[k1]);
        }
        glEnd();
        if (compte) {
            compte->bandes += 1;
            compte->sommets += 2 * ny;
        }
    }
}

}  // namespace

int listeTerrain(const Mnt* mnt, double x1, double y1, double x2, double y2,
                 CompteTerrain* compte)
{
    if (compte)
        *compte = CompteTerrain{0, 0};
    if (!mnt) {
        GLuint liste = glGenLists(1);
        glNewList(liste, GL_COMPILE);
        glColor3f(0.3f, 0.4f, 0.5f);
        glNormal3f(0.0f, 0.0f, 1.0f);
        glBegin(GL_QUADS);
        glVertex3d(x1, y1, 0.0);
        glVertex3d(x2, y1, 0.0);
        glVertex3d(x2, y2, 0.0);
        glVertex3d(x1, y2, 0.0);
        glEnd();
        glEndList();
        return (int)liste;
    }

    GLuint sable = (GLuint)textureAleatoire();
    GLuint liste = glGenLists(1);
    glNewList(liste, GL_COMPILE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, sable);
    glColor3f(0.8f, 0.8f, 0.8f);
    glDisable(GL_CULL_FACE);  // the ground is seen from below too
    // the ground is opaque (alpha 1 from the colour and the RGB sand), so
    // blending would give back the same pixels; without it the rasteriser
    // does not read the colour buffer under three quarters of the view
    glDisable(GL_BLEND);
    grille(mnt, compte);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glEndList();
    return (int)liste;
}
