// The simplified soil: a visco-elastic contact law that turns the penetration
// and velocity of a wheel's contact point into a normal force and a tangential
// force bounded by a friction cone.
//
// Components, for the displacement, the velocity and the force alike: z along
// the ground normal, x and y tangential (the wheel's contact frame).
#ifndef KADMER_TERRAIN_DYNSOL_H
#define KADMER_TERRAIN_DYNSOL_H

#include "numeric/vecmat.h"

struct DynSol {
    double fN;       // vertical viscosity: normal force per normal velocity, N/(m/s)
    double kN;       // vertical stiffness: normal force per penetration, N/m
    double fT;       // horizontal viscosity: tangential coefficient per
                     // tangential velocity, s/m
    double kT;       // horizontal stiffness: tangential coefficient per
                     // tangential displacement, 1/m
    double tanPhi0;  // tangent of the friction cone half-angle, -
};

// ---- construction ----------------------------------------------------------

// sets the defaults from the cone half-angle phi0 (rad) and the gravity g
// (m/s^2): the stiffness under which 40/3 kg sinks by 0.01 m, the critical
// damping of that mass on that spring, and fT = kT = 57.735...
void init_dynSol(DynSol* sol, double phi0, double g);

// ---- one contact -----------------------------------------------------------

// force of the ground on a wheel, written to F (N; z normal, x and y
// tangential), from the displacement d of the contact point (d.z the signed
// gap along the normal, negative in the ground; d.x, d.y the accumulated
// tangential displacement, m) and its velocity v (m/s). The contact point P
// and the contact frame cap are accepted for the caller's convenience and not
// used. Returns the grip margin: 1 with no tangential demand, falling to 0 at
// the edge of the friction cone, 0 while sliding or off the ground
double contact_dynSol(const DynSol* sol, double F[3], const double P[3],
                      const double cap[9], const double d[3], const double v[3]);

#endif
