// Cost of a drive plan's bookkeeping against the dynamic tick it rides on:
// the tick alone, the tick with its telemetry and the plan (commands, odometry,
// every limit checked, keep-out circles), and the plan's share alone, with the
// belly clearance on its own.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "bench/support/rover_scene.h"
#include "rover/gardesol.h"
#include "rover/plan.h"
#include "rover/telemetry.h"

namespace {

// the default scenario driven for four seconds, then a long straight plan
// with every limit set loose enough not to stop it and two keep-out circles
// off its path; the rover goes back to its start every 250 ticks
struct Scene : RoverScene {
    DynRover* start;
    Telemetry tel = {};
    CommandePlan commande = {PlanDroit, 0, 1000.0, 0, 0, 0, 0, 0, 0};
    ZoneInterdite zones[2] = {{8.0, 0.0, 1.0}, {-8.0, 0.0, 1.0}};
    Plan plan = {};
    EtatPlan etat = {};
    long n = 0;

    Scene()
    {
        for (int k = 0; k < 100; ++k)
            dyn_step(rover, &mnt, 0.0, rover->vmax, 0.04);
        telemetry_reset(&tel, rover);
        start = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
        std::memcpy(start, rover, sizeof(DynRover));
        plan.commandes = &commande;
        plan.nbCommandes = 1;
        plan.zones = zones;
        plan.nbZones = 2;
        plan.limites.inclinaison = 89;
        plan.limites.marge = 0;
        plan.limites.glissement = 1;
        plan.limites.controleGlissement = 0.5;
        plan.limites.gardeSol = 0;
        plan.limites.enfoncement = 1;
        plan_nouveau(&etat, &plan, rover, &tel, 1);
    }
    ~Scene()
    {
        plan_libere(&etat);
        std::free(start);
    }
    void retour(benchmark::State& state)
    {
        if (++n % 250 == 0) {
            state.PauseTiming();
            std::memcpy(rover, start, sizeof(DynRover));
            plan_libere(&etat);
            plan_nouveau(&etat, &plan, rover, &tel, 1);
            state.ResumeTiming();
        }
    }
};

void BM_DynTickWithTelemetry(benchmark::State& state)
{
    Scene s;
    for (auto _ : state) {
        s.retour(state);
        dyn_step(s.rover, &s.mnt, 0.0, s.rover->vmax, 0.04);
        telemetry_tick(&s.tel, s.rover, &s.mnt, 1);
    }
}
BENCHMARK(BM_DynTickWithTelemetry);

void BM_DynTickWithTelemetryAndPlan(benchmark::State& state)
{
    Scene s;
    for (auto _ : state) {
        s.retour(state);
        double v, c;
        plan_consigne(&s.etat, s.rover, 0.04, &v, &c);
        dyn_step(s.rover, &s.mnt, c, v, 0.04);
        telemetry_tick(&s.tel, s.rover, &s.mnt, 1);
        benchmark::DoNotOptimize(plan_controle(&s.etat, s.rover, &s.mnt, &s.tel));
    }
    if (s.etat.statut != StatutEnCours)
        state.SkipWithError(s.etat.message);
}
BENCHMARK(BM_DynTickWithTelemetryAndPlan);

// the plan's share on a driven rover's state: the commands and the checks
void BM_PlanTick(benchmark::State& state)
{
    Scene s;
    for (auto _ : state) {
        double v, c;
        plan_consigne(&s.etat, s.rover, 0.04, &v, &c);
        benchmark::DoNotOptimize(plan_controle(&s.etat, s.rover, &s.mnt, &s.tel));
    }
}
BENCHMARK(BM_PlanTick);

void BM_GardeSol(benchmark::State& state)
{
    Scene s;
    for (auto _ : state)
        benchmark::DoNotOptimize(garde_sol(&s.rover->conf, &s.mnt));
}
BENCHMARK(BM_GardeSol);

} // namespace
