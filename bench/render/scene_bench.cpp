// Frame time of afficheScene on the default scene at 720 x 576, and the cost
// of building the lists once. Run under an X server with OpenGL, e.g.
//     xvfb-run -a -s "-screen 0 1280x1024x24" render_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDialog>
#include <QGLWidget>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/modal.h"
#include "app/scenario.h"
#include "render/scene.h"
#include "rover/confrover.h"
#include "rover/piloting.h"
#include "rover/plan.h"
#include "terrain/mnt.h"

namespace {

// --image=PREFIX: the frames timed below are also saved, for comparing the
// picture before and after a change to the drawing
const char* prefixeImages(int* argc, char** argv)
{
    const char* prefixe = nullptr;
    int n = 1;
    for (int k = 1; k < *argc; ++k) {
        if (std::strncmp(argv[k], "--image=", 8) == 0)
            prefixe = argv[k] + 8;
        else
            argv[n++] = argv[k];
    }
    *argc = n;
    return prefixe;
}

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

void sauveImage(const char* prefixe, const char* cas)
{
    afficheScene(vue->s);
    glFinish();
    const QString nom = QString("%1-%2.png").arg(prefixe, cas);
    if (!vue->grabFrameBuffer().save(nom))
        std::fprintf(stderr, "%s : image non ecrite\n", qPrintable(nom));
}

// the default frame, the rover close up, and the tracks after a drive
void sauveImages(const char* prefixe)
{
    Scenario* s = vue->s;
    sauveImage(prefixe, "defaut");
    const double distance = s->distance;
    s->distance = 3.0;
    sauveImage(prefixe, "pres");
    s->distance = distance;
    ConfRover* c = s->confRovers[0];
    ConfRover avant = *c;
    for (int k = 0; k < 150; ++k)
        kin_step(c, s->terrain, 0.1, 1.0, 0.04);
    sauveImage(prefixe, "traces");
    *c = avant;
}

// processor time of the calling thread, ms
double tempsFil()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return 1e3 * t.tv_sec + 1e-6 * t.tv_nsec;
}

// times whole frames; the counter "principal_ms" is the program's own thread
// per frame (lists replayed, vertices lit and clipped, triangles binned), the
// rest of the CPU column the rasteriser's threads (fragments)
void tempsImages(benchmark::State& state)
{
    vue->makeCurrent();
    double principal = 0.0;
    for (auto _ : state) {
        const double t0 = tempsFil();
        afficheScene(vue->s);
        glFinish();  // the frame is drawn, not only queued
        principal += tempsFil() - t0;
    }
    state.counters["principal_ms"] =
        benchmark::Counter(principal, benchmark::Counter::kAvgIterations);
}

void BM_AfficheScene(benchmark::State& state)
{
    tempsImages(state);
}
// the CPU column counts the rasteriser's threads too: the work a frame asks
// of the machine, whatever else is running on it
BENCHMARK(BM_AfficheScene)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// the parts of a frame: without the terrain, without the rover
void BM_SansTerrain(benchmark::State& state)
{
    vue->s->terrainShown = 0;
    tempsImages(state);
    vue->s->terrainShown = 1;
}
BENCHMARK(BM_SansTerrain)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void BM_SansRover(benchmark::State& state)
{
    vue->s->nbRovers = 0;
    tempsImages(state);
    vue->s->nbRovers = 1;
}
BENCHMARK(BM_SansRover)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// with tracks behind every wheel: the rover driven 6 m on a curve
void BM_AfficheSceneAvecTraces(benchmark::State& state)
{
    ConfRover* c = vue->s->confRovers[0];
    ConfRover avant = *c;
    for (int k = 0; k < 150; ++k)
        kin_step(c, vue->s->terrain, 0.1, 1.0, 0.04);
    tempsImages(state);
    *c = avant;
}
BENCHMARK(BM_AfficheSceneAvecTraces)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// with a drive plan drawn: a path of 400 points (20 m at the 5 cm a planned
// path keeps) over the terrain and two keep-out circles
void BM_AfficheSceneAvecPlan(benchmark::State& state)
{
    Scenario* s = vue->s;
    static double chemin[800], fins[4];
    for (int i = 0; i < 400; ++i) {
        const double a = 0.01 * i;
        chemin[2 * i] = -6.0 + 6.0 * std::sin(a);
        chemin[2 * i + 1] = -6.0 + 6.0 * (1.0 - std::cos(a)) + 0.02 * i;
    }
    fins[0] = chemin[398], fins[1] = chemin[399], fins[2] = chemin[798], fins[3] = chemin[799];
    static const ZoneInterdite zones[2] = {{-6.5, 1.0, 1.2}, {3.0, -2.0, 2.0}};
    s->planChemin = chemin;
    s->planNbPoints = 400;
    s->planFins = fins;
    s->planNbFins = 2;
    s->planZones = zones;
    s->planNbZones = 2;
    s->planAJour = 0;
    tempsImages(state);
    s->planNbPoints = s->planNbFins = s->planNbZones = 0;
    s->planAJour = 0;
}
BENCHMARK(BM_AfficheSceneAvecPlan)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

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
    const char* prefixe = prefixeImages(&argc, argv);
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
    if (prefixe)
        sauveImages(prefixe);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
