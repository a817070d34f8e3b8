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
    double macroSinkage;  // the macro law beside the classical one, m
    double macroDPW;
    double macroTWr;
};

// draws DP/W and T/(W r) against slip beside the sinkage against slip, the
// classical model dashed when reference is set, the macro law dotted where
// its values are given (the rig on the classical law), and saves the PNG; creates
// the application (offscreen unless a platform is chosen) from argc, argv.
// Returns null, or the message
const char* traceCourbes(const char* png, const char* titre, const std::vector<LigneCourbe>& lignes,
                         bool reference, int argc, char** argv);

#endif
