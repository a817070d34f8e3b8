// The one record of a run: the observer, the driver's commands, the tick
// period, the terrain and soil, and the rover. Built once at start by
// newScenario, through the configuration dialogs, and never released.
#ifndef KADMER_APP_SCENARIO_H
#define KADMER_APP_SCENARIO_H

#include "rover/dynrover.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

class QWidget;
struct ZoneInterdite;

enum { MaxRovers = 5 };

// the elevation raster a terrain was read from and the window read, so that
// the run can be written out again; a null path for any other terrain
struct SourceRaster {
    char* chemin;        // absolute path of the raster (malloc), or null
    double fenetre[3];   // window centre X, Y in the raster's own coordinates, side in m
    double pas;          // grid step asked for, m; 0: the raster's own
};

struct Scenario {
    // observer, read by the painter, changed by the keys
    int viewWidth, viewHeight;  // GL viewport size, pixels (set by resizeGL)
    int perspective;            // 1 perspective projection, 0 orthographic
    double fovy;                // vertical field of view, degrees
    double distance;            // observer to target, m
    double azimuth;             // observer azimuth, degrees, kept in [-180, 180]
    double site;                // observer elevation, degrees
    double panX, panY;          // lateral and vertical shift of the observer, m (eye space)
    float lightPosition[4];     // light 0 in eye coordinates (w = 0: a direction)
    int terrainList;            // display list of the terrain
    int terrainShown;           // 1 when the terrain is drawn
    int carteList;              // display list of the traversability map draped
                                // on the terrain, 0 when there is none
    int follow;                 // 1: the observer is placed relative to rover 0 (its
                                // position and heading), 0: relative to the origin

    // driver's commands
    double cDes;  // curvature, 1/m, positive turning left
    double vDes;  // speed, m/s, forward positive

    int nbRovers;  // always 1
    int periodMs;  // tick period, ms; dt = periodMs / 1000 s

    Mnt* terrain;                      // -> mnt
    SourceRaster raster;               // where the terrain was read from, if a raster
    DynSol* soil;                      // -> dynSol
    ZonesSol* zones;                   // soil zones of the macro model, null otherwise
    DynRover* dynRovers[MaxRovers];    // [0] -> dynRover, others null
    ConfRover* confRovers[MaxRovers];  // [0] -> the ConfRover inside dynRover

    // the drive plan drawn on the terrain, held by the window: the planned
    // path and command ends (X, Y pairs), the keep-out circles
    const double* planChemin;
    int planNbPoints;
    const double* planFins;
    int planNbFins;
    const ZoneInterdite* planZones;
    int planNbZones;
    int planList;     // its display list, 0: none
    int planAJour;    // 0: the list is to be built again from the above

    Mnt mnt;
    DynSol dynSol;
    DynRover dynRover;
};

// fills a zeroed scenario with its start values: the pointers to its own
// records, one rover, the observer and the light
void scenarioInitial(Scenario* s);

// leads the user through the configuration dialogs and builds the scenario;
// returns null after a failure already shown to the user
Scenario* newScenario(QWidget* parent);

// releases a scenario with its terrain grid, zone list, terrain file and
// raster path;
// the results stream of the rover is closed by the window, not here
void libereScenario(Scenario* s);

#endif
