// Piloting of the rover: one display period under the speed command vDes (m/s,
// forward positive) and the curvature command cDes (1/m, positive to the
// left), kinematically (the rover follows the arc and is placed on the
// ground) or dynamically (wheel speed controllers, then the equations of
// motion integrated with a variable sub-step). Both steer the wheels with the
// same Ackermann law and extend the wheel tracks.
//
// Routines that may fail return null, or the message text (a buffer per
// thread: the thread's next message overwrites it).
#ifndef KADMER_ROVER_PILOTING_H
#define KADMER_ROVER_PILOTING_H

#include "rover/confrover.h"
#include "rover/dynrover.h"

struct Mnt;

// ---- steering ----------------------------------------------------------------

// the six steering angles of the Ackermann law for the curvature cDes (centre
// of rotation on the middle axle), clamped to the steering limits, rad
void ackermann(const ConfRover* cr, double cDes, double delta[NB_CHAINES]);

// the factors of the wheel rim speeds over the middle axle's speed on the turn
// cDes with the steering angles delta: 1 -+ cDes * half track for the
// outer/inner side, over the cosine of the steering angle for the steered wheels
void wheel_factors(const ConfRover* cr, double cDes, const double delta[NB_CHAINES],
                   double fac[NB_CHAINES]);

// ---- one period --------------------------------------------------------------

// kinematic step of dt seconds: steering, wheel angles, pose along the arc,
// placement on mnt (flat ground at 0 when null), tracks; the caller advances
// the time. Returns the placement's message, or "Rover hors du terrain" once
// when a wheel leaves the terrain's grid (the state stays updated)
const char* kin_step(ConfRover* cr, const Mnt* mnt, double cDes, double vDes,
                     double dt);

// dynamic step of dt seconds: steering ramped to the Ackermann angles over
// the period, wheel speed controllers into torque commands, dyn_integrate,
// tracks. Advances the time. Returns dyn_integrate's message
const char* dyn_step(DynRover* rover, const Mnt* mnt, double cDes, double vDes,
                     double dt);

// integrates the equations of motion over dt seconds with the variable
// sub-step; returns null, or the message that ended the period early (the
// state is that of the last completed sub-step)
const char* dyn_integrate(DynRover* rover, double dt, const Mnt* mnt);

// adds ds metres to the distance travelled and records a track point for each
// wheel every 1/24 of a wheel circumference
void track_wheels(ConfRover* cr, double ds);

// zeroes the body velocities, the 21 joint rates and accelerations, the
// tangential contact displacements, the time and the first-period flag (when
// dynamic piloting is switched on)
void dyn_reset(DynRover* rover);

#endif
