// Applying a trajectory sample to the rover.
#ifndef KADMER_APP_PLAYBACK_H
#define KADMER_APP_PLAYBACK_H

struct Scenario;

// stores the sample (7 or 28 numbers: time, X, Y, Z, site, gite, azimut, then
// the 21 configuration angles) into rover 0's configuration and completes it:
// a pose sample places the rover on the terrain, a full one recomputes the
// frames. Returns null, or the message text; a sample with another count or a
// number that is not finite is refused and the configuration left as it was.
const char* applySample(Scenario* scenario, const double* values, int n);

#endif
