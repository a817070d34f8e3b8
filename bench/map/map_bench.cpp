// Placements per second of the traversability map, one core: a cell's eight
// headings placed and measured (tilt, clearance, tip-over margin, wheel gaps)
// on the default random terrain, cell after cell along a row.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "carte.h"
#include "terrain/mnt.h"
#include "tools/kadmer-sim/simrun.h"

namespace {

void BM_PlacementsCarte(benchmark::State& state)
{
    SimOptions o;  // kadmer-sim's default rover and random terrain
    SimRun run;
    sim_build(o, &run);
    DynRover* scratch = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
    std::memcpy(scratch, run.rover, sizeof(DynRover));
    const LimitesPlan l = limites_carte(LimitesPlan());
    const int caps = 8;
    float out[NB_COUCHES];
    double x = -7.0;
    for (auto _ : state) {
        x = x > 7.0 ? -7.0 : x + 0.25;
        carte_cellule(scratch, run.rover, run.mnt, x, 0.5, caps, l, out);
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * caps);
    std::free(scratch);
}
BENCHMARK(BM_PlacementsCarte);

}  // namespace
