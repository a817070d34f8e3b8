// The terrain compiled into one display list, textured with the sand.
// Needs a current OpenGL context.
#ifndef KADMER_RENDER_TERRAINLIST_H
#define KADMER_RENDER_TERRAINLIST_H

struct Mnt;

// what the last build sent: quad strips and their vertices
struct CompteTerrain {
    int bandes;
    int sommets;
};

// compiles the grid of the terrain (one quad strip per pair of X columns,
// sand texture stretched once over the whole grid), or, when mnt is null, a
// flat blue-grey rectangle at z = 0 over (x1, y1)-(x2, y2); a grid with fewer
// than two nodes along an axis gives an empty list. Returns the list name and
// fills compte when it is not null
int listeTerrain(const Mnt* mnt, double x1, double y1, double x2, double y2,
                 CompteTerrain* compte = nullptr);

#endif
