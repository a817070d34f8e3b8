// Safety limits of a rover pose, and the measures they bound: the body's tilt
// from the vertical, the static tip-over margin (rover/telemetry.h) and the
// belly clearance. The traversability maps check every placed pose against
// them; a drive plan's fault protection reads the same record and measures.
#ifndef KADMER_ROVER_LIMITES_H
#define KADMER_ROVER_LIMITES_H

#include "rover/confrover.h"

struct Mnt;

// ---- the limits ----------------------------------------------------------------

// A pose is within the limits when its tilt is at most `inclinaison`, its
// tip-over margin at least `marge` and its belly clearance at least `garde_sol`.
struct Limites {
    double inclinaison;  // greatest tilt of the body from the vertical, degrees
    double marge;        // least static tip-over margin, degrees
    double garde_sol;    // least belly clearance, m
};

// the limits used when none are given: 30 degrees, 10 degrees, 0.1 m
Limites limites_defaut(void);

// null when every limit is within its range (tilt in (0, 90], margin in
// [0, 90), clearance in [0, 100] m), otherwise the message naming the key
const char* refus_limites(const Limites* l);

// true when the three measures (tilt and margin in rad, clearance in m) are
// within the limits; a non-finite measure is not
bool dans_limites(const Limites* l, double inclinaison, double marge, double garde);

// ---- the measures --------------------------------------------------------------

// the body's underside: the rectangle [x0, x1] x [y0, y1] of the plane z = z
// in body axes (the shell the view draws), m
struct DessousCaisse {
    double x0, x1, y0, y1, z;
};

// the underside of the rover's body from its dimensions
DessousCaisse dessous_caisse(const ConfRover* cr);

// tilt of the body's z axis from the vertical at the current pose, rad
double inclinaison_caisse(const ConfRover* cr);

// belly clearance at the current pose: the least height of the body's
// underside above the terrain at every grid node beneath it, and at the
// underside's centre (so that a grid coarser than the body still counts),
// measured along the body's z axis (on a plane, the flat-ground value), m.
// Flat ground at 0 when mnt is null or has no grid
double garde_sol(const ConfRover* cr, const Mnt* mnt);

#endif
