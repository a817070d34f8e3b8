// kadmer-sim: the rover model without the window. Builds the scenario the
// program builds at start with every dialog accepted on its defaults (or on
// the values given here), runs ticks of the view controller's period in
// kinematic or dynamic piloting, and writes the trajectory in the recording
// format.
#include "tools/kadmer-sim/options.h"
#include "tools/kadmer-sim/sim.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <QGuiApplication>

int main(int argc, char** argv)
{
    try {
        SimOptions o;
        read_options(argc, argv, o);
        check_options(o);
        // the map is drawn with Qt's painter, without a screen
        int qargc = 1;
        std::unique_ptr<QGuiApplication> app;
        if (!o.map.empty()) {
            if (!std::getenv("QT_QPA_PLATFORM"))
                ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            app.reset(new QGuiApplication(qargc, argv));
        }
        return run_sim(o);
    } catch (const SimRefus& r) {
        std::fprintf(stderr, "kadmer-sim: %s\n", r.message.c_str());
        return r.status;
    }
}
