// Soil zones and the macro terramechanics law: soil properties that vary over
// the terrain by circular zones (the sandbox), the soil data file, and the
// pressure-sinkage / shear-displacement force of the ground on a wheel.
#ifndef KADMER_TERRAIN_ZONESOL_H
#define KADMER_TERRAIN_ZONESOL_H

#include <cstdio>

#include "numeric/vecmat.h"

enum { NomZoneMax = 32 };  // bytes of a zone's name, terminator included

struct ZoneSol {
    int hzone;      // hierarchy level; the higher level wins where zones overlap
    double X, Y, R; // centre and radius of the zone's circle, terrain frame, m
    double c;       // cohesion, Pa
    double phi;     // internal friction angle, rad (degrees in the file)
    double tanPhi;  // tan(phi), kept with it
    double Xc;      // further soil angle, rad (degrees in the file); carried,
                    // edited and filed, unused by the force law
    double kc;      // cohesive modulus of deformation, -
    double kphi;    // frictional modulus of deformation, -
    double n;       // sinkage exponent, -
    double rhod;    // soil density, kg/m^3
    double lbda;    // ratio of the rear to the front sinkage of the wheel, -
    double K;       // shear deformation modulus, m
    char nom[NomZoneMax];  // "Zone %d" with hzone
    ZoneSol* suivante;     // next zone of the list, or null
};

// the zone list: zones in insertion order, each appended at the end
struct ZonesSol {
    int nbZones;        // number of zones in the chain
    ZoneSol* premiere;  // first zone, or null
};

// what the macro law needs from the dynamic rover for one wheel, filled by the
// dynamic model before each call. Components as in the visco-elastic law:
// x lateral, y longitudinal, z along the ground normal
struct EntreeMacroSol {
    double dz;      // signed gap of the wheel's lowest point along the ground
                    // normal, m; negative in the ground
    Vec3 V;         // velocity of the contact point, m/s (x, y, z as above)
    double omega;   // spin rate of the wheel (rate of its "Roue" joint), rad/s
    Vec3 P;         // contact point in the terrain frame, m (chooses the zone)
    double r;       // wheel radius, m
    double b;       // wheel width, m
    double g;       // gravity, m/s^2
    double t;       // model time of this evaluation, s
    double t0;      // model time of the previous evaluation, s
    FILE* trace;    // trace stream, or null when the trace is off
    double* filtre; // the wheel's 4 filter states, kept by the caller over a
                    // run and zeroed when it starts; null: this module's own
                    // for wheel a (zeroed by razFiltresMacroSol)
};

// ---- the zone list ---------------------------------------------------------

// appends a default zone (level 0, centre (X, Y), radius R, cohesion 1150 Pa,
// friction 28 deg, Xc 26 deg, kc 6940, kphi 505800, n 1, rhod 1600, lbda 1,
// K 0.012 m, name "Zone 0"); returns it, or null when memory is exhausted
ZoneSol* ajouteZoneDefaut(ZonesSol* zs, double X, double Y, double R);

// appends a zone with these values (angles in radians), tanPhi = tan(phi) and
// the name "Zone %d" with hzone; returns it, or null when memory is exhausted
ZoneSol* ajouteZone(ZonesSol* zs, int hzone, double X, double Y, double R,
                    double c, double phi, double Xc, double kc, double kphi,
                    double n, double rhod, double lbda, double K);

// resets dst to empty (without freeing its zones) and appends a copy of each
// zone of src in order, rebuilding tanPhi and the name; returns null, or the
// message text when a zone cannot be allocated (dst keeps the zones copied)
const char* copieZones(ZonesSol* dst, const ZonesSol* src);

// writes the soil data file (12 lines per zone) to f and closes it
void ecritZones(const ZonesSol* zs, FILE* f);

// resets zs to empty and fills it from the soil data file f (closed
// afterwards), or with the one default zone when f is null; returns null, or
// the message "Erreur lecture donnees sols ligne %d" when the file is damaged,
// in which case zs holds the one default zone. zs always ends with a zone
const char* litZones(ZonesSol* zs, FILE* f);

// allocates a list and fills it with litZones (its message is dropped);
// returns null when memory is exhausted
ZonesSol* nouvellesZones(FILE* f);

// frees every zone of the list and leaves it empty (the list record stays)
void libereZones(ZonesSol* zs);

// ---- queries ---------------------------------------------------------------

// the zone at (x, y): the highest level among the zones whose circle strictly
// contains the point, the earliest at equal levels, the first zone when none
// contains it; null for an empty list
const ZoneSol* chercheZone(const ZonesSol* zs, double x, double y);

// ---- the force law ---------------------------------------------------------

// force of the ground on wheel a (0 to 5, in wheel order), written to F (N;
// x lateral, y longitudinal, z normal), from the wheel state e and the zone
// at its contact point; updates the wheel's velocity filters while in
// contact and writes one trace line when e->trace is set. A wheel number out
// of range or an empty list gives F = 0. The tangential force stays within
// the soil's strength: longitudinally the greatest shear force plus the
// compaction resistance, laterally the side resistance plus the greatest
// shear force. Returns true when the lateral force is held at its bound (its
// damper then has no effect)
bool contact_macroSol(double F[3], int a, const ZonesSol* zs,
                      const EntreeMacroSol* e);

// resets this module's own velocity filters of the six wheels to zero (as at
// start), for callers that keep none (EntreeMacroSol::filtre null)
void razFiltresMacroSol();

#endif
