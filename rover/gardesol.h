// Belly clearance: how high the body's underside stands above the terrain
// beneath it, node by node of the grid.
#ifndef KADMER_ROVER_GARDESOL_H
#define KADMER_ROVER_GARDESOL_H

#include "rover/confrover.h"

struct Mnt;

// the flat underside of the body, in body axes: x from -demiLargeur to
// demiLargeur, y from arriere to avant, at height z above the body origin, m
void dessous_caisse(const ConfRover* cr, double* demiLargeur, double* arriere, double* avant,
                    double* z);

// least height of the body's underside above every grid node under its
// footprint (measured along the body's z axis: on a plane, the flat-ground
// value whatever the slope), m; flat ground at 0 when mnt is
// null; +inf when no node lies under it (cells wider than the body)
double garde_sol(const ConfRover* cr, const Mnt* mnt);

#endif
