// One frame of the 3-D view, and the display lists it calls.
#ifndef KADMER_RENDER_SCENE_H
#define KADMER_RENDER_SCENE_H

struct Scenario;

// stores the new size of the drawing surface
void tailleVue(Scenario* s, int width, int height);
// builds the terrain list (or the flat placeholder) and the rover lists
void creeListes(Scenario* s);
// draws one frame; returns 0
int afficheScene(Scenario* s);

#endif
