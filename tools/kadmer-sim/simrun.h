// One run of the rover model as kadmer-sim makes it, held in one record so
// that other callers (the Python module) build and step exactly the same
// run: the scenario built in the order of the start-up, then tick after tick
// with the command schedule, the telemetry kept up to date.
#ifndef KADMER_TOOLS_KADMER_SIM_SIMRUN_H
#define KADMER_TOOLS_KADMER_SIM_SIMRUN_H

#include <cstdio>
#include <vector>

#include "rover/dynrover.h"
#include "rover/plan.h"
#include "rover/telemetry.h"
#include "terrain/dynsol.h"
#include "tools/kadmer-sim/options.h"

struct Mnt;
struct ZonesSol;

// from time t on (s), the speed (m/s) and curvature (1/m) commands
struct SimCommande {
    double t, vDes, cDes;
};

// Owns everything the run is made of; built by sim_build, released by its
// destructor (also when sim_build stops on a refusal). Neither copied nor
// moved: the terrain points at the soil held here.
struct SimRun {
    DynRover* rover = nullptr;  // the rover, its configuration and dynamic state
    Mnt* mnt = nullptr;         // the terrain
    FILE* terrainFile = nullptr;  // text terrain file, open while the terrain lives
    ZonesSol* zones = nullptr;  // soil zones of the macro soil, or null
    DynSol sol = {};            // the visco-elastic soil otherwise
    bool dynamic = false;       // dynamic or kinematic piloting
    double dt = 0.04;           // tick period, s
    double vDes = 0, cDes = 0;  // the commands in force, m/s and 1/m
    std::vector<SimCommande> commands;  // the schedule, by increasing time
    size_t next = 0;            // first command of the schedule not yet applied
    Telemetry tel = {};         // the run's telemetry, reset at the start
    // a drive plan in place of the schedule: its commands and zones (copied
    // from the options), the plan over them and its execution
    bool hasPlan = false;
    std::vector<CommandePlan> planCommandes;
    std::vector<ZoneInterdite> planZones;
    Plan planDef = {};
    EtatPlan plan = {};
    double duration = 0.0;      // the run's time bound, s

    SimRun() = default;
    SimRun(const SimRun&) = delete;
    SimRun& operator=(const SimRun&) = delete;
    ~SimRun();
};

// builds the run of o (already checked): rover, terrain, soil, pose, command
// schedule; throws SimRefus (status 2 for a file that cannot be read, 1 for a
// failure of the model). The raster reader's notes go to the error stream
void sim_build(const SimOptions& o, SimRun* run);

// the commands of the schedule that are due, unless the caller holds its own;
// with a plan, the plan's commands for the coming tick (0 once it has ended)
void sim_apply_schedule(SimRun* run);

// one tick of the piloting with the commands in force, the telemetry
// recorded when asked (always with a plan); returns the step's message, or
// null. With a plan, the limits are checked after the step: a limit passed or
// the step's message ends the plan, and the plan's stop message is returned
const char* sim_tick(SimRun* run, bool telemetry);

// whether the run goes on: a plan still running (always true without a plan)
bool sim_plan_running(const SimRun* run);

// ends a plan still running at the run's time bound (StatutDelai); returns the
// stop message, or null without a plan running
const char* sim_plan_timeout(SimRun* run);

// where the plan of o, run kinematically on the same terrain without limits,
// ends each command: one result per command (NaN where it did not get); the
// path of the body origin, x, y pairs, when asked
std::vector<ResultatCommande> sim_planned(const SimOptions& o, std::vector<double>* path = nullptr);

#endif
