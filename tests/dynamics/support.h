// Shared set-up of the dynamics tests: rovers, random states, velocities.
#ifndef KADMER_TESTS_DYNAMICS_SUPPORT_H
#define KADMER_TESTS_DYNAMICS_SUPPORT_H

#include <random>

#include "rover/dynamics.h"
#include "rover/dynrover.h"

const double kEx[3] = {1, 0, 0}, kEy[3] = {0, 1, 0}, kEz[3] = {0, 0, 1};

// a rover with the internal data and its constants, at the nominal pose
inline DynRover* make_rover(double voie, double incl, int quadri, int testLibre)
{
    DynRover* d = new_dynRover(voie, incl, quadri, nullptr, testLibre, 0, nullptr);
    dyn_constants(d);
    return d;
}

// a random pose and configuration inside the joint limits
inline void random_state(DynRover* d, std::mt19937& rng)
{
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    ConfRover* cr = &d->conf;
    for (int k = 0; k < 3; ++k)
        cr->pos[k] = 2.0 * U(rng);
    cr->att[0] = 0.5 * U(rng);
    cr->att[1] = 0.5 * U(rng);
    cr->att[2] = 3.0 * U(rng);
    for (int t = 0; t < 3; ++t)
        cr->q[t] = 0.8 * cr->butMax[t] * U(rng);
    for (int c = 0; c < 6; ++c) {
        cr->q[Q_ROUE + c] = 3.0 * U(rng);
        cr->q[Q_FOURCHE + c] = 0.4 * U(rng);
        cr->q[Q_STEERING + c] = 0.7 * U(rng);
    }
}

// the 15 generalised velocities of the state
inline void generalised_velocities(const DynRover* d, double u[15])
{
    for (int k = 0; k < 6; ++k)
        u[k] = d->vit[k];
    for (int k = 0; k < 9; ++k)
        u[6 + k] = d->qd[k];
}

#endif
