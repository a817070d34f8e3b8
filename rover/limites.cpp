// Safety limits of a rover pose: tilt, tip-over margin, belly clearance.
#include "rover/limites.h"

#include <algorithm>
#include <cmath>

#include "terrain/mnt.h"

namespace {

const double RadToDeg = 57.29577951308232;

} // namespace

Limites limites_defaut(void)
{
    Limites l;
    l.inclinaison = 30.0;
    l.marge = 10.0;
    l.garde_sol = 0.1;
    return l;
}

const char* refus_limites(const Limites* l)
{
    if (!(l->inclinaison > 0.0 && l->inclinaison <= 90.0))
        return "limites : inclinaison de 0 (exclu) a 90 degres attendue";
    if (!(l->marge >= 0.0 && l->marge < 90.0))
        return "limites : marge de 0 a 90 degres (exclu) attendue";
    if (!(l->garde_sol >= 0.0 && l->garde_sol <= 100.0))
        return "limites : garde_sol de 0 a 100 m attendue";
    return nullptr;
}

bool dans_limites(const Limites* l, double inclinaison, double marge, double garde)
{
    return inclinaison * RadToDeg <= l->inclinaison && marge * RadToDeg >= l->marge &&
           garde >= l->garde_sol;
}

DessousCaisse dessous_caisse(const ConfRover* cr)
{
    // the shell stays clear of the bogies whatever the pivot inclination, and
    // runs 0.05 v inside the axles
    const double v = cr->voie, r = cr->rayonRoue;
    const double demiLarg = std::fmax(0.05 * v, std::fmin(0.5 * cr->dessin[2], std::fabs(cr->xBogie) - 0.3 * r));
    DessousCaisse d;
    d.x0 = -demiLarg;
    d.x1 = demiLarg;
    d.y0 = -cr->yTravArr + cr->margeEmpattement;
    d.y1 = d.y0 + cr->dessin[1];
    d.z = -0.4 * cr->dessin[3];
    return d;
}

double inclinaison_caisse(const ConfRover* cr)
{
    // the body's z axis is the third column of its rotation; its Z component
    // the cosine of the tilt
    const double c = frame_rot(cr->caisse)[8];
    return std::acos(std::fmax(-1.0, std::fmin(1.0, c)));
}

double garde_sol(const ConfRover* cr, const Mnt* mnt)
{
    const DessousCaisse d = dessous_caisse(cr);
    const double* P = frame_origin(cr->caisse);
    const double* R = frame_rot(cr->caisse);  // by columns: (i, j) at i + 3j
    // the underside's point in body axes (x, y, d.z) seen in the terrain frame
    auto monde = [&](double x, double y, double out[3]) {
        for (int i = 0; i < 3; ++i)
            out[i] = P[i] + R[i] * x + R[i + 3] * y + R[i + 6] * d.z;
    };
    double centre[3];
    monde(0.5 * (d.x0 + d.x1), 0.5 * (d.y0 + d.y1), centre);
    // heights are measured along the body's z axis (as a sensor on the belly
    // sees them): on a plane the clearance is the same as on flat ground
    const double cz = R[8];
    if (!mnt || !mnt->h)
        return centre[2] * cz;
    double garde = (centre[2] - hauteur_mnt(mnt, centre[0], centre[1], nullptr)) * cz;

    // the footprint seen from above: bounds of its four corners
    double xmin = 1e300, xmax = -1e300, ymin = 1e300, ymax = -1e300;
    const double xs[2] = {d.x0, d.x1}, ys[2] = {d.y0, d.y1};
    for (double x : xs)
        for (double y : ys) {
            double p[3];
            monde(x, y, p);
            xmin = std::fmin(xmin, p[0]), xmax = std::fmax(xmax, p[0]);
            ymin = std::fmin(ymin, p[1]), ymax = std::fmax(ymax, p[1]);
        }
    const int i0 = std::max(0, (int)std::ceil((xmin - mnt->Xmin) / mnt->dx));
    const int i1 = std::min(mnt->nx - 1, (int)std::floor((xmax - mnt->Xmin) / mnt->dx));
    const int j0 = std::max(0, (int)std::ceil((ymin - mnt->Ymin) / mnt->dy));
    const int j1 = std::min(mnt->ny - 1, (int)std::floor((ymax - mnt->Ymin) / mnt->dy));

    // a node (X, Y) is beneath the underside when the point (x, y) of the
    // underside above it lies in the rectangle: the horizontal rows of R
    // solved for (x, y)
    const double a = R[0], b = R[3], c = R[1], e = R[4];
    const double det = a * e - b * c;
    if (!(std::fabs(det) > 1e-12))
        return garde;  // the body on its side: no underside above the ground
    const double ox = P[0] + R[6] * d.z, oy = P[1] + R[7] * d.z;
    for (int i = i0; i <= i1; ++i) {
        const double X = mnt->Xmin + i * mnt->dx - ox;
        for (int j = j0; j <= j1; ++j) {
            const double Y = mnt->Ymin + j * mnt->dy - oy;
            const double x = (e * X - b * Y) / det, y = (a * Y - c * X) / det;
            if (x < d.x0 || x > d.x1 || y < d.y0 || y > d.y1)
                continue;
            const double z = P[2] + R[2] * x + R[5] * y + R[8] * d.z;
            garde = std::fmin(garde, (z - mnt->h[(size_t)i * mnt->ny + j]) * cz);
        }
    }
    return garde;
}
