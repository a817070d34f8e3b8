// GUI time of the "Télémétrie" window: the processor time the window takes
// from the program's thread per simulation tick at the default period
// (40 ms), its strip full, everything drawn included; and one redraw on its
// own. Run it where the program runs (an X display, Mesa's software driver):
//   DISPLAY=:0 build/bench/telemetry_view/telemetry_view_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "bench/support/rover_scene.h"
#include "rover/telemetry.h"
#include "telemetry_view/telemetrywindow.h"

namespace {

const int PeriodMs = 40;

double thread_cpu()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + 1e-9 * ts.tv_nsec;
}

// the telemetry of the default scenario driven at the maximum speed on a
// curve, one record per tick of 40 ms, computed once
const std::vector<Telemetry>& drive()
{
    static std::vector<Telemetry> records;
    if (!records.empty())
        return records;
    RoverScene scene;
    DynRover* rover = scene.rover;
    Mnt& mnt = scene.mnt;
    Telemetry tel = {};
    telemetry_reset(&tel, rover);
    for (int k = 0; k < 1000; ++k) {
        dyn_step(rover, &mnt, k < 500 ? 0.0 : 0.5, rover->vmax, 0.001 * PeriodMs);
        telemetry_tick(&tel, rover, &mnt, 1);
        records.push_back(tel);
    }
    return records;
}

// a shown window whose strip is full
struct Shown {
    TelemetryWindow w;
    size_t next = 0;
    Shown()
    {
        w.show();
        QCoreApplication::processEvents();
        for (int k = 0; k < 500; ++k)
            feed();
        w.refresh();
        QCoreApplication::processEvents();
    }
    void feed()
    {
        w.addSample(drive()[next % drive().size()]);
        ++next;
    }
};

// per tick: the sample handed over, then the event loop until the next tick,
// timers and paints included; the thread's processor time is the tick's cost
void BM_WindowPerTick(benchmark::State& state)
{
    drive();
    Shown s;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        double c0 = thread_cpu();
        s.feed();
        QCoreApplication::processEvents();
        qint64 left = PeriodMs - clock.elapsed();
        if (left > 0) {
            QEventLoop loop;
            QTimer::singleShot(int(left), &loop, &QEventLoop::quit);
            loop.exec();
        }
        state.SetIterationTime(thread_cpu() - c0);
    }
    state.counters["redraw_every_ms"] = TelemetryWindow::RedrawMs;
}
BENCHMARK(BM_WindowPerTick)->UseManualTime()->Iterations(250)->Unit(benchmark::kMillisecond);

// one redraw of the eight charts with a full strip, painted at once
void BM_WindowRedraw(benchmark::State& state)
{
    drive();
    Shown s;
    for (auto _ : state) {
        double c0 = thread_cpu();
        s.feed();
        s.w.refresh();
        s.w.repaint();
        QCoreApplication::processEvents();
        state.SetIterationTime(thread_cpu() - c0);
    }
}
BENCHMARK(BM_WindowRedraw)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
