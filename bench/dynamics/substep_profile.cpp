// The sub-step loop of dynamics_bench's BM_SubStep as a plain program, for
// profilers: `substeps` holds nothing but the loop, so that
//   valgrind --tool=callgrind --toggle-collect='substeps*' substep_profile 1000
// counts the instructions of N sub-steps exactly; run bare, it prints the
// best processor time per sub-step over 20 slices of N/20.
#include <ctime>
#include <cstdio>
#include <cstdlib>

#include "bench/support/rover_scene.h"

namespace {

double cpu_us()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec * 1e-3;
}

} // namespace

// the angles move as in BM_SubStep: wheels roll on, traverses rock
__attribute__((noinline)) void substeps(DynRover* rover, const Mnt* mnt, long n, long k0)
{
    double a[NB_DDL];
    for (long k = k0; k < k0 + n; ++k) {
        double* q = rover->conf.q;
        for (int c = 0; c < NB_CHAINES; ++c)
            q[Q_ROUE + c] += 1e-6;
        for (int t = 0; t < 3; ++t)
            q[Q_TRAV + t] += (k % 2 == 0) ? 1e-9 : -1e-9;
        dyn_solve(rover, a);
        dyn_configuration(rover, mnt);
        dyn_joint_torques(rover);
    }
}

int main(int argc, char** argv)
{
    const long n = argc > 1 ? std::atol(argv[1]) : 200000;
    if (n < 20) {
        std::fprintf(stderr, "usage: substep_profile [N >= 20]\n");
        return 2;
    }
    RoverScene s;
    for (int k = 0; k < 100; ++k)
        dyn_step(s.rover, &s.mnt, 0.0, s.rover->vmax, 0.04);
    double best = 1e300;
    for (long slice = 0; slice < 20; ++slice) {
        const double t0 = cpu_us();
        substeps(s.rover, &s.mnt, n / 20, slice * (n / 20));
        const double t = (cpu_us() - t0) / (n / 20);
        best = t < best ? t : best;
    }
    std::printf("%.3f us per sub-step (best processor time of 20 slices of %ld)\n", best, n / 20);
    return 0;
}
