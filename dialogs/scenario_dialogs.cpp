// Until the dialogs exist every step behaves as a cancelled dialog: the
// defaults stay in force.
#include "app/scenario_dialogs.h"

bool runGeoDialog(QWidget*, DynRover*) { return false; }
bool runRoverDialog(QWidget*, DynRover*, int*) { return false; }
bool runMntDialog(QWidget*, Mnt*) { return false; }
bool runDynSolDialog(QWidget*, DynSol*) { return false; }
bool runMacroSolDialog(QWidget*, ZonesSol*) { return false; }
