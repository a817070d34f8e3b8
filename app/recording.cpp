// Recording of trajectories and images (filled in with the recording work).
#include "app/kadmer.h"

void Kadmer::recordSlot() {}
void Kadmer::clignoRecordSlot() {}
void Kadmer::recordState(ConfRover*, DynRover*) {}
