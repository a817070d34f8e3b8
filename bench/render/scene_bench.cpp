// Frame time of afficheScene on the default scene at 720 x 576, and the cost
// of building the lists once. Run under an X server with OpenGL, e.g.
//     xvfb-run -a -s "-screen 0 1280x1024x24" render_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QGLWidget>
#include <cstdlib>

#include "app/modal.h"
#include "app/scenario.h"
#include "render/scene.h"
#include "rover/confrover.h"
#include "rover/piloting.h"
#include "terrain/mnt.h"

namespace {

// the scenario a start with every dialog cancelled gives
Scenario* scenarioDefaut()
{
    modal::hooks().exec = [](QDialog*) { return int(QDialog::Rejected); };
    Scenario* s = newScenario(nullptr);
    modal::hooks() = modal::Hooks();
    return s;
}

class Vue : public QGLWidget {
public:
    explicit Vue(Scenario* sc) : s(sc) {}
    Scenario* s;

protected:
    void initializeGL() override
    {
        creeListes(s);
        glClearColor(0.85f, 0.95f, 0.95f, 1.0f);
    }
    void resizeGL(int w, int h) override { tailleVue(s, w, h); }
    void paintGL() override { afficheScene(s); }
};

Vue* vue = nullptr;

void BM_AfficheScene(benchmark::State& state)
{
    vue->makeCurrent();
    for (auto _ : state) {
        afficheScene(vue->s);
        glFinish();  // the frame is drawn, not only queued
    }
}
// the CPU column counts the rasteriser's threads too: the work a frame asks
// of the machine, whatever else is running on it
BENCHMARK(BM_AfficheScene)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// the parts of a frame: without the terrain, without the rover
void BM_SansTerrain(benchmark::State& state)
{
    vue->makeCurrent();
    vue->s->terrainShown = 0;
    for (auto _ : state) {
        afficheScene(vue->s);
        glFinish();
    }
    vue->s->terrainShown = 1;
}
BENCHMARK(BM_SansTerrain)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_SansRover(benchmark::State& state)
{
    vue->makeCurrent();
    vue->s->nbRovers = 0;
    for (auto _ : state) {
        afficheScene(vue->s);
        glFinish();
    }
    vue->s->nbRovers = 1;
}
BENCHMARK(BM_SansRover)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// with tracks behind every wheel: the rover driven 6 m on a curve
void BM_AfficheSceneAvecTraces(benchmark::State& state)
{
    vue->makeCurrent();
    ConfRover* c = vue->s->confRovers[0];
    ConfRover avant = *c;
    for (int k = 0; k < 150; ++k)
        kin_step(c, vue->s->terrain, 0.1, 1.0, 0.04);
    for (auto _ : state) {
        afficheScene(vue->s);
        glFinish();
    }
    *c = avant;
}
BENCHMARK(BM_AfficheSceneAvecTraces)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// once per context: sand texture, terrain list, rover lists
void BM_CreeListes(benchmark::State& state)
{
    vue->makeCurrent();
    for (auto _ : state) {
        creeListes(vue->s);
        glFinish();
    }
}
BENCHMARK(BM_CreeListes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    Scenario* s = scenarioDefaut();
    Vue v(s);
    v.resize(720, 576);
    v.show();
    app.processEvents();
    v.makeCurrent();
    if (s->viewHeight == 0)
        tailleVue(s, 720, 576);
    vue = &v;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
