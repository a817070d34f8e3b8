// Equations of motion of the rover.
//
// Fifteen generalised velocities u: the body origin's velocity (x', y', z',
// terrain axes), the body angular velocity omega (body axes), the three
// traverse rates and the six wheel rates. The support joint of each chain
// follows its traverse through the four-bar ratio (support rate = -rho *
// traverse rate); the steering and fork joints are driven (their rates and
// accelerations are given, not solved for). Each sub-step forms the mass
// matrix M (15 x 15) and the second member F, and solves M * u' = F.
//
// Frames: the translation rows are in terrain axes, the rotation rows, omega
// and every chain quantity the assembly uses are in body axes. The derivation
// of each term is written down in docs/dynamics.md.
//
// Routines that may fail return null, or the message text (a buffer per
// thread: the thread's next message overwrites it).
#ifndef KADMER_ROVER_DYNAMICS_H
#define KADMER_ROVER_DYNAMICS_H

#include "rover/dynrover.h"

struct Mnt;

// ---- constants ---------------------------------------------------------------

// derives from rover->data the per-body masses, centres and inertia tensors,
// the joint reductions, motor inertias and frictions (reductions 1 and
// frictions 0 under the free-movement test), the 15 + 15 variation limits,
// the total mass and the command limits; prints them at verbosity > 39
void dyn_constants(DynRover* rover);

// ---- one sub-step ------------------------------------------------------------

// forward kinematics of the current state, then every configuration- and
// velocity-dependent quantity: per-body centres, axes and inertias, the chain
// terms K, T, R, h, the global S, RG, InR, the wheel contacts (gap, contact
// frame, contact force from the soil law of mnt, flat ground at 0 with the
// default visco-elastic soil when mnt is null) and the traverse stop torques;
// prints them at verbosity > 99. Returns null, or the forward kinematics'
// message (the quantities are then left as they were), or "Roue enlisee : "
// with the wheel's name when the classical law finds a wheel sunk past its
// axle (the quantities are then computed, that wheel's as if sunk to it)
const char* dyn_configuration(DynRover* rover, const Mnt* mnt);

// assembles M and F from the quantities of the last dyn_configuration, the
// wheel torque commands and the current velocities, and solves M * acc = F;
// prints the blocks, F and the solution at verbosity > 79. Returns the
// determinant of M, 0 for a zero pivot (acc then unspecified). The solution
// is also kept in rover->acc
double dyn_solve(DynRover* rover, double acc[NB_DDL]);

// steering and elevation motor torques (reducer input) that hold the driven
// joints of every chain, from the last solution rover->acc and the quantities
// of the last dyn_configuration; written to coupleSteer and coupleElev
void dyn_joint_torques(DynRover* rover);

// ---- checks ------------------------------------------------------------------

// kinetic energy 1/2 u^T M u of the rover for the current state and the given
// generalised velocities (driven joints at rest), from the quantities of the
// last dyn_configuration, J
double dyn_kinetic_energy(const DynRover* rover, const double u[NB_DDL]);

// the mass matrix alone (row-major 15 x 15, both triangles) for the quantities
// of the last dyn_configuration
void dyn_mass_matrix(const DynRover* rover, double M[NB_DDL * NB_DDL]);

#endif
