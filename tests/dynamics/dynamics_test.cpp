// Equations of motion: mass matrix against the kinetic energy of forward
// kinematics, free fall, conservation in free movement, constants, print-outs.
#include "rover/dynamics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "dynamics/support.h"
#include "rover/piloting.h"

namespace {

// ---- kinetic energy from forward kinematics by central differences ----------

struct Snapshot {
    Vec3 G0;           // body centre of gravity, terrain
    Mat3 R0;           // body orientation
    Vec3 G[6][5];      // chain bodies' centres of gravity, terrain
    Mat3 Rw[6][5];     // chain bodies' orientations
};

void snapshot(DynRover* d, Snapshot* s)
{
    ConfRover* cr = &d->conf;
    ASSERT_EQ(update_geometry(cr), nullptr);
    frame_apply(s->G0, cr->caisse, d->RG0);
    mat_copy(s->R0, frame_rot(cr->caisse));
    for (int c = 0; c < 6; ++c)
        for (int j = 0; j < 5; ++j) {
            frame_apply(s->G[c][j], cr->monde[c][j], d->OiGi[c][j]);
            mat_copy(s->Rw[c][j], frame_rot(cr->monde[c][j]));
        }
}

// angular velocity (terrain axes) of an orientation known at -e, 0, +e
void angular_velocity(double w[3], const double Rm[9], const double R[9],
                      const double Rp[9], double e)
{
    double dR[9], W[9];
    for (int k = 0; k < 9; ++k)
        dR[k] = (Rp[k] - Rm[k]) / (2 * e);
    mat_mul_t(W, dR, R);  // dR/dt R^T = [w]x
    w[0] = 0.5 * (W[2 + 3 * 1] - W[1 + 3 * 2]);
    w[1] = 0.5 * (W[0 + 3 * 2] - W[2 + 3 * 0]);
    w[2] = 0.5 * (W[1 + 3 * 0] - W[0 + 3 * 1]);
}

double rigid_energy(double m, const double v[3], const double Ilocal[9],
                    const double R[9], const double w[3])
{
    double wl[3], Iw[3];
    mat_tmul_vec(wl, R, w);
    mat_mul_vec(Iw, Ilocal, wl);
    return 0.5 * m * vec_dot(v, v) + 0.5 * vec_dot(wl, Iw);
}

// moves the state by s*e along the generalised velocities u and the driven
// rates (steering, fork) qdDrv[c][0..1]
void advance(DynRover* d, const DynRover* base, const double u[15],
             const double qdDrv[6][2], double se)
{
    ConfRover* cr = &d->conf;
    const ConfRover* c0 = &base->conf;
    for (int k = 0; k < 3; ++k)
        cr->pos[k] = c0->pos[k] + se * u[k];
    double ss = std::sin(c0->att[0]), cs = std::cos(c0->att[0]);
    double sg = std::sin(c0->att[1]), cg = std::cos(c0->att[1]);
    double azd = (ss * u[4] + cs * u[5]) / cg;
    double gid = cs * u[4] - ss * u[5];
    double sid = u[3] + azd * sg;
    // second-order exact enough: the central difference cancels the curvature
    // of the attitude path only to O(e^2), far below the tolerance
    cr->att[0] = c0->att[0] + se * sid;
    cr->att[1] = c0->att[1] + se * gid;
    cr->att[2] = c0->att[2] + se * azd;
    for (int k = 0; k < 9; ++k)
        cr->q[k] = c0->q[k] + se * u[6 + k];
    for (int c = 0; c < 6; ++c) {
        cr->q[Q_STEERING + c] = c0->q[Q_STEERING + c] + se * qdDrv[c][0];
        cr->q[Q_FOURCHE + c] = c0->q[Q_FOURCHE + c] + se * qdDrv[c][1];
    }
}

// kinetic energy of every body, motor rotors included, for the velocities u
// and driven rates qdDrv, from positions at -e and +e
double energy_by_differences(DynRover* d, const double u[15], const double qdDrv[6][2])
{
    const double e = 1e-6;
    DynRover* tmp = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
    std::memcpy(tmp, d, sizeof(DynRover));
    Snapshot s0, sm, sp;
    snapshot(tmp, &s0);
    advance(tmp, d, u, qdDrv, -e);
    snapshot(tmp, &sm);
    advance(tmp, d, u, qdDrv, +e);
    snapshot(tmp, &sp);
    std::free(tmp);

    double E = 0.0, v[3], w[3];
    for (int k = 0; k < 3; ++k)
        v[k] = (sp.G0[k] - sm.G0[k]) / (2 * e);
    angular_velocity(w, sm.R0, s0.R0, sp.R0, e);
    E += rigid_energy(d->m0, v, d->In0, s0.R0, w);
    for (int c = 0; c < 6; ++c) {
        double Wprev[3];
        std::memcpy(Wprev, w, sizeof w);  // the body's angular velocity
        const double rates[5] = {0, 0, qdDrv[c][0], qdDrv[c][1], u[9 + c]};
        for (int j = 0; j < 5; ++j) {
            double vj[3], wj[3];
            for (int k = 0; k < 3; ++k)
                vj[k] = (sp.G[c][j][k] - sm.G[c][j][k]) / (2 * e);
            angular_velocity(wj, sm.Rw[c][j], s0.Rw[c][j], sp.Rw[c][j], e);
            E += rigid_energy(d->mi[c][j], vj, d->Ini[c][j], s0.Rw[c][j], wj);
            // the rotor spins at N qd on the previous body; its inertia about
            // the axis is counted with the joint's own body
            double J = d->Jm[c][j], N = d->N[c][j];
            if (J != 0.0) {
                double ua[3];
                const double* la = (d->conf.axe[c][j] == 4) ? d->conf.axeVec[c][j]
                                   : d->conf.axe[c][j] == 1 ? kEx
                                   : d->conf.axe[c][j] == 2 ? kEy : kEz;
                mat_mul_vec(ua, s0.Rw[c][j], la);
                double spin = vec_dot(ua, Wprev) + N * rates[j];
                double own = vec_dot(ua, wj);
                E += 0.5 * J * (spin * spin - own * own);
            }
            std::memcpy(Wprev, wj, sizeof wj);
        }
    }
    return E;
}

// the model's energy with driven rates: 1/2 u M u + the driven joints' terms
double model_energy(const DynRover* d, const double u[15], const double qdDrv[6][2])
{
    double E = dyn_kinetic_energy(d, u);
    const ConfRover* cr = &d->conf;
    for (int c = 0; c < 6; ++c) {
        int t = traverse_chaine(c);
        double rho = cr->rho[c];
        const int drv[2] = {J_STEERING, J_FOURCHE};
        for (int a = 0; a < 2; ++a) {
            int j = drv[a];
            double p = vec_dot(d->T[c][j], u) + vec_dot(d->R[c][j], u + 3) +
                       (d->K[c][j][J_TRAVERSE] - rho * d->K[c][j][J_SUPPORT]) * u[6 + t] +
                       d->K[c][j][J_ROUE] * u[9 + c];
            E += qdDrv[c][a] * p;
            for (int b = 0; b < 2; ++b)
                E += 0.5 * qdDrv[c][a] * d->K[c][j][drv[b]] * qdDrv[c][b];
        }
    }
    return E;
}

} // namespace

// ---- mass matrix -------------------------------------------------------------

TEST(MassMatrix, IsSymmetricPositiveDefiniteAndGivesTheKineticEnergy)
{
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    const double incl[3] = {0.0, 0.12, 0.3};
    int cases = 0;
    for (int quadri = 0; quadri <= 1; ++quadri)
        for (double i : incl)
            for (int rep = 0; rep < 4; ++rep) {
                DynRover* d = make_rover(1.0 + 0.3 * rep, i, quadri, 0);
                random_state(d, rng);
                ASSERT_EQ(dyn_configuration(d, nullptr), nullptr);

                double M[225], A[225], x[15], b[15] = {0};
                dyn_mass_matrix(d, M);
                for (int r = 0; r < 15; ++r)
                    for (int c = 0; c < r; ++c)
                        EXPECT_NEAR(M[r * 15 + c], M[c * 15 + r],
                                    1e-13 * (1 + std::fabs(M[r * 15 + c])));
                // positive definite: every pivot of the LDLt positive
                std::memcpy(A, M, sizeof M);
                ASSERT_NE(ldlt_solve(x, A, b, 15, 1), 0.0);
                for (int r = 0; r < 15; ++r)
                    EXPECT_GT(A[r * 15 + r], 0.0) << "pivot " << r;

                for (int trial = 0; trial < 3; ++trial) {
                    double u[15], drv[6][2] = {{0}};
                    for (double& v : u)
                        v = U(rng);
                    double Efd = energy_by_differences(d, u, drv);
                    double Em = dyn_kinetic_energy(d, u);
                    EXPECT_NEAR(Em, Efd, 1e-6 * Efd) << "quadri " << quadri << " i " << i;
                    ++cases;
                }
                std::free(d);
            }
    EXPECT_EQ(cases, 72);
}

TEST(MassMatrix, DrivenJointTermsGiveTheKineticEnergyOfSteeringAndForks)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    for (int quadri = 0; quadri <= 1; ++quadri) {
        DynRover* d = make_rover(1.0, 0.2, quadri, 0);
        random_state(d, rng);
        ASSERT_EQ(dyn_configuration(d, nullptr), nullptr);
        double u[15], drv[6][2];
        for (double& v : u)
            v = U(rng);
        for (auto& r : drv) {
            r[0] = U(rng);
            r[1] = U(rng);
        }
        double Efd = energy_by_differences(d, u, drv);
        EXPECT_NEAR(model_energy(d, u, drv), Efd, 1e-6 * Efd);
        std::free(d);
    }
}

// ---- free fall ---------------------------------------------------------------

TEST(FreeFall, RoverAtRestOffTheGroundFallsAtG)
{
    std::mt19937 rng(3);
    for (int quadri = 0; quadri <= 1; ++quadri) {
        // symmetric rest configuration, then an arbitrary one: uniform
        // gravity needs no internal force in either
        for (int randomised = 0; randomised <= 1; ++randomised) {
            DynRover* d = make_rover(1.0, 0.1, quadri, 0);
            if (randomised)
                random_state(d, rng);
            d->conf.pos[2] = 10.0;
            ASSERT_EQ(dyn_configuration(d, nullptr), nullptr);
            for (int c = 0; c < 6; ++c)
                EXPECT_TRUE(d->horsSol[c]);
            double a[15];
            ASSERT_NE(dyn_solve(d, a), 0.0);
            EXPECT_NEAR(a[0], 0.0, 1e-9);
            EXPECT_NEAR(a[1], 0.0, 1e-9);
            EXPECT_NEAR(a[2], -9.81, 1e-9);
            for (int k = 3; k < 15; ++k)
                EXPECT_NEAR(a[k], 0.0, 1e-9) << "coordinate " << k;
            std::free(d);
        }
    }
}

TEST(FreeFall, DropOnFlatGroundStopsOnTheWheels)
{
    DynRover* d = make_rover(1.0, 0.0, 0, 0);
    d->conf.pos[2] += 0.05;  // 5 cm above the ground
    dyn_reset(d);
    for (int tick = 0; tick < 75; ++tick)
        ASSERT_EQ(dyn_step(d, nullptr, 0.0, 0.0, 0.04), nullptr);
    for (int c = 0; c < 6; ++c) {
        EXPECT_FALSE(d->horsSol[c]);
        // sunk by about the weight on the soil's stiffness
        EXPECT_LT(d->ecart[c], 0.0);
        EXPECT_GT(d->ecart[c], -0.03);
    }
    EXPECT_NEAR(d->vit[2], 0.0, 1e-3);
    std::free(d);
}

// ---- free movement -----------------------------------------------------------

namespace {

void momenta(const DynRover* d, double P[3], double L[3])
{
    double M[225], u[15];
    generalised_velocities(d, u);
    dyn_mass_matrix(d, M);
    double pb[6] = {0};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 15; ++c)
            pb[r] += M[r * 15 + c] * u[c];
    // linear momentum (terrain) and angular momentum about the terrain origin
    for (int k = 0; k < 3; ++k)
        P[k] = pb[k];
    double Lb[3];
    mat_mul_vec(Lb, frame_rot(d->conf.caisse), pb + 3);
    vec_cross(L, d->conf.pos, P);
    vec_add(L, L, Lb);
}

// rotors: nominal reductions (motor rotors spinning N times faster than
// their joints) with the frictions removed, instead of the free-movement test
double drift_of_free_movement(int quadri, int rotors, double shrink, double* dP, double* dL)
{
    DynRover* d = make_rover(1.0, 0.15, quadri, rotors ? 0 : 1);
    d->data.g = 0.0;
    if (rotors) {
        d->data.fsSteer = d->data.fvSteer = 0.0;
        d->data.fsElev = d->data.fvElev = 0.0;
        d->data.fsRoue = d->data.fvRoue = 0.0;
    }
    d->data.dVitXyz *= shrink;
    d->data.dVitLtr *= shrink;
    d->data.dVitTrav *= shrink;
    d->data.dVitRoue *= shrink;
    dyn_constants(d);
    std::mt19937 rng(11);
    random_state(d, rng);
    d->conf.pos[2] = 10.0;  // far from the ground
    dyn_reset(d);
    // tumbling, with traverses and wheels turning; traverses kept off their
    // stops for the second
    const double u0[15] = {0.3, -0.2, 0.1, 0.4, -0.3, 0.5, 0.2, -0.15, 0.1,
                           2.0, -1.0, 0.5, 3.0, -2.5, 1.5};
    for (int k = 0; k < 6; ++k)
        d->vit[k] = u0[k];
    for (int k = 0; k < 9; ++k)
        d->qd[k] = u0[6 + k];
    for (int t = 0; t < 3; ++t)
        d->conf.q[t] = 0.0;
    EXPECT_EQ(dyn_configuration(d, nullptr), nullptr);
    double u[15], P0[3], L0[3], P1[3], L1[3];
    generalised_velocities(d, u);
    double E0 = dyn_kinetic_energy(d, u);
    momenta(d, P0, L0);
    for (int tick = 0; tick < 25; ++tick)
        EXPECT_EQ(dyn_integrate(d, 0.04, nullptr), nullptr);
    EXPECT_NEAR(d->conf.temps, 1.0, 1e-9);
    generalised_velocities(d, u);
    double E1 = dyn_kinetic_energy(d, u);
    momenta(d, P1, L1);
    double p0 = vec_norm(P0), l0 = vec_norm(L0);
    double e[3];
    vec_sub(e, P1, P0);
    *dP = vec_norm(e) / p0;
    vec_sub(e, L1, L0);
    *dL = vec_norm(e) / l0;
    std::free(d);
    return std::fabs(E1 - E0) / E0;
}

} // namespace

TEST(FreeMovement, EnergyAndMomentaAreConservedToTheIntegratorsAccuracy)
{
    for (int run = 0; run < 3; ++run) {
        int quadri = run % 2, rotors = run / 2;
        double dE[3], dP[3], dL[3];
        const double shrink[3] = {1.0, 0.25, 0.0625};
        for (int k = 0; k < 3; ++k)
            dE[k] = drift_of_free_movement(quadri, rotors, shrink[k], &dP[k], &dL[k]);
        // a second with the default limits stays within 0.2 %, and the
        // drift falls with the sub-step as the first-order velocity update
        // makes it (4 times smaller steps: about 4 times smaller drift); a
        // wrong term would leave a drift that does not converge
        EXPECT_LT(dE[0], 2e-3) << "quadri " << quadri << " rotors " << rotors;
        EXPECT_LT(dP[0], 2e-3);
        EXPECT_LT(dL[0], 2e-3);
        for (int k = 1; k < 3; ++k) {
            EXPECT_LT(dE[k], 0.35 * dE[k - 1]) << "run " << run << " step " << k;
            EXPECT_LT(dP[k], 0.35 * dP[k - 1]);
            EXPECT_LT(dL[k], 0.35 * dL[k - 1]);
        }
    }
}

TEST(FreeMovement, EnergyAndMomentaHaveZeroRateAtEveryInstant)
{
    // d/dt of E, P and L along the solved motion, by central differences of
    // the state moved by +-e along (u, acc): gyroscopic terms that do no
    // work still show in the angular momentum
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    for (int run = 0; run < 4; ++run) {
        int quadri = run % 2;
        DynRover* d = make_rover(1.0, 0.2, quadri, 0);
        d->data.g = 0.0;
        d->data.fsSteer = d->data.fvSteer = d->data.fsElev = d->data.fvElev = 0.0;
        d->data.fsRoue = d->data.fvRoue = 0.0;
        dyn_constants(d);
        random_state(d, rng);
        for (int t = 0; t < 3; ++t)
            d->conf.q[t] *= 0.5;  // off the stops
        d->conf.pos[2] = 10.0;
        for (int k = 0; k < 6; ++k)
            d->vit[k] = U(rng);
        for (int k = 0; k < 9; ++k)
            d->qd[k] = (k < 3 ? 1.0 : 30.0) * U(rng);  // fast wheels: big rotors
        ASSERT_EQ(dyn_configuration(d, nullptr), nullptr);
        double a[15], u[15];
        ASSERT_NE(dyn_solve(d, a), 0.0);
        generalised_velocities(d, u);

        const double e = 1e-5;
        double E[2], P[2][3], L[2][3];
        const double drv[6][2] = {{0}};
        for (int side = 0; side < 2; ++side) {
            double s = side ? e : -e;
            DynRover* m = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
            std::memcpy(m, d, sizeof(DynRover));
            advance(m, d, u, drv, s);
            for (int k = 0; k < 6; ++k)
                m->vit[k] = u[k] + s * a[k];
            for (int k = 0; k < 9; ++k)
                m->qd[k] = u[6 + k] + s * a[6 + k];
            ASSERT_EQ(dyn_configuration(m, nullptr), nullptr);
            double um[15];
            generalised_velocities(m, um);
            E[side] = dyn_kinetic_energy(m, um);
            momenta(m, P[side], L[side]);
            std::free(m);
        }
        double E0 = dyn_kinetic_energy(d, u), P0[3], L0[3];
        momenta(d, P0, L0);
        // scales: a rate of 1e-7 of the quantity per second of its own motion
        double rate = vec_norm(u + 3) + 1.0;
        EXPECT_NEAR((E[1] - E[0]) / (2 * e), 0.0, 1e-7 * E0 * rate) << "run " << run;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR((P[1][k] - P[0][k]) / (2 * e), 0.0, 1e-7 * vec_norm(P0) * rate);
            EXPECT_NEAR((L[1][k] - L[0][k]) / (2 * e), 0.0, 1e-7 * vec_norm(L0) * rate)
                << "run " << run << " component " << k;
        }
        std::free(d);
    }
}

// ---- contact forces ----------------------------------------------------------

TEST(ContactForces, GeneralisedForcesDoTheWorkOfEachForceAtItsContactPoint)
{
    // for any velocities, the contact forces' share of the body rows and of
    // the traverse and wheel rows does the work of each force at the wheel's
    // own point under it: Q . u = sum F . v_P, v_P from the wheel frames moved
    // by +-e (forward kinematics alone). A moment taken about another point,
    // the wheel centre say, breaks it through the body, traverse and wheel rows
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> U(-1.0, 1.0);
    for (int quadri = 0; quadri < 2; ++quadri) {
        DynRover* d = make_rover(1.0, 0.2, quadri, 0);
        ConfRover* cr = &d->conf;
        ASSERT_EQ(update_geometry(cr), nullptr);
        // the nominal pose sunk 1 cm into the flat ground at 0, tipped a
        // little so that the wheels bear unequally
        double lowest = 1e9;
        for (int c = 0; c < 6; ++c)
            lowest = std::min(lowest, frame_origin(cr->monde[c][J_ROUE])[2] - cr->rayonRoue);
        cr->pos[2] -= lowest + 0.01;
        cr->att[0] += 0.01;
        cr->att[1] -= 0.005;
        double u[15];
        for (int k = 0; k < 15; ++k)
            u[k] = (k >= 6 + Q_ROUE ? 2.0 : 0.2) * U(rng);  // wheels turning, slipping
        for (int k = 0; k < 6; ++k)
            d->vit[k] = u[k];
        for (int k = 0; k < 9; ++k)
            d->qd[k] = u[6 + k];
        ASSERT_EQ(dyn_configuration(d, nullptr), nullptr);

        double Qu = 0.0, scale = 0.0;
        int bearing = 0;
        for (int c = 0; c < 6; ++c) {
            if (d->horsSol[c])
                continue;
            ++bearing;
            const int t = traverse_chaine(c);
            double mP[3];
            vec_cross(mP, cr->contactCaisse[c], d->Fb[c]);
            Qu += vec_dot(d->Ft[c], u) + vec_dot(mP, u + 3)
                  + (d->Qc[c][J_TRAVERSE] - cr->rho[c] * d->Qc[c][J_SUPPORT]) * u[6 + Q_TRAV + t]
                  + d->Qc[c][J_ROUE] * u[6 + Q_ROUE + c];
            scale += vec_norm(d->Ft[c]);
        }
        ASSERT_GE(bearing, 3);

        // the wheel's point under the contact, carried by the wheel frames
        const double e = 1e-6;
        const double drv[6][2] = {{0}};
        double Pw[6][3], P[2][6][3];
        for (int c = 0; c < 6; ++c) {
            double dP[3];
            vec_sub(dP, cr->contact[c], frame_origin(cr->monde[c][J_ROUE]));
            mat_tmul_vec(Pw[c], frame_rot(cr->monde[c][J_ROUE]), dP);
        }
        for (int side = 0; side < 2; ++side) {
            DynRover* m = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
            std::memcpy(m, d, sizeof(DynRover));
            advance(m, d, u, drv, side ? e : -e);
            ASSERT_EQ(update_geometry(&m->conf), nullptr);
            for (int c = 0; c < 6; ++c)
                frame_apply(P[side][c], m->conf.monde[c][J_ROUE], Pw[c]);
            std::free(m);
        }
        double work = 0.0;
        for (int c = 0; c < 6; ++c) {
            double v[3];
            for (int k = 0; k < 3; ++k)
                v[k] = (P[1][c][k] - P[0][c][k]) / (2 * e);
            work += vec_dot(d->Ft[c], v);
        }
        // central differences of a smooth path: 1e-7 of the forces times the
        // velocities' scale (a few m/s at the rims)
        EXPECT_NEAR(Qu, work, 1e-7 * scale) << "quadri " << quadri;
        EXPECT_GT(std::fabs(work), 1e-3 * scale);
        std::free(d);
    }
}

// ---- constants ---------------------------------------------------------------

TEST(Constants, MassesMirrorAndReductionsFollowTheFreeMovementTest)
{
    DynRover* d = make_rover(1.0, 0.2, 0, 0);
    const DataDynRov& dd = d->data;
    // two bogies and the rear traverse, each split between its two chains
    double sum = dd.m0 + 2 * dd.mTravL + dd.mTravR +
                 6 * (dd.mSteer + dd.mFourche + dd.mRoue) + 4 * dd.mSupL + 2 * dd.mSupR;
    EXPECT_NEAR(d->mtot, sum, 1e-12);
    EXPECT_DOUBLE_EQ(d->mi[AVANT_G][J_TRAVERSE], 0.5 * dd.mTravL);
    // centres given for the right chains: x mirrored on the left, the
    // support's y mirrored for the middle chains
    EXPECT_DOUBLE_EQ(d->OiGi[AVANT_G][J_SUPPORT][0], -dd.cdgSupL[0]);
    EXPECT_DOUBLE_EQ(d->OiGi[MILIEU_D][J_SUPPORT][1], -dd.cdgSupL[1]);
    EXPECT_DOUBLE_EQ(d->OiGi[ARRIERE_G][J_SUPPORT][0], -dd.cdgSupR[0]);
    EXPECT_DOUBLE_EQ(d->OiGi[AVANT_G][J_FOURCHE][0], -dd.cdgFourche[0]);
    EXPECT_DOUBLE_EQ(d->fsec[AVANT_G][J_ROUE], dd.redRoue * dd.fsRoue);

    d->testLibre = 1;
    dyn_constants(d);
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(d->N[ARRIERE_D][j], 1.0);
        EXPECT_EQ(d->fsec[ARRIERE_D][j], 0.0);
        EXPECT_EQ(d->fvis[ARRIERE_D][j], 0.0);
    }
    EXPECT_DOUBLE_EQ(d->Jm[ARRIERE_D][J_ROUE], dd.jmRoue);
    std::free(d);
}

TEST(Stops, TorqueOnlyEverPushesATraverseBackInside)
{
    DynRover* d = make_rover(1.0, 0.0, 0, 0);
    d->conf.pos[2] = 5.0;
    const double hi = d->conf.butMax[0], kp = d->data.kpTravL, kv = d->data.kvTravL;
    struct Row { double phi, phid, expected; } rows[] = {
        {0.3, 1.0, 0.0},                                  // inside: nothing
        {hi + 0.01, 0.0, -kp * 0.01},                     // beyond: pushed back
        {hi + 0.01, 0.2, -kv * 0.2 - kp * 0.01},          // still going out
        {hi + 0.01, -10.0, 0.0},                          // coming back fast:
                                                          // no pull outwards
        {-hi - 0.01, 0.0, kp * 0.01},
        {-hi - 0.01, 10.0, 0.0},
    };
    for (const Row& r : rows) {
        d->conf.q[0] = r.phi;
        d->qd[0] = r.phid;
        ASSERT_EQ(dyn_configuration(d, nullptr), nullptr);
        EXPECT_NEAR(d->coupleButee[0], r.expected, 1e-9) << r.phi << " " << r.phid;
        EXPECT_EQ(d->coupleButee[1], 0.0);
    }
    std::free(d);
}

// ---- print-outs --------------------------------------------------------------

namespace {

std::string trace_of(int verbose)
{
    DynRover* d = make_rover(1.0, 0.0, 0, 0);
    FILE* f = std::tmpfile();
    d->fresults = f;
    d->verbose = verbose;
    d->data.g = 0.0;  // at rest without weight: one sub-step in the tick
    dyn_constants(d);
    dyn_reset(d);
    EXPECT_EQ(dyn_step(d, nullptr, 0.0, 0.0, 0.04), nullptr);
    std::free(d);
    std::string s;
    std::rewind(f);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        s.append(buf, n);
    std::fclose(f);
    return s;
}

int count(const std::string& s, const std::string& what)
{
    int n = 0;
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1))
        ++n;
    return n;
}

} // namespace

TEST(PrintOuts, EachVerbosityAddsItsBlocks)
{
    EXPECT_EQ(trace_of(0), "");

    std::string t10 = trace_of(10);
    EXPECT_EQ(count(t10, "\n"), 1);  // one line per tick
    EXPECT_EQ(count(t10, " "), 27);  // 28 numbers

    std::string t40 = trace_of(40);
    EXPECT_EQ(count(t40, "PARAMETRES CONSTANTS (INDEPENDANTS DE LA CONFIGURATION)\n"), 1);
    EXPECT_EQ(count(t40, "Masse totale (kg) mtot = "), 1);
    EXPECT_EQ(count(t40, "CORPS DE LA CHAINE aRriereD\n"), 1);
    EXPECT_EQ(count(t40, "Tenseur inertie (kg.m2) Ini :\n"), 30);
    EXPECT_EQ(count(t40, "temps = "), count(t40, "Nlle situation :  \n"));
    EXPECT_EQ(count(t40, "Matrice Energie cinetique"), 0);

    std::string t80 = trace_of(80);
    int solves = count(t80, "Matrice Energie cinetique\n");
    EXPECT_EQ(solves, 1);
    EXPECT_EQ(count(t80, "Roues/Roues\n"), solves);
    EXPECT_EQ(count(t80, "Translation/Rotation\n"), solves);
    EXPECT_EQ(count(t80, "Determinant = "), solves);
    EXPECT_EQ(count(t80, "Second membre\n"), solves);
    EXPECT_EQ(count(t80, "PARAMETRES VARIABLES"), 0);

    std::string t100 = trace_of(100);
    // the period's first configuration and the one after its sub-step
    EXPECT_EQ(count(t100, "PARAMETRES VARIABLES DEPENDANTS DE LA CONFIGURATION\n"), 2);
    EXPECT_EQ(count(t100, "Matrice Orientation contact roue : Cap :\n"), 12);
    EXPECT_EQ(count(t100, "     position Cdg axe Traverse (m) OjGi : \n"), 60);
    EXPECT_EQ(count(t100, "     position Cdg axe Roue (m) OjGi : \n"), 12);
}
