// The configuration dialogs run by newScenario, one function per step. Each
// runs its dialog modally on the record and, only when the user accepts it,
// writes the values back; it returns whether the dialog was accepted.
#ifndef KADMER_APP_SCENARIO_DIALOGS_H
#define KADMER_APP_SCENARIO_DIALOGS_H

class QWidget;
struct DynRover;
struct Mnt;
struct DynSol;
struct ZonesSol;
struct SourceRaster;

// track width, pivot inclination and leg shape at the head of the DynRover
bool runGeoDialog(QWidget* parent, DynRover* rover);
// dynamic settings, parameters (with the per-body dialog on demand) and period
bool runRoverDialog(QWidget* parent, DynRover* rover, int* periodMs);
// terrain source, shape, extent and soil model; a raster read is named in
// *raster when given (its path released and replaced)
bool runMntDialog(QWidget* parent, Mnt* mnt, SourceRaster* raster = nullptr);
// visco-elastic soil parameters
bool runDynSolDialog(QWidget* parent, DynSol* sol);
// macro soil data, with the zones dialog on demand
bool runMacroSolDialog(QWidget* parent, ZonesSol* zones);

#endif
