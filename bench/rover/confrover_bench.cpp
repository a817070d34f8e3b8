// Cost of the forward kinematics and of the placement on the ground, which
// the kinematic step runs once per tick and the dynamic model once per
// sub-step.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "rover/confrover.h"
#include "terrain/mnt.h"

namespace {

void BM_UpdateGeometry(benchmark::State& state) {
  ConfRover* cr = new_confRover(1.0, 0.17, static_cast<int>(state.range(0)));
  cr->q[Q_TRAV] = 0.1;
  cr->q[Q_STEERING] = 0.3;
  for (auto _ : state) {
    cr->q[Q_ROUE] += 1e-3;
    benchmark::DoNotOptimize(update_geometry(cr));
    benchmark::ClobberMemory();
  }
  free(cr);
}
BENCHMARK(BM_UpdateGeometry)->Arg(0)->Arg(1)->ArgName("quadri");

// one placement per kinematic tick: the rover moves 2 mm along y each time
void BM_PlaceOnGround(benchmark::State& state) {
  Mnt m = {};
  defauts_mnt(&m);
  m.typeMNT = static_cast<int>(state.range(0));
  new_mnt(&m);
  ConfRover* cr = new_confRover(1.0, 0.17, 1);
  place_on_ground(cr, &m);
  double y = -5;
  for (auto _ : state) {
    y = y > 5 ? -5 : y + 0.002;
    cr->pos[1] = y;
    benchmark::DoNotOptimize(place_on_ground(cr, &m));
  }
  free(cr);
  libere_mnt(&m);
}
BENCHMARK(BM_PlaceOnGround)->Arg(MntSinus)->Arg(MntAleatoire)->ArgName("typeMNT");

}  // namespace
