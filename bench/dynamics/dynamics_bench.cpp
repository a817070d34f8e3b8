// Cost of the rover's steps on the default scenario: kinematic step, the
// configuration-dependent quantities, assembly and solution, one integration
// sub-step, one dynamic tick; a tick at rest on each soil.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "bench/support/rover_scene.h"

namespace {

// the start-up scenario, driven at the maximum speed for a few seconds so
// that the wheels roll
struct Scene : RoverScene {
    explicit Scene(int modele = SolSimplifie) : RoverScene(modele)
    {
        for (int k = 0; k < 100; ++k)
            dyn_step(rover, &mnt, 0.0, rover->vmax, 0.04);
    }
};

// the angles a sub-step of straight driving moves: the wheels roll on, the
// traverses rock (back and forth, so that the pose stays where it is), the
// steering and fork angles hold as they do over a tick
void move_angles(DynRover* rover, long k)
{
    double* q = rover->conf.q;
    for (int c = 0; c < NB_CHAINES; ++c)
        q[Q_ROUE + c] += 1e-6;
    for (int t = 0; t < 3; ++t)
        q[Q_TRAV + t] += (k % 2 == 0) ? 1e-9 : -1e-9;
}

void BM_KinStep(benchmark::State& state)
{
    Scene s;
    for (auto _ : state)
        benchmark::DoNotOptimize(kin_step(&s.rover->conf, &s.mnt, 0.2, 0.05, 0.04));
}
BENCHMARK(BM_KinStep);

void BM_DynConfiguration(benchmark::State& state)
{
    Scene s;
    long k = 0;
    for (auto _ : state) {
        move_angles(s.rover, k++);
        benchmark::DoNotOptimize(dyn_configuration(s.rover, &s.mnt));
    }
}
BENCHMARK(BM_DynConfiguration);

void BM_DynSolve(benchmark::State& state)
{
    Scene s;
    double a[NB_DDL];
    for (auto _ : state)
        benchmark::DoNotOptimize(dyn_solve(s.rover, a));
}
BENCHMARK(BM_DynSolve);

// one sub-step of the integration: assembly and solution, then the new
// configuration-dependent quantities and the driven joints' torques, for
// angles that moved as in straight driving
void sub_steps(benchmark::State& state, Scene& s)
{
    double a[NB_DDL];
    long k = 0;
    for (auto _ : state) {
        move_angles(s.rover, k++);
        benchmark::DoNotOptimize(dyn_solve(s.rover, a));
        benchmark::DoNotOptimize(dyn_configuration(s.rover, &s.mnt));
        dyn_joint_torques(s.rover);
    }
}

void BM_SubStep(benchmark::State& state)
{
    Scene s;
    sub_steps(state, s);
}
BENCHMARK(BM_SubStep);

// the same sub-step on the default zone under the macro law (argument 1) and
// the classical law (2)
void BM_SubStepSol(benchmark::State& state)
{
    Scene s(static_cast<int>(state.range(0)));
    sub_steps(state, s);
}
BENCHMARK(BM_SubStepSol)->Arg(1)->Arg(2);

// one tick of 40 ms at the maximum speed (variable number of sub-steps)
void BM_DynStepTick(benchmark::State& state)
{
    Scene s;
    // every 250 ticks (10 s, half a metre) the rover goes back to its start,
    // so that it stays on the terrain however many ticks are timed
    DynRover* start = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
    std::memcpy(start, s.rover, sizeof(DynRover));
    long substeps = 0, n = 0;
    for (auto _ : state) {
        if (n % 250 == 0 && n > 0) {
            state.PauseTiming();
            substeps += s.rover->sousPas - start->sousPas;
            std::memcpy(s.rover, start, sizeof(DynRover));
            state.ResumeTiming();
        }
        benchmark::DoNotOptimize(dyn_step(s.rover, &s.mnt, 0.0, s.rover->vmax, 0.04));
        ++n;
    }
    substeps += s.rover->sousPas - start->sousPas;
    state.counters["substeps_per_tick"] = double(substeps) / double(n);
    std::free(start);
}
BENCHMARK(BM_DynStepTick);

// one tick of 40 ms at rest on flat ground, settled for 3 s first: the
// simplified soil (argument 0) and the default zone under the macro law (1)
// and the classical law (2)
void BM_DynStepTickAtRest(benchmark::State& state)
{
    RoverScene scene(static_cast<int>(state.range(0)), true);
    DynRover* rover = scene.rover;
    Mnt& mnt = scene.mnt;
    for (int k = 0; k < 75; ++k)
        dyn_step(rover, &mnt, 0.0, 0.0, 0.04);
    long s0 = rover->sousPas, n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dyn_step(rover, &mnt, 0.0, 0.0, 0.04));
        ++n;
    }
    state.counters["substeps_per_tick"] = double(rover->sousPas - s0) / double(n);
}
BENCHMARK(BM_DynStepTickAtRest)->Arg(0)->Arg(1)->Arg(2);

} // namespace
