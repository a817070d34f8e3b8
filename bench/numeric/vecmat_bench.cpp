// Cost of the solver on the dynamic model's system size and of frame chaining.
#include "numeric/vecmat.h"

#include <benchmark/benchmark.h>

#include <random>

static void BM_LdltSolve15(benchmark::State& state)
{
    const int n = 15;
    double A[n * n], F[n * n], b[n], x[n];
    std::mt19937 g(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    double G[n * n];
    for (double& v : G) v = u(g);
    for (int i = 0; i < n; ++i) {
        b[i] = u(g);
        for (int j = 0; j < n; ++j) {
            double s = i == j ? n : 0.0;
            for (int k = 0; k < n; ++k) s += G[i * n + k] * G[j * n + k];
            A[i * n + j] = s;
        }
    }
    for (auto _ : state) {
        for (int k = 0; k < n * n; ++k) F[k] = A[k];
        benchmark::DoNotOptimize(ldlt_solve(x, F, b, n, 1));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LdltSolve15);

static void BM_FrameCompose(benchmark::State& state)
{
    double F1[12] = {0.1, 0.2, 0.3}, F2[12] = {-0.4, 0.5, 0.6}, out[12];
    const double a1[3] = {0.3, -0.2, 0.1}, a2[3] = {1.0, 0.5, -0.7};
    rot_zyx(frame_rot(F1), a1);
    rot_zyx(frame_rot(F2), a2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(frame_compose(out, F1, F2));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameCompose);
