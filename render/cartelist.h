// A traversability map draped on the terrain: one coloured, half-transparent
// quad per cell following the ground. Needs a current OpenGL context.
#ifndef KADMER_RENDER_CARTELIST_H
#define KADMER_RENDER_CARTELIST_H

struct Mnt;

// compiles the cells (i, j) of an nx x ny map, cell centre (x0 + i pas,
// y0 - j pas), colour argb[j * nx + i] (0xAARRGGBB; alpha 0: not drawn) over
// the terrain; returns the list name
int listeCarte(const Mnt* mnt, int nx, int ny, double x0, double y0, double pas, const unsigned* argb);

#endif
