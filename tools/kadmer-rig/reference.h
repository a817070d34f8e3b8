// The classical rigid-wheel model of terramechanics, the yardstick of the
// rig: the normal stress of the pressure-sinkage law and the shear stress of
// the shear-displacement law integrated over the contact arc (the front arc
// from the entry angle to the bottom of the wheel, no rebound behind it), the
// greatest normal stress at (c1 + c2 i) times the entry angle.
#ifndef KADMER_RIG_REFERENCE_H
#define KADMER_RIG_REFERENCE_H

#include "terrain/zonesol.h"

struct ReferenceRoue {
    double sinkage;  // r (1 - cos thetaF), m
    double thetaF;   // entry angle, rad
    double DP;       // drawbar pull, N
    double T;        // wheel torque, N m
    int ok;          // 0 when no entry angle up to 90 degrees carries W
};

// position of the greatest normal stress as a share of the entry angle:
// c1 + c2 i (the values usually quoted from Wong and Reece's tests on sand)
const double ReferenceC1 = 0.43;
const double ReferenceC2 = 0.32;

// the wheel of radius r and width b (m) under the load W (N) at slip ratio i
// on the soil z (c, tanPhi, kc, kphi, n, K): the entry angle that carries W,
// then the drawbar pull and the torque
void referenceClassique(const ZoneSol* z, double r, double b, double W, double i,
                        ReferenceRoue* out);

// sinkage (m) under which the normal stress of the pressure-sinkage law,
// integrated exactly over the front arc of a wheel at rest, carries W (the
// law's closed form makes the small-sinkage approximation of this integral)
double enfoncementArc(const ZoneSol* z, double r, double b, double W);

#endif
