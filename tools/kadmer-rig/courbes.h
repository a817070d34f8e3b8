// The rig's curves drawn to a PNG with Qt Charts on the offscreen platform.
#ifndef KADMER_RIG_COURBES_H
#define KADMER_RIG_COURBES_H

#include <vector>

// one steady point as drawn; the reference values are NaN when absent
struct LigneCourbe {
    double slip;        // -
    double sinkage;     // m
    double DPW;         // drawbar pull over load, -
    double TWr;         // torque over load times radius, -
    double refSinkage;  // classical model, m
    double refDPW;
    double refTWr;
};

// draws DP/W and T/(W r) against slip beside the sinkage against slip, the
// classical model dashed when reference is set, and saves the PNG; creates
// the application (offscreen unless a platform is chosen) from argc, argv.
// Returns null, or the message
const char* traceCourbes(const char* png, const char* titre, const std::vector<LigneCourbe>& lignes,
                         bool reference, int argc, char** argv);

#endif
