// kadmer-sim: the rover model without the window. Builds the scenario the
// program builds at start with every dialog accepted on its defaults (or on
// the values given here), runs ticks of the view controller's period in
// kinematic or dynamic piloting, and writes the trajectory in the recording
// format.
#include "tools/kadmer-sim/options.h"
#include "tools/kadmer-sim/sim.h"

int main(int argc, char** argv)
{
    SimOptions o;
    read_options(argc, argv, o);
    check_options(o);
    return run_sim(o);
}
