// Published soils for the soil-law tests (the rig's presets: Wong's tables
// of Bekker's and the Land Locomotion Laboratory's measurements, and the
// lunar soil), as zones of the model; and the wheel of the default rover.
#ifndef KADMER_TESTS_SUPPORT_SOLS_H
#define KADMER_TESTS_SUPPORT_SOLS_H

#include <cmath>
#include <cstdio>

#include "terrain/zonesol.h"

// the wheel of the default rover (track 1 m): radius 0.15 m, width 0.8 r,
// one sixth of its weight
const double RoueR = 0.15, RoueB = 0.12;

struct SolPublie {
    const char* nom;
    double n, kc, kphi, c, phiDeg, K;
};
const SolPublie solsPublies[] = {
    {"defaut", 1.0, 6940.0, 505800.0, 1150.0, 28.0, 0.012},
    {"sable-sec", 1.1, 990.0, 1528430.0, 1040.0, 28.0, 0.025},
    {"sable-lete", 0.79, 102000.0, 5301000.0, 1300.0, 31.1, 0.010},
    {"argile", 0.5, 13190.0, 692150.0, 4140.0, 13.0, 0.010},
    {"regolithe-lunaire", 1.0, 1400.0, 820000.0, 170.0, 35.0, 0.018},
};

// the soil as a zone with no rebound behind the wheel (lbda 0)
inline ZoneSol zoneDe(const SolPublie& s)
{
    ZoneSol z{};
    z.c = s.c;
    z.phi = s.phiDeg * 0.017453292519943295;
    z.tanPhi = std::tan(z.phi);
    z.Xc = 26.0 * 0.017453292519943295;
    z.kc = s.kc;
    z.kphi = s.kphi;
    z.n = s.n;
    z.rhod = 1600.0;
    z.lbda = 0.0;
    z.K = s.K;
    std::snprintf(z.nom, sizeof z.nom, "Zone 0");
    return z;
}

#endif
