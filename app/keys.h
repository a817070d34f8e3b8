// The keyboard's effect on the observer and on the rover.
#ifndef KADMER_APP_KEYS_H
#define KADMER_APP_KEYS_H

struct Scenario;

// chain moved by F1 to F4: 0 "AvantG" ... 5 "aRriereD"; chosen with keys 1 to 6
extern int selectedChain;

// observer keys (Escape, arrows, PageUp/PageDown, C for the camera that
// follows the rover); key is Qt's key code;
// returns true when the key was one of them
bool cameraKeys(Scenario* scenario, int key, bool shift);

// rover, command and projection keys; the unshifted key raises the value,
// the shifted one lowers it; returns true when the key was one of them
bool roverKeys(Scenario* scenario, int key, bool shift);

#endif
