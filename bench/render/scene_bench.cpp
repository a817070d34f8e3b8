// Frame time of afficheScene on the default scene at 720 x 576, and the cost
// of building the lists once. Run under an X server with OpenGL, e.g.
//     xvfb-run -a -s "-screen 0 1280x1024x24" render_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGLWidget>
#include <cstdlib>

#include "app/scenario.h"
#include "render/scene.h"
#include "rover/confrover.h"
#include "rover/piloting.h"
#include "terrain/mnt.h"

namespace {

// the scenario a start with every dialog cancelled gives
Scenario* scenarioDefaut()
{
    Scenario* s = static_cast<Scenario*>(std::calloc(1, sizeof(Scenario)));
    s->terrain = &s->mnt;
    s->dynRovers[0] = &s->dynRover;
    s->confRovers[0] = &s->dynRover.conf;
    s->nbRovers = 1;
    s->perspective = 1;
    s->fovy = 30.0;
    s->distance = 20.0;
    s->azimuth = -120.0;
    s->site = 20.0;
    s->lightPosition[1] = 0.3f;
    s->lightPosition[2] = 1.0f;
    ConfRover* c = s->confRovers[0];
    geodir_rover(c, 1.0, 0.0, 0);
    c->pos[2] = c->hNominale;
    for (int u = 0; u < NB_CHAINES; ++u)
        c->normale[u][2] = 1.0;
    defauts_mnt(&s->mnt);
    new_mnt(&s->mnt);
    place_on_ground(c, &s->mnt);
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
