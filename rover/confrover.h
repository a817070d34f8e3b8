// Geometry and configuration of the six-wheeled rover.
//
// The rover is a body (the caisse) carrying six identical serial chains of
// five revolute joints, one chain per wheel. Three settings (track width,
// steering-pivot inclination, leg linkage shape) fix every dimension; the
// pose and the 21 configuration angles fix every frame (forward kinematics);
// the placement iterates the pose until the six wheels rest on the ground.
//
// Axes: rover x to the right, y forward, z up; terrain X, Y horizontal, Z up.
// Attitude (site, gite, azimut): orientation Rz(azimut)*Ry(gite)*Rx(site).
// Angles in radians, lengths in metres.
//
// Wheel (chain) order, used by every per-wheel array:
//   0 "AvantG", 1 "AvantD", 2 "MilieuG", 3 "MilieuD", 4 "aRriereG", 5 "aRriereD"
// Joint (body) order inside a chain:
//   0 "Traverse", 1 "SupportS", 2 "Steering", 3 "Fourche", 4 "Roue"
// Configuration angles (21): traverses (left bogie, right bogie, rear
// traverse), then wheel angles x6, fork angles x6, steering angles x6.
//
// Routines that may fail return null, or the message text. The text lives in
// one buffer per thread shared by this module: the next message overwrites it.
#ifndef KADMER_ROVER_CONFROVER_H
#define KADMER_ROVER_CONFROVER_H

#include <cstdio>

#include "numeric/vecmat.h"

struct Mnt;

// ---- sizes and indices -----------------------------------------------------

enum {
  NB_CHAINES = 6,      // chains (wheels)
  NB_AXES = 5,         // joints per chain
  NB_CONF = 21,        // configuration angles
  NB_TRACE = 150       // points of a wheel-track ring
};

// chains, in wheel order
enum { AVANT_G = 0, AVANT_D, MILIEU_G, MILIEU_D, ARRIERE_G, ARRIERE_D };
// joints (and the bodies they carry), in chain order
enum { J_TRAVERSE = 0, J_SUPPORT, J_STEERING, J_FOURCHE, J_ROUE };
// first index of each group inside the 21 configuration angles
enum { Q_TRAV = 0, Q_ROUE = 3, Q_FOURCHE = 9, Q_STEERING = 15 };
// traverse numbers (index inside the group Q_TRAV)
enum { TRAV_G = 0, TRAV_D = 1, TRAV_R = 2 };
// components of the attitude
enum { ATT_SITE = 0, ATT_GITE = 1, ATT_AZIMUT = 2 };

// labels of the chains ("AvantG"...) and of the bodies ("Traverse"...)
extern const char* const nomChaine[NB_CHAINES];
extern const char* const nomCorps[NB_AXES];

// traverse carrying chain c: left bogie for AvantG/MilieuG, right bogie for
// AvantD/MilieuD, rear traverse for the rear chains
inline int traverse_chaine(int c) { return c < 4 ? c % 2 : TRAV_R; }

// ---- the configuration record ----------------------------------------------

// Zero-initialised block (calloc or = {}); no pointers inside, so it may be
// copied with memcpy. Fields in this order.
struct ConfRover {
  // -- geometry, filled by geodir_rover ------------------------------------
  int axe[NB_CHAINES][NB_AXES];   // joint axis index: 1 x, 2 y, 3 z, 4 axeVec

  // dimensions, derived from the track width v and the inclination i
  double voie;           // track width v, m
  double inclinaison;    // steering pivot inclination i, rad
  double rayonRoue;      // wheel radius r = 0.15 v, m
  double largeurRoue;    // wheel width (second wheel dimension) 0.8 r, m
  double demiVoie;       // half track 0.5 v, m
  double yTravArr;       // rear traverse axis behind the body origin 0.75 v, m
  double ySteering;      // bogie steering axes fore/aft of the bogie pivot 0.25 v, m
  double ySupport;       // support offset along y from the bogie pivot 0.19 v, m
  double dySteering;     // steering joint offset along y from the support 0.06 v, m
  double hSteering;      // steering joint below the support 0.08 v, m
  double lFourche;       // fork length, steering joint to wheel axis 0.215 v, m
  double hNominale;      // nominal height of the body origin 0.445 v, m
  double dxFourche;      // fork lateral offset 0.365 v tan i, m
  double dxSteering;     // steering joint lateral offset, bogie chains 0.08 v tan i, m
  double dxSteeringArr;  // same, rear chains 0.06 v + 0.08 v tan i, m
  double xBogie;         // bogie pivot lateral position (|x|), m
  double xSupportArr;    // rear support lateral position (|x|), m
  double margeEmpattement;  // wheelbase margin 0.05 v, m
  double dessin[4];      // drawing sizes 0.69 v, 0.9 v, 0.6 v, 0.1 v, m

  int quadri;            // 1 four-bar legs ("Quadrilatère"), 0 parallelogram

  double butMin[NB_CONF];  // lower limits of the configuration angles, rad
  double butMax[NB_CONF];  // upper limits (0 and 0: not limited), rad

  // four-bar linkage of each chain's leg (vertices V1..V4)
  double quadA[NB_CHAINES];   // link a = V1V2, m
  double quadB[NB_CHAINES];   // link b = V2V3 (main link L), m
  double quadC[NB_CHAINES];   // link c = V3V4, m
  double quadD[NB_CHAINES];   // link d = V4V1, m
  double theta0[NB_CHAINES];  // rest input angle (at V2 between a and b), rad
  double alpha0[NB_CHAINES];  // rest output angle (at V3 between b and c), rad

  Vec3 offset[NB_CHAINES][NB_AXES];  // joint position in the previous body
                                     // (first joint: in the body frame), m
  Vec3 axeVec[NB_CHAINES][NB_AXES];  // unit joint axes, used where axe == 4

  // -- pose and time, written by the steps, playback and keys --------------
  double temps;          // simulated time, s
  Vec3 pos;              // body origin in the terrain frame, m
  double att[3];         // site, gite, azimut, rad
  Frame caisse;          // body frame: origin pos, rot_zyx(azimut, gite, site)

  double q[NB_CONF];     // the 21 configuration angles, rad

  // -- derived by update_geometry ------------------------------------------
  double artic[NB_CHAINES][NB_AXES];  // joint angles: traverse, support,
                                      // steering, fork, wheel, rad
  Frame local[NB_CHAINES][NB_AXES];   // joint frame in the previous body
  Frame rel[NB_CHAINES][NB_AXES];     // joint frame relative to the body
  Frame monde[NB_CHAINES][NB_AXES];   // joint frame in the terrain frame

  double rho[NB_CHAINES];        // four-bar ratio -dalpha/dtheta (1 for the
                                 // parallelogram); support rate = -rho * traverse rate
  double quadTheta[NB_CHAINES];  // last input angle of the four-bar, rad
  double quadAlpha[NB_CHAINES];  // last output angle of the four-bar, rad
  double quadDessin[NB_CHAINES]; // drawing angle of the coupler link, rad

  // -- wheel contacts, written by place_on_ground (and the dynamic model) ---
  Vec3 contact[NB_CHAINES];      // contact point, terrain frame, m
  Vec3 contactCaisse[NB_CHAINES];// contact point minus pos, in body axes, m
  Vec3 normale[NB_CHAINES];      // unit ground normal at the contact
                                 // (initially (0, 0, 1)); seeds the next query
  int butee[NB_CHAINES];         // 1: a traverse stop limited this wheel

  // -- ends of a drive, written by the kinematic and the dynamic step -------
  int situationSignalee;         // those reported and still true: 1 a wheel
                                 // off the terrain, 2 overturned (bits), so
                                 // that each is said once when it happens

  // -- wheel tracks, written by track_wheels, drawn by the renderer ---------
  double traceDist;              // distance travelled since the start, m
  Vec3 trace[NB_CHAINES][NB_TRACE][2];  // ring of track points: the two edges
                                 // of the track, terrain frame, m (900 doubles
                                 // per wheel)
  int tracePos[NB_CHAINES];      // ring slot written last (0..149)
  int tracePlein[NB_CHAINES];    // 1 once the ring has wrapped
  long traceIndex[NB_CHAINES];   // index k of the last recorded track point

  // -- display lists, set by the renderer -----------------------------------
  unsigned int listeCaisse;                  // body list
  unsigned int listes[NB_CHAINES][6];        // per chain: slot 0 traverse,
                                             // 1..4 joint bodies, 5 coupler

  // -- kept by update_geometry between calls --------------------------------
  // angle, cosine, sine of each joint and each traverse at the last update, so
  // that angles which did not move cost no trigonometry (a zero pair: empty)
  double trigArtic[NB_CHAINES][NB_AXES][3];
  double trigTrav[3][3];
};

// ---- construction ----------------------------------------------------------

// new zeroed record for the settings (v, i rad, quadrilateral flag), placed at
// the nominal height with normals (0, 0, 1) and its frames computed; null on
// failure (one line on stderr, except for an allocation failure). free() it.
ConfRover* new_confRover(double voie, double inclinaison, int quadri);

// fills axis indices, dimensions, flag, limits, four-bar parameters, offsets
// and axis vectors for the settings; returns null, or the message text
const char* geodir_rover(ConfRover* cr, double voie, double inclinaison,
                         int quadri);

// largest pivot inclination, rad, for which the legs keep a main four-bar
// link of positive length (the rear supports, pushed inwards by the inclined
// forks, meet the body's axis beyond it); the same for every track width.
// geodir_rover fails from this angle on; below it the geometry closes
double inclinaison_max(void);

// ---- forward kinematics ----------------------------------------------------

// four-bar output angle for the input angle theta and links a, b, c, d;
// writes rho = -dalpha/dtheta when ratio is not null and sets *echec to 1 when
// the linkage cannot close (the angle is then clamped), else 0
double solve_quadrilateral(double theta, double a, double b, double c,
                           double d, double* ratio, int* echec);

// applies the traverse stops, solves the four-bar legs and computes every
// frame from pos, att and q; returns null, or the message text (a stop or a
// linkage failure; a non-finite pose or angle leaves the record untouched)
const char* update_geometry(ConfRover* cr);

// ---- trajectory lines ------------------------------------------------------

// writes time, position, attitude and the 21 angles as one trajectory line:
// the first number with "%lf", each following one with " %lf", then a newline
void ecrit_ligne_conf(FILE* f, const ConfRover* cr);

// ---- placement on the ground -----------------------------------------------

// iterates z, site, gite and the three traverse angles until the six wheels
// touch the terrain (flat ground at height 0 when mnt is null); writes the
// contacts, normals and stop flags; returns null, or the message text of the
// last forward kinematics
const char* place_on_ground(ConfRover* cr, const Mnt* mnt);

#endif
