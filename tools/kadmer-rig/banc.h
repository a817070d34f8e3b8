// The single-wheel test rig: one wheel of the rover under a dead vertical
// load on flat level ground, driven at an imposed slip ratio or against an
// imposed drawbar pull until steady state, the soil forces coming from the
// model's own contact laws (visco-elastic, macro or classical terramechanics).
//
// Frame of the rig, as the contact laws see it: x lateral (along the wheel's
// axle), y longitudinal (the sense of travel), z up along the ground normal.
// The wheel turns about +x; with that axis the contact frame of the dynamic
// model has its y along z x (axle), so the wheel's material point at the
// contact moves at u + r w along y (u hub speed, w spin rate): a wheel rolling
// forward without slip has w = -u / r.
#ifndef KADMER_RIG_BANC_H
#define KADMER_RIG_BANC_H

#include "rover/solclassique.h"
#include "terrain/dynsol.h"
#include "terrain/zonesol.h"

enum { SolBancVisco = 0, SolBancMacro = 1, SolBancClassique = 2 };

// a named published soil, for the macro law
struct PresetSol {
    const char* nom;    // name on the command line
    const char* titre;  // what it is, for print-outs and plots
    double n;           // sinkage exponent, -
    double kc;          // cohesive modulus of deformation, N/m^(n+1)
    double kphi;        // frictional modulus of deformation, N/m^(n+2)
    double c;           // cohesion, Pa
    double phiDeg;      // internal friction angle, degrees
    double K;           // shear deformation modulus, m
    double rhod;        // density, kg/m^3 (side resistance only)
    double lbda;        // rear to front sinkage ratio of the law, -
};

struct Banc {
    // set by the caller
    int typeSol;      // SolBancVisco, SolBancMacro or SolBancClassique
    DynSol visco;     // visco-elastic soil (typeSol 0)
    ZoneSol zone;     // soil of the macro and classical laws (typeSol 1, 2):
                      // c, phi, tanPhi, Xc, kc, kphi, n, rhod, lbda, K are
                      // read; the rest is ignored
    ParamClassique classique;  // the classical law's own parameters (typeSol 2)
    double r;         // wheel radius, m (the rover's)
    double b;         // wheel width, m (the rover's)
    double W;         // vertical load on the wheel, N
    double g;         // gravity, m/s^2 (carriage mass W/g, side resistance)
    double V0;        // speed of reference, m/s: the wheel's rim speed r|w|
                      // when driving, the hub speed when braking
    double tMax;      // longest simulated time per point, s
};

// one steady point of a sweep
struct PointBanc {
    double slip;      // slip ratio: 1 - u/(r|w|) driving, r|w|/u - 1 braking
    double sinkage;   // sinkage of the wheel's lowest point, m (positive down)
    double DP;        // drawbar pull: force of the soil on the wheel along
                      // the travel, N
    double T;         // wheel torque that holds the spin rate, N m (positive
                      // in the sense of the spin)
    double t;         // simulated time until steady, s
    int regime;       // 1 steady, 0 not steady within tMax (or the wheel
                      // stalled against the pull), -1 non-finite force
};

// ---- construction ----------------------------------------------------------

// the soils known by name, and their count
extern const PresetSol presetsSol[];
extern const int nbPresetsSol;

// the preset of that name, or null
const PresetSol* cherchePreset(const char* nom);

// sets the macro soil of the rig from a preset (angles to radians)
void appliquePreset(Banc* banc, const PresetSol* p);

// wheel dimensions, gravity, load (one sixth of the rover's weight) and speed
// (the rover's greatest speed) of the rover of track width voie with its
// default dynamic data; the macro soil is the model's default zone, the
// visco-elastic soil the model's defaults. Returns null, or the message
const char* initBanc(Banc* banc, double voie);

// ---- checks ----------------------------------------------------------------

// null when the rig can run, or the message naming the first bad parameter
const char* verifieBanc(const Banc* banc);

// null when the slip ratio is one the rig can impose ([-1, 1]), or the message
const char* verifieGlissement(double i);

// ---- closed forms ----------------------------------------------------------

// sinkage (m) under which the law's normal force at rest equals the load:
// W / kN for the visco-elastic soil; for the macro soil the inverse of
// W = b k (3 - n) sqrt(2r) z^(n + 1/2) / 3, k = kc/b + kphi; for the
// classical soil the law's own equilibrium at rest (NaN past the axle)
double enfoncementStatique(const Banc* banc);

// ---- steady points ---------------------------------------------------------

// the wheel at rest under its load (no spin, no travel)
void pointStatique(const Banc* banc, PointBanc* out);

// the wheel driven at slip ratio i (-1 to 1)
void pointGlissement(const Banc* banc, double i, PointBanc* out);

// the wheel driven at the rim speed V0 against a horizontal pull DP (N) on its
// hub; the hub speed, hence the slip, settles where the soil's force meets it
void pointTraction(const Banc* banc, double DP, PointBanc* out);

#endif
