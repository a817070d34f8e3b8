// Trajectory file playback (filled in with the playback work).
#include "app/kadmer.h"

void Kadmer::initLectFichSlot() { initLect(1); }

int Kadmer::initLect(int) { return 0; }

int Kadmer::lecSampleSlot(int) { return -1; }
