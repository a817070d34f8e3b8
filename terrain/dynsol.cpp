// The visco-elastic wheel-ground contact law and its default parameters.
#include "terrain/dynsol.h"

#include <cmath>

void init_dynSol(DynSol* sol, double phi0, double g)
{
    // reference mass whose weight sinks the wheel by 1 cm
    const double M = 13.333333333333334;
    sol->tanPhi0 = tan(phi0);
    sol->kN = M * g / 0.01;
    sol->fN = 2.0 * sqrt(M * sol->kN);  // critical damping of M on kN
    sol->fT = 57.73502691896256;
    sol->kT = 57.73502691896256;
}

double contact_dynSol(const DynSol* sol, double F[3], const double* /*P*/,
                      const double* /*cap*/, const double d[3], const double v[3])
{
    F[0] = F[1] = F[2] = 0.0;
    if (d[2] >= 0.0) return 0.0;  // not in the ground

    // spring and damper along the normal; the ground never pulls
    const double Fz = -sol->kN * d[2] - sol->fN * v[2];
    if (Fz <= 0.0) return 0.0;

    // tangential force as a ratio of the normal force, bounded by the cone
    double cx = -sol->fT * v[0] - sol->kT * d[0];
    double cy = -sol->fT * v[1] - sol->kT * d[1];
    double marge;
    if (!(sol->tanPhi0 > 0.0)) {
        // a cone of zero angle holds nothing: pure sliding
        cx = cy = 0.0;
        marge = 0.0;
    } else {
        const double s = sqrt(cx * cx + cy * cy) / sol->tanPhi0;
        if (s <= 1.0) {
            marge = (1.0 - s * s) * (1.0 - s * s);
        } else {
            cx /= s;
            cy /= s;
            marge = 0.0;
        }
    }
    F[0] = cx * Fz;
    F[1] = cy * Fz;
    F[2] = Fz;
    return marge;
}
