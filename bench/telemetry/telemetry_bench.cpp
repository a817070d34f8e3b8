// Cost of the telemetry against the tick it describes: one dynamic tick of
// the default scenario, the telemetry record of a tick, and the record with
// its CSV row, on the visco-elastic and on the macro soil.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/support/rover_scene.h"
#include "rover/telemetry.h"

namespace {

// the start-up scenario with every dialog accepted on its defaults (macro
// soil with its one default zone when asked), driven at the maximum speed
// for four seconds so that the wheels roll
struct Scene : RoverScene {
    DynRover* start;
    Telemetry tel = {};
    long n = 0;

    explicit Scene(bool macro) : RoverScene(macro)
    {
        for (int k = 0; k < 100; ++k)
            dyn_step(rover, &mnt, 0.0, rover->vmax, 0.04);
        telemetry_reset(&tel, rover);
        start = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
        std::memcpy(start, rover, sizeof(DynRover));
    }
    ~Scene()
    {
        std::free(start);
    }
    // one tick; every 250 ticks (10 s) the rover goes back to its start so
    // that it stays on the terrain however many ticks are timed
    void tick(benchmark::State& state)
    {
        if (++n % 250 == 0) {
            state.PauseTiming();
            std::memcpy(rover, start, sizeof(DynRover));
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(dyn_step(rover, &mnt, 0.0, rover->vmax, 0.04));
    }
};

// arg 0: visco-elastic soil, 1: macro soil
void BM_DynTick(benchmark::State& state)
{
    Scene s(state.range(0) == 1);
    for (auto _ : state)
        s.tick(state);
}
BENCHMARK(BM_DynTick)->Arg(0)->Arg(1);

void BM_DynTickWithTelemetry(benchmark::State& state)
{
    Scene s(state.range(0) == 1);
    for (auto _ : state) {
        s.tick(state);
        telemetry_tick(&s.tel, s.rover, &s.mnt, 1);
    }
}
BENCHMARK(BM_DynTickWithTelemetry)->Arg(0)->Arg(1);

// the record alone, on the state of a driven rover
void BM_TelemetryTick(benchmark::State& state)
{
    Scene s(state.range(0) == 1);
    for (auto _ : state) {
        telemetry_tick(&s.tel, s.rover, &s.mnt, 1);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TelemetryTick)->Arg(0)->Arg(1);

// the record and its CSV row (to a file on /dev/null)
void BM_TelemetryTickCsv(benchmark::State& state)
{
    Scene s(state.range(0) == 1);
    FILE* f = std::fopen("/dev/null", "w");
    for (auto _ : state) {
        telemetry_tick(&s.tel, s.rover, &s.mnt, 1);
        telemetry_csv_row(f, &s.tel);
    }
    std::fclose(f);
}
BENCHMARK(BM_TelemetryTickCsv)->Arg(0)->Arg(1);

} // namespace
