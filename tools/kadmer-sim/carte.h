// The map of a plan's run, a picture a person reads at a glance: the terrain
// in shaded relief with contour lines, the keep-out circles, the planned path,
// the executed path coloured by slip, the waypoints with their tolerance
// circles, the stop point and its reason; axes in metres, north up, a scale
// bar and a legend.
#ifndef KADMER_TOOLS_KADMER_SIM_CARTE_H
#define KADMER_TOOLS_KADMER_SIM_CARTE_H

#include <string>
#include <vector>

#include "rover/plan.h"

struct Mnt;

struct Carte {
    const Mnt* mnt;              // the terrain
    const Plan* plan;            // its commands and keep-out zones
    std::vector<double> prevu;   // the planned path: x, y pairs, m
    std::vector<double> fait;    // the executed path: x, y, slip triples (m, m, -)
    std::string titre;           // the plan's status, first line
    std::string arret;           // the stop message; empty: the plan completed
};

// draws the map into a PNG file, written complete or not at all; needs a Qt
// application (the offscreen platform does). Returns an empty string, or the message
std::string carte_png(const Carte& c, const std::string& path);

#endif
