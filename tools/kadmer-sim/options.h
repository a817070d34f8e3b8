// kadmer-sim's options: the one record of what a run is made of, the parsing
// of the command line into it, and the checks made before the run. A new
// option is a field here, one line in parse_options and, when its value has
// a range, one line in check_options.
#ifndef KADMER_TOOLS_KADMER_SIM_OPTIONS_H
#define KADMER_TOOLS_KADMER_SIM_OPTIONS_H

#include <string>
#include <vector>

#include "rover/confrover.h"
#include "scenario/scenariofile.h"

struct SimOptions {
    // ---- geometry
    double voie = 1.0;            // track width, m
    double inclinaisonDeg = 0.0;  // pivot inclination, degrees
    int quadri = 0;               // 1: quadrilateral legs

    // ---- rover dynamics
    std::string datadyn;  // dynamic data file; empty: the internal initial data
    double data[NB_DATADYN] = {0};       // values given by a scenario, replacing
    bool dataGiven[NB_DATADYN] = {false};  // the internal ones (not the file's)
    int testLibre = 0;    // 1: free-movement test
    int periodMs = 40;    // tick period, ms
    std::string results;  // results file of the dynamics; empty: none
    int verbose = 0;      // verbosity of the print-outs, 0 to 200

    // ---- terrain
    std::string mntFile;  // terrain file; empty: generated
    int mntType = 1;      // generated shape: 0 flat, 1 random, 2 sine
    double cell = 0.25;   // cell size, m
    double xmin = -10, xmax = 10, ymin = -10, ymax = 10;  // extent, m
    double bosses = 0.1;  // height of the random bumps, m
    double coefh = 1.0;   // multiplier of the base heights
    unsigned graine = GraineDefaut;  // seed of the random bumps
    bool hasBosses = false;  // --bosses given (a raster's default is no bumps)
    bool hasWindow = false;  // --window given (raster terrain files only)
    double window[3] = {0};  // raster window: centre X, Y in the raster's own
                             // coordinates, side in metres
    double mntStep = 0.0;    // raster grid step, m; 0: the raster's own

    // ---- soil
    int solType = 0;        // 0 visco-elastic, 1 soil zones and macro law,
                            // 2 soil zones and classical law
    std::string zonesFile;  // soil zones file (solType 1, 2); empty: the zones below
    double c1 = 0.43, c2 = 0.32, n1 = 0.0;  // classical law's parameters
    std::vector<ZoneScenario> zones;  // zones given by a scenario; none: one default zone
    bool hasKN = false, hasFN = false, hasKT = false, hasFT = false;
    double kN = 0, fN = 0, kT = 0, fT = 0;  // visco-elastic values given, when has*
    double phi0Deg = 30.0;                   // angle given to init_dynSol, degrees

    // ---- piloting
    bool dynamic = false;       // piloting mode: kinematic or dynamic
    double vDes = 0.0;          // speed command at start, m/s
    double cDes = 0.0;          // curvature command at start, 1/m
    std::string commandsFile;   // command schedule, lines "t vDes cDes"
    std::vector<CommandeScenario> commands;  // schedule given by a scenario, unless a file
    double duration = 10.0;     // simulated time, s
    bool hasDuration = true;    // false: a plan runs to its end (within plan_duree_max)
    // a drive plan in place of the schedule (rover/plan.h), from a scenario
    bool hasPlan = false;
    double planVitesse = 0.0;   // m/s; 0: the rover's vMax
    std::vector<CommandePlan> planCommandes;
    std::vector<ZoneInterdite> zonesInterdites;
    LimitesPlan limites;

    // ---- start pose and configuration
    bool hasPose = false;
    double pose[6] = {0};        // X, Y, Z (m), site, gite, azimut (degrees)
    bool hasAngles = false;
    double angles[NB_CONF] = {0};  // the configuration values, degrees
    bool noPlace = false;        // keep the pose as given, not placed on the ground

    // ---- the run
    std::string scenario;    // scenario file the values above start from
    bool keepGoing = false;  // go on after a step's message
    std::string output;      // trajectory file; empty: none
    std::string telemetry;   // telemetry CSV file, one row per tick; empty: none
    bool summary = false;    // the run's telemetry figures on the last line
    std::string report;      // a plan's report, CSV, one row per command; empty: none
    std::string map;         // a plan's map, PNG; empty: none
};

// ---- parsing -----------------------------------------------------------------

// reads the command line into o: only the options given change their fields.
// Prints the usage and ends with status 0 on -h/--help; refuses (bad) an
// unknown option, a missing value or a value that is not a number
void parse_options(int argc, char** argv, SimOptions& o);

// the ranges and combinations a run needs; refuses (bad) naming the option
void check_options(const SimOptions& o);

// the values of a scenario file, as the options that say the same; refuses
// (bad) a value this program cannot run yet
void options_from_scenario(const ScenarioFile& s, SimOptions& o);

// the options: the command line, over the scenario file it names if any
void read_options(int argc, char** argv, SimOptions& o);

// ---- messages and status -------------------------------------------------------

// a run refused or failed: the message for the error stream (without the
// program's name) and the exit status, 2 for a bad argument or an unreadable
// file, 1 for a failure of the model while building
struct SimRefus {
    int status;
    std::string message;
};

// a bad argument or an unreadable file: throws SimRefus with status 2
[[noreturn]] __attribute__((format(printf, 1, 2))) void bad(const char* fmt, ...);

// a failure while building or running the scenario: throws SimRefus with status 1
[[noreturn]] void fail(const char* where, const char* msg);

#endif
