// kadmer-sim's run: builds the scenario the program builds at start with
// every dialog accepted on the values of the options, runs the ticks, writes
// the trajectory and the summary line.
#ifndef KADMER_TOOLS_KADMER_SIM_SIM_H
#define KADMER_TOOLS_KADMER_SIM_SIM_H

#include "tools/kadmer-sim/options.h"

// runs the scenario of o (already checked); returns the exit status: 0, or 1
// after a step's message unless told to continue. An unreadable file ends
// the process with status 2, a failure of the model while building with 1
int run_sim(const SimOptions& o);

#endif
