// The rover's shapes compiled into display lists, placed every frame from
// the rover's body frame, joint offsets, axes and angles; and the wheel
// tracks. Needs a current OpenGL context.
#ifndef KADMER_RENDER_ROVERLISTS_H
#define KADMER_RENDER_ROVERLISTS_H

struct ConfRover;

// null when the steering support fits between the support axis and the
// steering joint, else "hauteur insuffisante entre axes O2 et O3\n"
const char* verifieGeometrie(const ConfRover* c);

// checks the geometry (a misfit ends the program with status 1, the message
// on the error stream), then compiles the body list and the six lists of
// each chain into c->listeCaisse and c->listes; the wheels carry the banner
// decoded from code (the stored banner when null)
void listesRover(ConfRover* c, const char* code = nullptr);

// the wheel tracks: per wheel the 150 ring slots as dark red line segments,
// newest slot first
void afficheTraces(const ConfRover* c);

// the rover in its current configuration, from the lists of listesRover
void afficheRover(const ConfRover* c);

// the 25 (cos, sin) pairs of the 24 slices of 15 degrees, the last repeating
// the first; built on first use and shared by every round shape
const double (*tableCosSin())[2];

#endif
