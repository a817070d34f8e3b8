// kadmer-map's command line: its own options, and the terrain and rover
// options of kadmer-sim (and its --scenario) read by kadmer-sim's own parser.
#ifndef KADMER_TOOLS_KADMER_MAP_OPTIONS_H
#define KADMER_TOOLS_KADMER_MAP_OPTIONS_H

#include <string>
#include <vector>

#include "carte.h"
#include "tools/kadmer-sim/options.h"

struct MapOptions {
    SimOptions sim;          // the terrain and the rover, as kadmer-sim builds them
    CarteReglages reglages;  // step, headings, limits, jobs
    std::string sortie;      // the GeoTIFF map
    std::string png;         // the picture; empty: none
    int tuiles = 0;          // tiles the map is computed in; 0: in one piece
    bool progres = true;     // the progress bar on the error stream
    bool slurm = false;      // the tiles as one Slurm job array
    std::string partition;   // its partition; empty: Slurm's default
    std::string temps;       // its time limit per task; empty: Slurm's default
    int tuile = -1;          // this tile only (a task of the array); -1: all
    std::vector<std::string> args;  // the command line, for the array's tasks
};

// the limits from a JSON object, given as its text or as the file holding
// it (NaN: a key not given); refuses (bad) an unknown key, a value that is
// not a number, a limit out of its range
LimitesPlan lit_limites(const std::string& texteOuFichier);

// reads and checks the command line; prints the usage and ends with status 0
// on -h/--help; refuses (bad) what cannot be run
void lit_options(int argc, char** argv, MapOptions& o);

#endif
