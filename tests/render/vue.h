// Test harness of the 3-D view: a real QGLWidget that owns a scenario built
// with the model's own constructors, draws it with the render functions and
// hands back the frame buffer.
#ifndef KADMER_TESTS_RENDER_VUE_H
#define KADMER_TESTS_RENDER_VUE_H

#include <QGLWidget>
#include <QImage>

#include "app/scenario.h"

// terrain of a test scenario
enum TerrainTest { SansTerrain, TerrainPlat, TerrainDefaut };

// a scenario as a start with every dialog cancelled would give (rover of
// track width 1 m placed on the terrain, default observer)
Scenario* scenarioTest(TerrainTest terrain = TerrainDefaut);

class Vue : public QGLWidget {
public:
    // shows the view at 720 x 576 and waits until it is on screen
    explicit Vue(Scenario* s);
    ~Vue() override;

    // draws one frame and reads it back
    QImage rendu();
    // rebuilds the rover's lists with the given banner code
    void refaitRover(const char* code);
    // window position of a point of the terrain frame in the last frame
    QPointF projete(double x, double y, double z);

    Scenario* s;

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
};

// pixels whose colour differs by more than `seuil` in any channel
int pixelsDifferents(const QImage& a, const QImage& b, int seuil = 24);
// bounding box of those pixels (empty when none)
QRect zoneDifferente(const QImage& a, const QImage& b, int seuil = 24);

#endif
