// A drive plan drawn on the terrain: its planned path and its keep-out
// circles, compiled once per plan into one display list. Needs a current
// OpenGL context.
#ifndef KADMER_RENDER_PLANLIST_H
#define KADMER_RENDER_PLANLIST_H

struct Mnt;
struct ZoneInterdite;

// compiles the path (nbPoints X, Y pairs) as a blue line with a dot at each
// of the nbFins command ends (X, Y pairs) and each circle as a red ring with a
// pale fill, laid on the terrain a little above it; replaces
// the list `ancienne` (0: none). Returns the list name, 0 when there is
// nothing to draw
int listePlan(const Mnt* mnt, const double* chemin, int nbPoints, const double* fins, int nbFins,
              const ZoneInterdite* zones, int nbZones, int ancienne);

#endif
