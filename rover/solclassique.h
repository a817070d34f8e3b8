// The classical rigid-wheel law of terramechanics on the soil zones: the
// normal stress of the pressure-sinkage law and the shear stress of the
// shear-displacement law integrated over the wheel's contact arc, giving the
// soil's force on the wheel, its resisting torque about the axle and the
// dampers the integrator takes implicitly. docs/dynamics.md gives each
// formula with its source.
//
// Frames: the wheel's contact frame of the dynamic model, x lateral along
// the axle, y longitudinal, z along the ground normal. The wheel turns about
// +x: rolling forward without slip is a negative spin, omega = -V / r.
#ifndef KADMER_ROVER_SOLCLASSIQUE_H
#define KADMER_ROVER_SOLCLASSIQUE_H

#include "numeric/vecmat.h"
#include "terrain/zonesol.h"

// Gauss-Legendre points on each of the two parts of the arc (in front of and
// behind the greatest normal stress); docs/dynamics.md gives the error of
// this choice against a 2000-interval integration
enum { PointsClassique = 4, PointsClassiqueMax = 32 };

// the law's own parameters, shared by every zone
struct ParamClassique {
    double c1;  // angle of the greatest normal stress at zero slip, share
                // of the entry angle, - (0.43)
    double c2;  // its growth with the slip ratio, - (0.32)
    double n1;  // growth of the sinkage exponent with |slip|, - (0)
};

// one wheel, filled by the dynamic model (or the rig) before each call
struct EntreeClassique {
    double dz;     // signed gap of the wheel's lowest point along the ground
                   // normal, m; negative in the ground
    Vec3 V;        // velocity of the wheel's material point at its lowest
                   // point, contact frame, m/s
    double omega;  // spin of the wheel about its axle (+x), rad/s
    double r;      // wheel radius, m
    double b;      // wheel width, m
    double g;      // gravity, m/s^2 (weight of the soil pushed aside)
};

// what the law gives for one wheel
struct SortieClassique {
    double F[3];      // force of the soil on the wheel, applied at its lowest
                      // point, contact frame, N
    double couple;    // the soil's moment on the wheel about its axle (+x)
                      // beyond the moment of F at the lowest point, N m
    double amort[3];  // -dF/dV along x, y, z of the contact frame (the
                      // dampers the integrator takes over the sub-step), N s/m
    double DP;        // drawbar pull along the sense of travel, N
    double T;         // resisting torque about the axle, r^2 b int(tau), in
                      // the sense of travel, N m
    double W;         // vertical load the arc carries, N
    double glissement;  // slip ratio of terramechanics, -
    double thetaF;    // entry angle, rad
    int enlisee;      // 1: sunk past the axle (the force is then that of a
                      // wheel sunk to its axle)
};

// the stresses of one arc, in the sense of travel
struct ArcClassique {
    double W;      // vertical load, N
    double DP;     // drawbar pull, N
    double T;      // resisting torque, N m
    double Fy;     // lateral shear force (against the lateral slip), N
    double Sb;     // side (bulldozing) resistance of the wheel's face, N
    double dDP;    // d DP / d slip, N
    double dFy;    // d Fy / d (lateral slip per rim speed), N
};

// ---- one contact -----------------------------------------------------------

// force, moment and dampers of zone z on a wheel in the state e, written to s
void contact_classique(SortieClassique* s, const ZoneSol* z, const ParamClassique* p,
                       const EntreeClassique* e);

// ---- the arc alone -----------------------------------------------------------

// the stresses of zone z on a wheel of radius r and width b (m) under the
// gravity grav (m/s^2) whose arc enters
// at thf (rad) and leaves at -lbda's angle, at slip ratio i with the rolling
// share rho (1 when rolling, 0 at rest) and the lateral slip ly (lateral
// slip velocity over rim speed), with np Gauss points per part of the arc
// (at most PointsClassiqueMax)
void arc_classique(ArcClassique* a, const ZoneSol* z, const ParamClassique* p, double r,
                   double b, double grav, double thf, double i, double rho, double ly, int np);

// the sinkage (m) at which the wheel at rest carries W (N) on zone z; NaN
// when even an arc down to the axle does not carry it
double enfoncement_classique(const ZoneSol* z, const ParamClassique* p, double r, double b,
                             double W);

// ---- checks ------------------------------------------------------------------

// null when zone z and the parameters p can carry the classical law, or the
// message naming the first field that cannot (n, K, c1 + c2)
const char* verifie_classique(const ZoneSol* z, const ParamClassique* p);

// null when every zone of zs carries the law and a wheel of radius r and
// width b (m) its load W (N) without sinking past its axle, or the message
// naming the first zone and field that does not
const char* verifie_zones_classiques(const ZonesSol* zs, const ParamClassique* p, double r,
                                     double b, double W);

// the default parameters (0.43, 0.32, 0)
void defauts_classique(ParamClassique* p);

#endif
