// The dynamic rover object: construction settings, dynamic parameters and
// their 50-line text file, the constants derived from them, the rover's
// configuration and the dynamic state integrated by the piloting.
//
// Generalised velocities (15): x', y', z' of the body origin (terrain frame),
// body angular velocity about the body x, y, z axes, the three traverse rates,
// the six wheel rates (wheel order). Print labels "xyzsga", "Traverses",
// "Roues".
//
// Routines that may fail return null, or the message text, kept in one buffer
// per thread shared by this module.
#ifndef KADMER_ROVER_DYNROVER_H
#define KADMER_ROVER_DYNROVER_H

#include <cstdio>

#include "numeric/vecmat.h"
#include "rover/confrover.h"

enum {
  NB_DATADYN = 74,   // doubles of a DataDynRov
  NB_LIGNES_DATADYN = 50,  // lines of a dynamic data file
  NB_DDL = 15        // generalised velocities
};

// ---- dynamic parameters ----------------------------------------------------

// 74 doubles in this memory order (the file order differs; see dynrover.cpp).
// Centres of gravity are given for the right-hand chain named ("AD" front
// right, "RD" rear right) in that body's own frame; motorisation values are
// at the reducer input.
struct DataDynRov {
  double g;              //  0 gravity, m/s^2
  double m0;             //  1 body + payload mass, kg
  double cdg0[3];        //  2..4 body centre of gravity, m
  double rg0[3];         //  5..7 body gyration radii about x, y, z, m
  double mTravL;         //  8 lateral traverse (bogie) mass, kg
  double rgTravL[3];     //  9..11 lateral traverse gyration radii, m
  double mTravR;         // 12 rear traverse mass, kg
  double rgTravR[3];     // 13..15 rear traverse gyration radii, m
  double mSupL;          // 16 lateral steering support mass, kg
  double cdgSupL[3];     // 17..19 support centre of gravity, chain AvantD, m
  double rgSupL[3];      // 20..22 lateral support gyration radii, m
  double mSupR;          // 23 rear steering support mass, kg
  double cdgSupR[3];     // 24..26 support centre of gravity, chain aRriereD, m
  double rgSupR[3];      // 27..29 rear support gyration radii, m
  double mSteer;         // 30 steering body mass, kg
  double cdgSteer[2];    // 31, 32 steering body centre x and z, chain AvantD, m
  double rgSteer[3];     // 33..35 steering body gyration radii, m
  double mFourche;       // 36 fork mass, kg
  double cdgFourche[2];  // 37, 38 fork centre x and z, chain AvantD, m
  double rgFourche[3];   // 39..41 fork gyration radii, m
  double mRoue;          // 42 wheel mass, kg
  double xRoue;          // 43 wheel centre x, chain AvantD, m
  double rgRoue[3];      // 44..46 wheel gyration radii, m
  double redSteer;       // 47 steering reduction ratio (>= 1)
  double jmSteer;        // 48 steering motor and reducer inertia, kg.m^2
  double fsSteer;        // 49 steering dry friction, N.m
  double fvSteer;        // 50 steering viscous friction, N.m.s/rad
  double redElev;        // 51 elevation (fork joint) reduction ratio
  double jmElev;         // 52 elevation motor and reducer inertia, kg.m^2
  double fsElev;         // 53 elevation dry friction, N.m
  double fvElev;         // 54 elevation viscous friction, N.m.s/rad
  double redRoue;        // 55 wheel reduction ratio
  double jmRoue;         // 56 wheel motor and reducer inertia, kg.m^2
  double fsRoue;         // 57 wheel dry friction, N.m
  double fvRoue;         // 58 wheel viscous friction, N.m.s/rad
  double cMaxRoue;       // 59 maximum wheel torque, N.m
  double dXyz;           // 60 max position variation per sub-step, x y z, m
  double dVitXyz;        // 61 max velocity variation, x y z, m/s
  double dLtr;           // 62 max variation, attitude, rad
  double dVitLtr;        // 63 max velocity variation, attitude, rad/s
  double dTrav;          // 64 max variation, traverse angles, rad
  double dVitTrav;       // 65 max velocity variation, traverses, rad/s
  double dRoue;          // 66 max variation, wheel angles, rad
  double dVitRoue;       // 67 max velocity variation, wheels, rad/s
  double kpTravL;        // 68 lateral stop stiffness, N.m/rad
  double kvTravL;        // 69 lateral stop viscosity, N.m.s/rad
  double kpTravR;        // 70 rear stop stiffness, N.m/rad
  double kvTravR;        // 71 rear stop viscosity, N.m.s/rad
  double vMax;           // 72 maximum rover speed, m/s
  double cMax;           // 73 maximum curvature, 1/m
};
static_assert(sizeof(DataDynRov) == NB_DATADYN * sizeof(double),
              "DataDynRov is a block of 74 doubles");

// ---- the dynamic rover object ----------------------------------------------

// Zero-initialised block owned by the scenario; fields in this order.
struct DynRover {
  Vec3 gravite;          // gravity vector (0, 0, -g), m/s^2

  // -- settings: geometry dialog, then rover dialog -------------------------
  double voie;           // track width, m
  double inclinaison;    // steering pivot inclination, rad
  int quadri;            // 1 four-bar legs, 0 parallelogram
  int testLibre;         // 1: reductions 1 and frictions 0 in the constants
  FILE* fresults;        // results stream (trace print-outs) or null
  int verbose;           // trace verbosity (>9 tick, >19 sub-step, >39
                         // constants, >79 matrices, >99 configuration)
  FILE* fdata;           // stream the parameters were read from, or null;
                         // a marker only: the reader has already closed it

  DataDynRov data;       // dynamic parameters

  // -- constants, derived by dyn_constants ----------------------------------
  double mtot;                        // total mass, kg
  double m0;                          // body + payload mass, kg
  Vec3 RG0;                           // body centre of gravity, body frame, m
  Mat3 In0;                           // body inertia tensor at RG0, kg.m^2
  double mi[NB_CHAINES][NB_AXES];     // chain body masses (bogie halves), kg
  Vec3 OiGi[NB_CHAINES][NB_AXES];     // body centre of gravity, own frame, m
  Mat3 Ini[NB_CHAINES][NB_AXES];      // body inertia tensor at Gi, own axes, kg.m^2
  double N[NB_CHAINES][NB_AXES];      // joint reduction ratio (1 for the
                                      // traverse and support joints)
  double Jm[NB_CHAINES][NB_AXES];     // motor and reducer inertia, kg.m^2
  double fsec[NB_CHAINES][NB_AXES];   // joint-side dry friction N*c_s, N.m
  double fvis[NB_CHAINES][NB_AXES];   // joint-side viscous friction N*c_v,
                                      // N.m.s/rad
  double Cmax[NB_CHAINES];            // maximum wheel input torque, N.m
  double dXmax[NB_DDL];               // max position variation per sub-step
  double dVmax[NB_DDL];               // max velocity variation per sub-step
  double vmax;                        // maximum rover speed (command limit), m/s
  double cmax;                        // maximum curvature (command limit), 1/m

  ConfRover conf;        // configuration: pose, time, angles, frames

  // -- dynamic state, integrated by the piloting ----------------------------
  double vit[6];         // body velocities: x', y', z' (terrain frame, m/s),
                         // angular velocity in body axes (rad/s)
  double qd[NB_CONF];    // rates of the 21 configuration angles, rad/s
                         // (vit followed by qd[0..8] are the 15 generalised
                         // velocities)
  double qdd[NB_CONF];   // accelerations of the 21 configuration angles, rad/s^2
  Vec3 dtan[NB_CHAINES]; // contact displacement in the contact frame: x, y
                         // tangential (m), z the gap to the ground (m)
  int flagPeriode;       // 0 until the first period has computed the
                         // configuration-dependent quantities
  double cmdRoue[NB_CHAINES];      // wheel motor torque commands, reducer
                                   // input, N.m
  double coupleSteer[NB_CHAINES];  // steering motor torques, N.m
  double coupleElev[NB_CHAINES];   // elevation motor torques, N.m

  // -- configuration-dependent quantities, by dyn_configuration -------------
  // (RGi, Ini_r, Ui_r and OjGi are the terrain-axes copies written for the
  // print-out at verbosity > 99; the assembly uses Gb, Ib, Ub, Ob below)
  Vec3 RGi[NB_CHAINES][NB_AXES];   // body centre of gravity relative to the
                                   // body origin, terrain axes, m
  Mat3 Ini_r[NB_CHAINES][NB_AXES]; // body inertia tensor, terrain axes, kg.m^2
  Vec3 Ui_r[NB_CHAINES][NB_AXES];  // joint axis direction, terrain axes
  Vec3 OjGi[NB_CHAINES][NB_AXES][NB_AXES];  // [c][i][j]: centre of gravity
                                   // of body i relative to upstream joint j
                                   // (j <= i), terrain axes, m
  Vec3 S;                // first moment of mass about the body origin, body
                         // axes, kg.m
  Vec3 RG;               // centre of gravity S / mtot, body axes, m
  Mat3 InR;              // global inertia tensor about the body origin, body
                         // axes, kg.m^2
  double ecart[NB_CHAINES];        // wheel gap to the ground along n, m
  int horsSol[NB_CHAINES];         // 1 when the normal contact force is <= 0
  Mat3 Cap[NB_CHAINES];            // contact frame: columns (n x a) x n,
                                   // normalised n x a, n
  Vec3 vContact[NB_CHAINES];       // contact point velocity, contact frame, m/s
  Vec3 fContact[NB_CHAINES];       // contact force, contact frame, N
  double marge[NB_CHAINES];        // grip margin of the last contact law call
  double tContact;                 // model time of the last force evaluation, s
  double coupleButee[3];           // traverse stop torques, N.m

  // chain terms of the equations of motion, per chain and joint
  double K[NB_CHAINES][NB_AXES][NB_AXES];  // joint-space inertia, kg.m^2
  Vec3 T[NB_CHAINES][NB_AXES];     // linear momentum per unit joint rate,
                                   // terrain axes, kg.m
  Vec3 R[NB_CHAINES][NB_AXES];     // angular momentum about the body origin
                                   // per unit joint rate (motor rotor
                                   // included), body axes, kg.m^2
  double h[NB_CHAINES][NB_AXES];   // gravity and velocity terms on the joint
  double hCaisse[6];               // gravity and velocity terms of the
                                   // translation and rotation rows

  // -- working quantities of the dynamics (rover/dynamics.cpp), appended ----
  // per chain and joint, body axes, relative to the body origin:
  Vec3 Ub[NB_CHAINES][NB_AXES];    // joint axis (unit)
  Vec3 Ob[NB_CHAINES][NB_AXES];    // joint origin, a point of the axis, m
  Vec3 Gb[NB_CHAINES][NB_AXES];    // body centre of gravity, m
  Mat3 Ib[NB_CHAINES][NB_AXES];    // body inertia tensor at its centre, kg.m^2
  double drho[NB_CHAINES];         // d rho / d traverse angle, 1/rad
  Vec3 Ft[NB_CHAINES];             // contact force, terrain axes (0 off the
                                   // ground), N
  Vec3 Fb[NB_CHAINES];             // the same in body axes, N
  double Qc[NB_CHAINES][NB_AXES];  // its generalised force on each joint, N.m
  double acc[NB_DDL];              // last solution of M * acc = F
  long sousPas;                    // integration sub-steps since dyn_reset
  int bloque[NB_CHAINES];          // 1: wheel at rest held by its dry
                                   // friction in the last solution
  Vec3 amortContact[NB_CHAINES];   // contact dampers along the contact frame's
                                   // axes (force per contact point velocity),
                                   // N.s/m; 0 off the ground
  double hImplicite;               // sub-step over which dyn_solve takes the
                                   // contact dampers implicitly (0: not), s
  // -- wheel speed controllers of the piloting, zeroed when a run starts ----
  struct {
    double integ[NB_CHAINES];      // integral of the speed errors over time, rad
    double prevCons[NB_CHAINES];   // previous commanded wheel rate, rad/s
    double prevMes[NB_CHAINES];    // previous measured wheel rate, rad/s
  } regul;
  double filtreMacro[NB_CHAINES][4];  // the macro soil's velocity filters of
                                   // each wheel, zeroed by dyn_reset
  Vec3 coupleSol[NB_CHAINES];      // the soil's moment on the wheel beyond
                                   // that of its contact force at the lowest
                                   // point (classical law), body axes, N.m;
                                   // 0 for the other laws
  int enlisee;                     // 1 + the first wheel the last
                                   // configuration found sunk past its
                                   // axle, 0 none
};

// ---- construction ----------------------------------------------------------

// new zeroed object: geometry for (v, i, flag), parameters read from fdata
// (closed here) or set to the defaults, constants derived; null on failure
// (one line on stderr). free() it.
DynRover* new_dynRover(double voie, double inclinaison, int quadri,
                       FILE* fdata, int testLibre, int verbose,
                       FILE* fresults);

// fills rover->data with the internal initial values ("Données internes
// initiales") for the rover's track width and pivot inclination
void dyn_defaults(DynRover* rover);

// ---- the dynamic data file -------------------------------------------------

// reads the 50 lines into data and closes the stream; returns null, or the
// message text with the first failing line (data then unchanged)
const char* loadDatadynrov(DataDynRov* data, FILE* f);

// writes the 50 lines of data and closes the stream
void saveDatadynrov(const DataDynRov* data, FILE* f);

#endif
