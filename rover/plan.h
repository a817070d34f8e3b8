// Drive plans: a list of commands (arcs, straight lengths, turns to a
// heading, go-to-waypoint) executed tick after tick as the rover's own
// software would, with the fault protection that stops the drive at the first
// limit passed (tilt, tip-over margin, slip over each stretch of odometry,
// belly clearance, wheel sinkage, a wheel inside a keep-out circle).
//
// The caller steps the rover: before each tick plan_consigne gives the speed
// and curvature commands of the command in force, after it plan_controle
// measures the tick (odometry, true distance, the limits) and says whether
// the drive stops. Lengths are measured as the rover measures them, by wheel
// odometry: the rim travel of each wheel brought back to the middle axle's
// path by its factor on the turn, averaged, so that slip shows as a shortfall
// of the true distance against the plan.
//
// Headings are the trajectory's azimut (0 along +Y, positive turning left),
// positions the body origin's X, Y in the terrain frame.
#ifndef KADMER_ROVER_PLAN_H
#define KADMER_ROVER_PLAN_H

#include <limits>

#include "rover/dynrover.h"
#include "rover/telemetry.h"

struct Mnt;

// ---- the plan ------------------------------------------------------------------

// kinds of command, in the order of nomCommandePlan ("arc", "droit", "cap", "point")
enum { PlanArc = 0, PlanDroit, PlanCap, PlanPoint, NB_TYPES_PLAN };
extern const char* const nomCommandePlan[NB_TYPES_PLAN];

struct CommandePlan {
    int type;          // PlanArc...
    double rayon;      // arc: radius, m, positive turning left (non-zero)
    double longueur;   // arc, droit: length along the middle axle's path, m,
                       // negative backwards
    double cap;        // cap: heading to turn to, degrees
    double x, y;       // point: waypoint, terrain frame, m
    double tolerance;  // point: reached within this distance, m (> 0)
    double delai;      // point: fails after this time, s; 0: no limit
    double vitesse;    // m/s; 0: the plan's
};

// a circle no wheel contact point may enter, terrain frame, m
struct ZoneInterdite {
    double x, y, rayon;
};

// the bounds of the fault protection; NaN: not checked
struct LimitesPlan {
    double inclinaison = std::numeric_limits<double>::quiet_NaN();  // body tilt from the vertical, degrees
    double marge = std::numeric_limits<double>::quiet_NaN();        // least static tip-over margin, degrees
    double glissement = std::numeric_limits<double>::quiet_NaN();   // greatest slip over a stretch, -
    double controleGlissement = 5.0;                                // the stretch of odometry, m
    double gardeSol = std::numeric_limits<double>::quiet_NaN();     // least belly clearance, m
    double enfoncement = std::numeric_limits<double>::quiet_NaN();  // greatest wheel sinkage, m
};

// the plan as the caller holds it (arrays owned by the caller)
struct Plan {
    double vitesse;                  // m/s; 0: the rover's vMax
    const CommandePlan* commandes;   // nbCommandes
    int nbCommandes;
    const ZoneInterdite* zones;      // nbZones
    int nbZones;
    LimitesPlan limites;
};

// ---- the execution -------------------------------------------------------------

// status of a command and of the plan (in the report's words by nomStatutPlan)
enum { StatutEnCours = 0, StatutOk, StatutArrete, StatutDelai, StatutNonExecute, NB_STATUTS };
extern const char* const nomStatutPlan[NB_STATUTS];

// what a command did, filled while it runs
struct ResultatCommande {
    int statut;
    double tDebut, tFin;       // s
    double x, y, cap;          // body origin and heading at its end, m, degrees
    double odometrie;          // wheel odometry, m (absolute)
    double distance;           // true path of the middle axle's centre, m
    double inclinaisonMax;     // degrees
    double margeMin;           // degrees
    double gardeSolMin;        // m (NaN: no node under the body)
    double enfoncementMax;     // m (NaN: kinematic piloting)
    double energie;            // driving energy, J
    double energie0;           // the telemetry's energy at its start, J
};

struct EtatPlan {
    Plan plan;
    ResultatCommande* resultats;  // nbCommandes, allocated by plan_nouveau
    int courante;                 // the command in force; nbCommandes: none left
    int statut;                   // the plan's: StatutEnCours until it ends
    int verifier;                 // 0: no limit checked (the planned run)
    double vMax, cMax;            // the rover's bounds, m/s and 1/m
    double tDebut;                // start of the command in force, s
    double odoCommande;           // signed odometry since that start, m
    double odometrie, distance;   // since the plan's start, m
    double fenetreOdo, fenetreDist;  // the slip stretch under way, m
    double roue[NB_CHAINES];      // wheel angles at the last tick, rad
    double milieu[3];             // middle axle's centre at the last tick, m
    double fac[NB_CHAINES];       // the wheel factors of the tick's command
    double vDes, cDes;            // the commands of the tick, m/s and 1/m
    double energie;               // the telemetry's energy at the last tick, J
    char message[320];            // the stop message
};

// ---- construction --------------------------------------------------------------

// whether the plan can be driven by that rover on that terrain: speeds within
// vMax, radii at least 1/cMax, waypoints on the terrain; null, or the message
// "pilotage.plan.commandes[k].arc.rayon : reason" (one buffer per thread)
const char* plan_verifie(const Plan* plan, const DynRover* rover, const Mnt* mnt);

// a bound on the time the plan takes when nothing stops it: three times its
// commands at their speed (a heading a full turn, a waypoint its delai or 600
// s), and a minute, s
double plan_duree_max(const Plan* plan, const DynRover* rover);

// sizes the state for the plan (which must outlive it) and starts it at the
// rover's current state; verifier 0 checks no limit. 0, or -1 when out of memory
int plan_nouveau(EtatPlan* e, const Plan* plan, const DynRover* rover, const Telemetry* tel,
                 int verifier);
void plan_libere(EtatPlan* e);

// ---- one tick ------------------------------------------------------------------

// the commands for the coming tick of dt seconds; commands already met end
// here. Returns 1 while the plan runs, 0 once it has ended (then *vDes = 0)
int plan_consigne(EtatPlan* e, const DynRover* rover, double dt, double* vDes, double* cDes);

// measures the tick just stepped and checks the limits; returns null, or the
// stop message (the plan has then ended, statut StatutArrete or StatutDelai)
const char* plan_controle(EtatPlan* e, const DynRover* rover, const Mnt* mnt,
                          const Telemetry* tel);

// ends the plan by something outside it (the step's own message, the run's
// time bound): the command in force gets the status, the others are not run;
// returns the stop message
const char* plan_arrete(EtatPlan* e, const DynRover* rover, int statut, const char* raison);

// takes the plan up again after the rover was driven by something else for
// `attente` seconds (the driver's keys): the wheel angles, the middle axle and
// the energy are read anew, so that what was driven meanwhile counts neither
// in the command's length nor in its slip, and the time is not charged to a
// waypoint's delai
void plan_reprend(EtatPlan* e, const DynRover* rover, const Telemetry* tel, double attente);

// ---- queries -------------------------------------------------------------------

// body tilt from the vertical, degrees
double plan_inclinaison(const ConfRover* cr);

#endif
