#include "rover/gardesol.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "terrain/mnt.h"

void dessous_caisse(const ConfRover* cr, double* demiLargeur, double* arriere, double* avant,
                    double* z)
{
    // the body's box as the view draws it: clear of the bogies, 0.9 v long
    // and 0.05 v inside the axles, its floor 0.04 v under the body origin
    const double v = cr->voie, r = cr->rayonRoue;
    *demiLargeur = std::max(0.05 * v, std::min(0.5 * cr->dessin[2], std::fabs(cr->xBogie) - 0.3 * r));
    *arriere = -cr->yTravArr + cr->margeEmpattement;
    *avant = *arriere + cr->dessin[1];
    *z = -0.4 * cr->dessin[3];
}

double garde_sol(const ConfRover* cr, const Mnt* mnt)
{
    double l, y0, y1, zb;
    dessous_caisse(cr, &l, &y0, &y1, &zb);
    // the underside's plane: P(x, y) = O + x ex + y ey, terrain frame
    double O[3], Ex[3], Ey[3], p[3] = {0.0, 0.0, zb};
    frame_apply(O, cr->caisse, p);
    p[0] = 1.0;
    frame_apply(Ex, cr->caisse, p);
    p[0] = 0.0, p[1] = 1.0;
    frame_apply(Ey, cr->caisse, p);
    for (int k = 0; k < 3; ++k)
        Ex[k] -= O[k], Ey[k] -= O[k];

    double coins[4][3], xlo = 1e300, xhi = -1e300, ylo = 1e300, yhi = -1e300;
    const double cx[4] = {-l, l, l, -l}, cy[4] = {y0, y0, y1, y1};
    for (int k = 0; k < 4; ++k) {
        for (int i = 0; i < 3; ++i)
            coins[k][i] = O[i] + cx[k] * Ex[i] + cy[k] * Ey[i];
        xlo = std::min(xlo, coins[k][0]), xhi = std::max(xhi, coins[k][0]);
        ylo = std::min(ylo, coins[k][1]), yhi = std::max(yhi, coins[k][1]);
    }
    if (!mnt || !mnt->h || mnt->nx < 2 || mnt->ny < 2) {
        double z = coins[0][2];
        for (int k = 1; k < 4; ++k)
            z = std::min(z, coins[k][2]);
        return z;
    }

    // a node (X, Y) under the plane: solve X - O = x ex + y ey horizontally
    const double det = Ex[0] * Ey[1] - Ex[1] * Ey[0];
    if (!(std::fabs(det) > 1e-12))
        return std::numeric_limits<double>::infinity();
    const int i0 = std::max(0, (int)std::ceil((xlo - mnt->Xmin) / mnt->dx));
    const int i1 = std::min(mnt->nx - 1, (int)std::floor((xhi - mnt->Xmin) / mnt->dx));
    const int j0 = std::max(0, (int)std::ceil((ylo - mnt->Ymin) / mnt->dy));
    const int j1 = std::min(mnt->ny - 1, (int)std::floor((yhi - mnt->Ymin) / mnt->dy));
    // heights measured along the body's z axis, as a sensor on the belly
    // sees them: on a plane the clearance is the same as on flat ground
    const double cz = frame_rot(cr->caisse)[8];
    double garde = std::numeric_limits<double>::infinity();
    for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j) {
            const double dX = mnt->Xmin + i * mnt->dx - O[0], dY = mnt->Ymin + j * mnt->dy - O[1];
            const double x = (dX * Ey[1] - dY * Ey[0]) / det;
            const double y = (Ex[0] * dY - Ex[1] * dX) / det;
            if (x < -l || x > l || y < y0 || y > y1)
                continue;
            const double z = O[2] + x * Ex[2] + y * Ey[2];
            garde = std::min(garde, (z - mnt->h[i * mnt->ny + j]) * cz);
        }
    return garde;
}
