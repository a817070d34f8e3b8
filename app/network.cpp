// Network trajectory reading (filled in with the network work).
#include "app/kadmer.h"

void Kadmer::initLectNetSlot() {}
void Kadmer::skSendRequest() {}
void Kadmer::skReadNewData() {}
void Kadmer::skConnectionClosedByServer() {}
void Kadmer::skError() {}
void Kadmer::finLectReseau(const QString&) {}
