// Cost of the terrain height query (with and without the normal) and of
// building the default grid and a ten times finer one.
#include "terrain/mnt.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// the default random terrain with its bumps
struct Terrain {
    Mnt m;
    explicit Terrain(double cellule)
    {
        defauts_mnt(&m);
        m.dx = m.dy = cellule;
        new_mnt(&m);
    }
    ~Terrain() { libere_mnt(&m); }
};

// query points spread over the grid, drawn once
std::vector<double> points()
{
    std::mt19937 g(3);
    std::uniform_real_distribution<double> u(-10.0, 10.0);
    std::vector<double> p(2 * 4096);
    for (auto& v : p) v = u(g);
    return p;
}

void BM_HauteurSeule(benchmark::State& state)
{
    Terrain t(0.25);
    const std::vector<double> p = points();
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hauteur_mnt(&t.m, p[k], p[k + 1], nullptr));
        k = (k + 2) & (p.size() - 1);
    }
}
BENCHMARK(BM_HauteurSeule);

void BM_HauteurEtNormale(benchmark::State& state)
{
    Terrain t(0.25);
    const std::vector<double> p = points();
    size_t k = 0;
    Vec3 n;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hauteur_mnt(&t.m, p[k], p[k + 1], n));
        benchmark::DoNotOptimize(n);
        k = (k + 2) & (p.size() - 1);
    }
}
BENCHMARK(BM_HauteurEtNormale);

// building includes the allocation and its release
void BM_NewMnt(benchmark::State& state)
{
    Mnt m;
    defauts_mnt(&m);
    m.dx = m.dy = 20.0 / (state.range(0) - 1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(new_mnt(&m));
        libere_mnt(&m);
    }
    state.SetLabel(std::to_string(state.range(0)) + " x " + std::to_string(state.range(0)));
}
BENCHMARK(BM_NewMnt)->Arg(81)->Arg(801)->Unit(benchmark::kMillisecond);

}  // namespace
