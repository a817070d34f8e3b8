// Scenario files: everything a run is made of — geometry, dynamic data,
// terrain and its seed, soil, period, verbosity, start pose, piloting, command
// schedule, duration and outputs — as one JSON object (docs/scenario.md), read
// into a plain record and written back from it.
//
// Reading checks every key: an unknown key, a value of the wrong type, a value
// out of range or an input file that does not exist is refused with a message
// naming the key ("terrain.cellule", "sol.zones[1].R") and the reason.
// Relative paths are taken from the folder of the file they appear in.
#ifndef KADMER_SCENARIO_SCENARIOFILE_H
#define KADMER_SCENARIO_SCENARIOFILE_H

#include <string>
#include <vector>

#include <cstdio>

#include "rover/confrover.h"
#include "rover/dynrover.h"
#include "rover/plan.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

// the bumps' seed a terrain has unless told otherwise
enum : unsigned { GraineDefaut = 1234567u };

// one soil zone of the macro model, angles in degrees as in the soil file
struct ZoneScenario {
    int hzone = 0;                         // hierarchy level
    double X = 0, Y = 0, R = 1000;         // centre and radius, m
    double c = 1150, phi = 28, Xc = 26;    // cohesion (Pa), angles (degrees)
    double kc = 6940, kphi = 505800, n = 1;
    double rhod = 1600, lbda = 1, K = 0.012;  // kg/m^3, -, m
};

// from time t on (s), the speed v (m/s) and curvature c (1/m) commands
struct CommandeScenario {
    double t, v, c;
};

struct ScenarioFile {
    // ---- geometrie
    double voie = 1.0;         // track width, m
    double inclinaison = 0.0;  // steering pivot inclination, degrees
    bool quadri = false;       // four-bar legs

    // ---- dynamique
    bool testLibre = false;
    int periode = 40;       // tick period, ms
    int verbosite = 0;      // 0 to 200
    std::string resultats;  // results file of the trace; empty: none
    std::string donneesFichier;  // dynamic data file; empty: internal data
    // values given inline, in DataDynRov memory order; the others keep the
    // internal initial values of the geometry
    double donnees[NB_DATADYN] = {0};
    bool donneeDonnee[NB_DATADYN] = {false};

    // ---- terrain
    std::string terrainFichier;  // terrain file; empty: generated
    int forme = 1;               // 0 flat, 1 random, 2 sine along Y
    double cellule = 0.25;       // cell size, m
    double xmin = -10, xmax = 10, ymin = -10, ymax = 10;  // extent, m
    double bosses = 0.1;         // height of the random bumps, m
    double coefH = 1.0;          // multiplier of the base heights
    unsigned graine = GraineDefaut;  // seed of the bumps
    bool aBosses = false;        // bosses given (a raster's default is none)
    std::string raster;          // elevation raster; empty: none
    bool aFenetre = false;
    double fenetre[3] = {0, 0, 0};  // raster window: centre X, Y in the
                                    // raster's own coordinates, side in m
    double pas = 0.0;               // raster grid step, m; 0: its own

    // ---- sol
    int modele = 0;            // 0 visco-elastic, 1 soil zones and macro law,
                               // 2 soil zones and classical law
    double c1 = 0.43, c2 = 0.32, n1 = 0.0;  // classical law's parameters
    double phi0 = 30.0;        // cone half-angle given to init_dynSol, degrees
    bool aKN = false, aFN = false, aKT = false, aFT = false;
    double kN = 0, fN = 0, kT = 0, fT = 0;  // visco-elastic values, when given
    std::string zonesFichier;  // soil zones file; empty: the zones below
    std::vector<ZoneScenario> zones;  // empty: one default zone

    // ---- depart
    bool aPose = false;
    double pose[6] = {0};          // X, Y, Z (m), site, gite, azimut (degrees)
    bool aAngles = false;
    double angles[NB_CONF] = {0};  // the configuration values, degrees
    bool placer = true;            // placed on the ground from that pose

    // ---- pilotage
    bool dynamique = false;  // mode "dyn", else "kin"
    double v = 0, c = 0;     // commands at start
    std::string commandesFichier;  // lines "t vDes cDes"; empty: the list below
    std::vector<CommandeScenario> commandes;  // in increasing time
    bool continuer = false;  // go on after a step's message
    // a drive plan, in place of the command schedule (rover/plan.h)
    bool aPlan = false;
    double planVitesse = 0.0;  // m/s; 0: the rover's vMax
    std::vector<CommandePlan> planCommandes;
    std::vector<ZoneInterdite> zonesInterdites;
    LimitesPlan limites;  // NaN: not checked

    double duree = 10.0;  // simulated time, s
    bool aDuree = false;  // duree given: a plan without it runs to its end

    // ---- sorties (written, so they need not exist)
    std::string trajectoire;  // trajectory file; empty: none
    std::string telemetrie;   // telemetry file; empty: none
    std::string rapport;      // a plan's report, CSV; empty: none
    std::string carte;        // a plan's map, PNG; empty: none
};

// ---- reading -----------------------------------------------------------------

// reads the scenario file at path into s (which starts from the defaults);
// returns an empty string, or the message "key : reason" (or the file's own
// fault) and s is then unspecified
std::string litScenario(const std::string& path, ScenarioFile* s);

// the same from the text of a file that lies in folder dossier (relative
// paths are taken from there)
std::string litScenarioTexte(const std::string& texte, const std::string& dossier,
                             ScenarioFile* s);

// ---- the values a run accepts --------------------------------------------------

// One set of limits for this reader and for the programs' options, so that a
// value is refused alike whichever way it comes. Each returns an empty string
// for a value accepted, else the reason ("duree de 0 a 1000000 s attendue"),
// written after the key or option and followed by ", pas <value>".
std::string refusVoie(double voie);                // m
std::string refusInclinaison(double inclinaison);  // degrees
std::string refusPeriode(double periode);          // ms
std::string refusVerbosite(double verbosite);
std::string refusCellule(double cellule);  // m
std::string refusPhi0(double phi0);        // degrees
std::string refusDuree(double duree);      // s
std::string refusFenetre(double taille);   // side of a raster window, m
std::string refusPas(double pas);          // raster grid step, m
// a generated grid of that cell over an extent of that width and depth (m,
// both positive): not more nodes than a run can hold
std::string refusGrille(double largeur, double profondeur, double cellule);

// ---- writing -----------------------------------------------------------------

// the JSON text of s: every key written out, two-space indentation
std::string texteScenario(const ScenarioFile& s);

// writes that text to path; returns an empty string, or the message
std::string ecritScenario(const ScenarioFile& s, const std::string& path);

// ---- from a built model -------------------------------------------------------

// the scenario of a model built by the start-up: the settings, data and period
// of the rover, the terrain's parameters, the soil of its model (zones
// inline), the rover's current pose and angles kept as they are (not placed
// again), the piloting mode and commands of the moment. The terrain and
// results files are named by the files their streams are open on
ScenarioFile scenarioDuModele(const DynRover* rover, int periodeMs, const Mnt* mnt,
                              const DynSol* sol, const ZonesSol* zones, bool dynamique,
                              double v, double c);

// the path of the file a stream is open on, or empty when it cannot be told
// (no stream, not a file, the file removed since)
std::string cheminDuFlux(FILE* f);

// whether the grid of the record is the one its parameters generate (no
// terrain file; the same shape, extent, cells, bumps and seed): false for a
// grid imported from elsewhere, an elevation raster for instance
bool terrainGenere(const Mnt* mnt);

// a cell size that gives a generated grid of the record's node counts over
// its extent: the spacing of the grid itself when it does
double celluleDuMnt(const Mnt* mnt);

// name of a DataDynRov value in the "donnees" object, by memory index, and
// the index of the first value of that name and their count (1 to 3)
struct NomDonnee {
    const char* nom;
    int indice, nombre;
};
extern const NomDonnee nomsDonnees[];
extern const int nbNomsDonnees;

#endif
