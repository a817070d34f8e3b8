#include "render/cartelist.h"

#include <GL/gl.h>

#include "terrain/mnt.h"

int listeCarte(const Mnt* mnt, int nx, int ny, double x0, double y0, double pas, const unsigned* argb)
{
    const GLuint liste = glGenLists(1);
    glNewList(liste, GL_COMPILE);
    // a little above the ground and pulled towards the eye, so that the
    // sand does not show through
    const double leve = 0.04;
    glBegin(GL_QUADS);
    for (int j = 0; j < ny; ++j)
        for (int i = 0; i < nx; ++i) {
            const unsigned c = argb[(long)j * nx + i];
            if (!(c >> 24))
                continue;
            glColor4ub((c >> 16) & 255, (c >> 8) & 255, c & 255, (c >> 24) & 255);
            const double x = x0 + i * pas, y = y0 - j * pas, h = 0.5 * pas;
            const double coins[4][2] = {{x - h, y - h}, {x + h, y - h}, {x + h, y + h}, {x - h, y + h}};
            for (const auto& p : coins)
                glVertex3d(p[0], p[1], hauteur_mnt(mnt, p[0], p[1], nullptr) + leve);
        }
    glEnd();
    glEndList();
    return (int)liste;
}
