// Cost of one wheel's soil force: the classical law's arc quadrature against
// the macro law, both for a wheel of the rover driving at 20 % slip with a
// little side slip on the default zone.
#include <benchmark/benchmark.h>

#include "rover/solclassique.h"
#include "terrain/zonesol.h"

namespace {

struct Zone {
    ZonesSol zs = {0, nullptr};
    Zone() { ajouteZoneDefaut(&zs, 0.0, 0.0, 1000.0); }
    ~Zone() { libereZones(&zs); }
};

// rim speed 0.05 m/s, hub 0.04 m/s, 1 mm/s sideways, 2.8 cm deep
const double R = 0.15, B = 0.12, Vr = 0.05, V = 0.04;

void BM_ContactClassique(benchmark::State& state)
{
    Zone z;
    ParamClassique p;
    defauts_classique(&p);
    EntreeClassique e = {-0.028, {0.001, V - Vr, 0.0}, -Vr / R, R, B, 9.81};
    SortieClassique o;
    for (auto _ : state) {
        e.dz += 1e-12;  // a new state each time, as in the run
        contact_classique(&o, z.zs.premiere, &p, &e);
        benchmark::DoNotOptimize(o);
    }
}
BENCHMARK(BM_ContactClassique);

void BM_ContactMacro(benchmark::State& state)
{
    Zone z;
    EntreeMacroSol e = {-0.028, {0.001, V - Vr, 0.0}, -Vr / R, {0, 0, 0}, R, B, 9.81, 0.0, 0.0, nullptr, nullptr};
    double F[3];
    for (auto _ : state) {
        e.dz += 1e-12;
        e.t += 1e-4;
        contact_macroSol(F, 0, &z.zs, &e);
        e.t0 = e.t;
        benchmark::DoNotOptimize(F);
    }
}
BENCHMARK(BM_ContactMacro);

} // namespace
