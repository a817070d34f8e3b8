// Piloting: Ackermann steering, kinematic step, wheel speed controllers,
// variable-step integration of the equations of motion, wheel tracks.
#include "rover/piloting.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "rover/dynamics.h"
#include "terrain/mnt.h"

namespace {

thread_local char message[160];

const char* set_message(const char* text)
{
    std::snprintf(message, sizeof message, "%s", text);
    return message;
}

// a period that needs more sub-steps than this is stuck (a limit or a
// stiffness that leaves no room to move), not slow
const long MaxSousPasParPeriode = 200000;

// wheel speed controllers: one state per rover (DynRover::regul), reset when
// a run starts.
// They are defined in time, whatever the display period: a closed-loop time
// constant, an integral time over the integral of the error in time, and a
// sampling interval of at most PeriodeRegulation (a longer period is cut into
// equal slices, each with its own controller update). The values are the
// response the controllers always had at the 40 ms default period
const double PeriodeRegulation = 0.04;  // s, longest interval between updates
const double TempsReponse = 0.2;        // s, closed-loop time constant
const double TempsIntegral = 0.032;     // s, integral time

} // namespace

// the factors of the wheel rates on the turn: 1 -+ g for the outer/inner
// side, divided by the cosine of the steering angle for the steered wheels
void wheel_factors(const ConfRover* cr, double cDes, const double delta[NB_CHAINES],
                   double fac[NB_CHAINES])
{
    double g = cDes * cr->demiVoie;
    for (int c = 0; c < NB_CHAINES; ++c) {
        double side = (c % 2 == 0) ? 1.0 - g : 1.0 + g;
        fac[c] = (c == MILIEU_G || c == MILIEU_D) ? side : side / std::cos(delta[c]);
    }
}

namespace {

// what ends a drive: a wheel's contact point off the terrain's grid (the
// height query would answer the edge's height and tilt there, and the rover
// would sink and slide on, or float, without ground under it), or the rover
// overturned (the body's up axis pointing down, or the body origin under the
// ground); the kinematic step, whose placement keeps the rover upright, only
// asks for the first. Each is said once when it happens, whatever the other
// does: a caller told to go on is not told again until the rover has been
// back on the terrain, or upright
enum { HorsTerrain = 1, Renverse = 2 };

const char* situation(ConfRover* cr, const Mnt* mnt, bool renversement)
{
    int now = 0;
    if (mnt && mnt->h && mnt->nx >= 2 && mnt->ny >= 2)
        for (int c = 0; c < NB_CHAINES && !now; ++c) {
            const double* P = cr->contact[c];
            if (!(P[0] >= mnt->Xmin && P[0] <= mnt->Xmax && P[1] >= mnt->Ymin &&
                  P[1] <= mnt->Ymax))
                now = HorsTerrain;
        }
    // off the grid the ground's height is the edge's, not a ground to be
    // under: only the body's up axis tells an overturn there
    if (renversement) {
        const double* Rb = frame_rot(cr->caisse);
        double sol = mnt ? hauteur_mnt(mnt, cr->pos[0], cr->pos[1], nullptr) : 0.0;
        if (Rb[8] < 0.0 || (!(now & HorsTerrain) && cr->pos[2] < sol))
            now |= Renverse;
    }
    // what is no longer true may be said again; of what has just become true,
    // leaving the terrain is said first, the other on the next call
    cr->situationSignalee &= now;
    const int nouveau = now & ~cr->situationSignalee;
    if (nouveau & HorsTerrain) {
        cr->situationSignalee |= HorsTerrain;
        return set_message("Rover hors du terrain\n");
    }
    if (nouveau & Renverse) {
        cr->situationSignalee |= Renverse;
        return set_message("Rover renverse\n");
    }
    return nullptr;
}

bool finite_state(const double acc[NB_DDL])
{
    for (int k = 0; k < NB_DDL; ++k)
        if (!std::isfinite(acc[k]))
            return false;
    return true;
}

void regulate(DynRover* rover, const double fac[NB_CHAINES], double P, double hs);
const char* integrate(DynRover* rover, double dt, const Mnt* mnt);
void end_of_period_line(DynRover* rover);

} // namespace

// ---- steering ----------------------------------------------------------------

void ackermann(const ConfRover* cr, double cDes, double delta[NB_CHAINES])
{
    double g = cDes * cr->demiVoie;
    double a = cr->ySteering, b = cr->yTravArr;
    delta[AVANT_G] = std::atan2(cDes * 2.0 * a, 1.0 - g);
    delta[AVANT_D] = std::atan2(cDes * 2.0 * a, 1.0 + g);
    delta[MILIEU_G] = 0.0;
    delta[MILIEU_D] = 0.0;
    delta[ARRIERE_G] = -std::atan2(cDes * (b - a), 1.0 - g);
    delta[ARRIERE_D] = -std::atan2(cDes * (b - a), 1.0 + g);
    for (int c = 0; c < NB_CHAINES; ++c) {
        double lo = cr->butMin[Q_STEERING + c], hi = cr->butMax[Q_STEERING + c];
        if (delta[c] > hi)
            delta[c] = hi;
        if (delta[c] < lo)
            delta[c] = lo;
    }
}

// ---- kinematic step ----------------------------------------------------------

const char* kin_step(ConfRover* cr, const Mnt* mnt, double cDes, double vDes, double dt)
{
    double delta[NB_CHAINES], fac[NB_CHAINES];
    ackermann(cr, cDes, delta);
    for (int c = 0; c < NB_CHAINES; ++c)
        cr->q[Q_STEERING + c] = delta[c];

    // forward motion is a negative rotation of the wheels about x
    double ds = vDes * dt;
    double o = ds / cr->rayonRoue;
    wheel_factors(cr, cDes, delta, fac);
    for (int c = 0; c < NB_CHAINES; ++c)
        cr->q[Q_ROUE + c] -= fac[c] * o;

    // the middle-axle centre moves by ds along the circle of radius 1/cDes;
    // (C, A) is the body origin's displacement in body axes
    double B = cDes * ds;
    double a = cr->ySteering;
    double C, A;
    if (cDes != 0.0) {
        double f = 1.0 / cDes;
        double H = std::copysign(std::sqrt(f * f + a * a), f);
        double beta = std::atan(cDes * a);
        A = H * std::sin(beta + B) - a;
        C = H * std::cos(beta + B) - f;
    } else {
        C = 0.0;
        A = ds;
    }
    double psi = cr->att[ATT_AZIMUT];
    cr->pos[0] += std::cos(psi) * C - std::sin(psi) * A;
    cr->pos[1] += std::sin(psi) * C + std::cos(psi) * A;
    cr->att[ATT_AZIMUT] += B;

    const char* msg = place_on_ground(cr, mnt);
    track_wheels(cr, ds);
    if (!msg)
        msg = situation(cr, mnt, false);
    return msg;
}

// ---- dynamic step ------------------------------------------------------------

const char* dyn_step(DynRover* rover, const Mnt* mnt, double cDes, double vDes, double dt)
{
    ConfRover* cr = &rover->conf;
    double delta[NB_CHAINES], fac[NB_CHAINES];
    ackermann(cr, cDes, delta);
    if (!(dt > 0.0)) {
        // no period to integrate over: only the steering follows the command
        for (int c = 0; c < NB_CHAINES; ++c)
            cr->q[Q_STEERING + c] = delta[c];
        return nullptr;
    }

    // the steering joints are driven: they reach the Ackermann angles at the
    // end of the period at a constant rate; a new rate means new velocity
    // terms, so the period starts with a fresh configuration
    for (int c = 0; c < NB_CHAINES; ++c) {
        double rate = (delta[c] - cr->q[Q_STEERING + c]) / dt;
        if (rate != rover->qd[Q_STEERING + c]) {
            rover->qd[Q_STEERING + c] = rate;
            rover->flagPeriode = 0;
        }
        rover->qdd[Q_STEERING + c] = 0.0;
    }

    // wheel speed controllers, tuned on the wheel joint: reflected motor
    // inertia, the wheel's own inertia about its axis and a sixth of the
    // rover's mass at the rim
    double r = cr->rayonRoue;
    double P = -vDes / r;
    wheel_factors(cr, cDes, delta, fac);
    if (cr->temps < 0.5 * dt)
        std::memset(&rover->regul, 0, sizeof rover->regul);
    int slices = (int)std::ceil(dt / PeriodeRegulation - 1e-9);
    if (slices < 1)
        slices = 1;
    const double hs = dt / slices;

    double x0 = cr->pos[0], y0 = cr->pos[1];
    const char* msg = nullptr;
    for (int s = 0; s < slices && !msg; ++s) {
        regulate(rover, fac, P, hs);
        msg = integrate(rover, hs, mnt);
    }
    if (!msg) {
        for (int c = 0; c < NB_CHAINES; ++c)
            cr->q[Q_STEERING + c] = delta[c];  // exact, without round-off
        end_of_period_line(rover);
    }
    track_wheels(cr, std::hypot(cr->pos[0] - x0, cr->pos[1] - y0));
    return msg;
}

// ---- integration -------------------------------------------------------------

namespace {

// one slice of the speed controllers, hs seconds long: torque commands for
// the commanded rates fac * P from the measured wheel rates
void regulate(DynRover* rover, const double fac[NB_CHAINES], double P, double hs)
{
    const ConfRover* cr = &rover->conf;
    double r = cr->rayonRoue;
    for (int c = 0; c < NB_CHAINES; ++c) {
        double N = rover->N[c][J_ROUE];
        double J = N * N * rover->Jm[c][J_ROUE] + rover->Ini[c][J_ROUE][0] +
                   r * r * rover->mtot / 6.0;
        double K = J / TempsReponse;
        double Smax = TempsIntegral * N * rover->Cmax[c] / K;
        double cons = fac[c] * P;
        double mes = rover->qd[Q_ROUE + c];
        double e = cons - mes;
        // integrate only while the error is not already closing fast enough
        if (e * e / TempsReponse >
            e * ((cons + mes) - (rover->regul.prevCons[c] + rover->regul.prevMes[c])) / hs) {
            rover->regul.integ[c] += e * hs;
            if (rover->regul.integ[c] > Smax)
                rover->regul.integ[c] = Smax;
            if (rover->regul.integ[c] < -Smax)
                rover->regul.integ[c] = -Smax;
        }
        rover->cmdRoue[c] = K * (e + rover->regul.integ[c] / TempsIntegral) / N;
        rover->regul.prevCons[c] = cons;
        rover->regul.prevMes[c] = mes;
    }
}

void end_of_period_line(DynRover* rover)
{
    FILE* f = rover->fresults;
    if (f && rover->verbose > 9)
        ecrit_ligne_conf(f, &rover->conf);
}

// dyn_integrate without its end-of-period line
const char* integrate(DynRover* rover, double dt, const Mnt* mnt)
{
    ConfRover* cr = &rover->conf;
    for (int c = 0; c < NB_CHAINES; ++c) {
        if (rover->cmdRoue[c] > rover->Cmax[c])
            rover->cmdRoue[c] = rover->Cmax[c];
        if (rover->cmdRoue[c] < -rover->Cmax[c])
            rover->cmdRoue[c] = -rover->Cmax[c];
    }
    if (!rover->flagPeriode) {
        rover->flagPeriode = 1;
        if (const char* msg = dyn_configuration(rover, mnt))
            return msg;
        if (const char* msg = situation(cr, mnt, true))
            return msg;
    }

    // the 15 generalised velocities live in vit[0..5] and qd[0..8]
    double* v[NB_DDL];
    for (int k = 0; k < 6; ++k)
        v[k] = &rover->vit[k];
    for (int k = 0; k < 9; ++k)
        v[6 + k] = &rover->qd[k];

    double trem = dt;
    long count = 0;
    while (trem > 0.0) {
        double vs[NB_DDL], a[NB_DDL];
        for (int k = 0; k < NB_DDL; ++k)
            vs[k] = *v[k];
        // the contact dampers are taken over the coming sub-step, which may
        // at most double the last one
        double hg = trem;
        if (rover->hImplicite > 0.0 && 2.0 * rover->hImplicite < hg)
            hg = 2.0 * rover->hImplicite;
        rover->hImplicite = hg;
        if (dyn_solve(rover, a) == 0.0)
            return set_message("Echec inversion dynamique par Choleski\n");
        if (!finite_state(a))
            return set_message("Accelerations non finies : etat dynamique abandonne\n");
        if (++count > MaxSousPasParPeriode) {
            std::snprintf(message, sizeof message,
                          "Integration bloquee : plus de %ld sous-pas dans la periode\n",
                          MaxSousPasParPeriode);
            return message;
        }

        // the sub-step: no coordinate may change its velocity by more than
        // dVmax or its position by more than dXmax (a limit of 0 bounds nothing)
        double h = hg;
        for (int m = 0; m < NB_DDL; ++m) {
            if (rover->dVmax[m] > 0.0 && a[m] != 0.0)
                h = std::fmin(h, std::fabs(rover->dVmax[m] / a[m]));
            if (rover->dXmax[m] > 0.0 && vs[m] != 0.0)
                h = std::fmin(h, std::fabs(rover->dXmax[m] / vs[m]));
        }

        rover->hImplicite = h;
        cr->temps += h;
        double vm[NB_DDL];
        for (int k = 0; k < NB_DDL; ++k)
            *v[k] = vs[k] + h * a[k];
        // a wheel held by its friction stays at rest; one that its friction
        // brings through zero stops there instead of turning back
        for (int c = 0; c < NB_CHAINES; ++c) {
            double* w = v[9 + c];
            if (rover->bloque[c] || (vs[9 + c] * *w < 0.0 && rover->fsec[c][J_ROUE] > 0.0))
                *w = 0.0;
        }
        for (int k = 0; k < NB_DDL; ++k)
            vm[k] = 0.5 * (vs[k] + *v[k]);
        for (int k = 0; k < 3; ++k)
            rover->qdd[Q_TRAV + k] = a[6 + k];
        for (int c = 0; c < NB_CHAINES; ++c)
            rover->qdd[Q_ROUE + c] = a[9 + c];

        // tangential contact displacement, while the wheel grips
        for (int c = 0; c < NB_CHAINES; ++c) {
            double* d = rover->dtan[c];
            if (rover->horsSol[c]) {
                d[0] = 0.0;
                d[1] = 0.0;
            } else {
                double mu = rover->marge[c];
                d[0] += h * mu * rover->vContact[c][0];
                d[1] += h * mu * rover->vContact[c][1];
            }
        }

        // positions by the mean velocity; the attitude from the mean body
        // angular velocity (body axes) through the rates of Rz Ry Rx
        for (int k = 0; k < 3; ++k)
            cr->pos[k] += h * vm[k];
        double ss = std::sin(cr->att[ATT_SITE]), cs = std::cos(cr->att[ATT_SITE]);
        double sg = std::sin(cr->att[ATT_GITE]), cg = std::cos(cr->att[ATT_GITE]);
        double azd = (ss * vm[4] + cs * vm[5]) / cg;
        double gid = cs * vm[4] - ss * vm[5];
        double sid = vm[3] + azd * sg;
        cr->att[ATT_SITE] += h * sid;
        cr->att[ATT_GITE] += h * gid;
        cr->att[ATT_AZIMUT] += h * azd;
        for (int k = 0; k < 9; ++k)
            cr->q[k] += h * vm[6 + k];
        for (int c = 0; c < NB_CHAINES; ++c) {
            cr->q[Q_STEERING + c] += h * rover->qd[Q_STEERING + c];
            cr->q[Q_FOURCHE + c] += h * rover->qd[Q_FOURCHE + c];
        }
        ++rover->sousPas;

        FILE* f = rover->fresults;
        if (f && rover->verbose > 19) {
            double pose[6] = {cr->pos[0], cr->pos[1], cr->pos[2],
                              cr->att[0], cr->att[1], cr->att[2]};
            std::fprintf(f, "temps = %lf\n", cr->temps);
            print_matrix(f, "Nlle situation :  ", pose, 1, 6, 0);
            print_matrix(f, "Nlles configuration : ", cr->q, 1, 9, 0);
        }

        if (const char* msg = dyn_configuration(rover, mnt))
            return msg;
        dyn_joint_torques(rover);
        if (const char* msg = situation(cr, mnt, true))
            return msg;
        trem -= h;
    }
    return nullptr;
}

} // namespace

const char* dyn_integrate(DynRover* rover, double dt, const Mnt* mnt)
{
    const char* msg = integrate(rover, dt, mnt);
    if (!msg)
        end_of_period_line(rover);
    return msg;
}

// ---- tracks and reset --------------------------------------------------------

void track_wheels(ConfRover* cr, double ds)
{
    cr->traceDist += ds;
    double r = cr->rayonRoue;
    long k = (long)std::floor(cr->traceDist * 12.0 / (r * M_PI) + 0.5);
    for (int c = 0; c < NB_CHAINES; ++c) {
        if (cr->traceIndex[c] == k || cr->butee[c])
            continue;
        cr->traceIndex[c] = k;
        if (++cr->tracePos[c] >= NB_TRACE) {
            cr->tracePos[c] = 0;
            cr->tracePlein[c] = 1;
        }
        // centre slightly above the ground; the track spans the wheel axis
        // projected on the ground
        const double* n = cr->normale[c];
        double p[3], a[3], s[3];
        vec_axpy(p, cr->contact[c], 0.03, n);
        vec_copy(a, frame_rot(cr->monde[c][J_ROUE]));  // wheel axis x, terrain
        vec_axpy(s, a, -vec_dot(a, n), n);
        vec_axpy(cr->trace[c][cr->tracePos[c]][0], p, 0.35 * r, s);
        vec_axpy(cr->trace[c][cr->tracePos[c]][1], p, -0.35 * r, s);
    }
}

void dyn_reset(DynRover* rover)
{
    std::memset(rover->vit, 0, sizeof rover->vit);
    std::memset(rover->qd, 0, sizeof rover->qd);
    std::memset(rover->qdd, 0, sizeof rover->qdd);
    for (int c = 0; c < NB_CHAINES; ++c) {
        rover->dtan[c][0] = 0.0;
        rover->dtan[c][1] = 0.0;
    }
    rover->conf.temps = 0.0;
    rover->flagPeriode = 0;
    // the soil filters measure time from the last force evaluation
    rover->tContact = 0.0;
    rover->sousPas = 0;
    rover->hImplicite = 0.0;
    rover->conf.situationSignalee = 0;
    std::memset(rover->filtreMacro, 0, sizeof rover->filtreMacro);
}
