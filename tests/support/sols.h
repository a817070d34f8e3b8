// Published soils for the soil-law tests (the rig's presets, no rebound
// behind the wheel) as zones of the model, and the default rover's wheel.
#ifndef KADMER_TESTS_SUPPORT_SOLS_H
#define KADMER_TESTS_SUPPORT_SOLS_H

#include <cmath>

#include "terrain/zonesol.h"

const double RoueR = 0.15, RoueB = 0.12;  // m

// n, kc, kphi, c (Pa), phi (deg), K (m): default zone, dry sand, LETE sand,
// clay, lunar soil
const double solsPublies[5][6] = {{1.0, 6940, 505800, 1150, 28.0, 0.012},
                                  {1.1, 990, 1528430, 1040, 28.0, 0.025},
                                  {0.79, 102000, 5301000, 1300, 31.1, 0.010},
                                  {0.5, 13190, 692150, 4140, 13.0, 0.010},
                                  {1.0, 1400, 820000, 170, 35.0, 0.018}};

inline ZoneSol zoneDe(const double s[6])
{
    const double deg = 0.017453292519943295;
    ZoneSol z{0, 0, 0, 1000, s[3], s[4] * deg, std::tan(s[4] * deg), 26 * deg, s[1], s[2],
              s[0], 1600, 0.0, s[5], "Zone 0", nullptr};
    return z;
}

#endif
