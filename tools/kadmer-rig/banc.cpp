// The single-wheel test rig on the model's contact laws: presets, checks, the
// closed-form static sinkage, and the time runs to a steady point.
#include "banc.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rover/dynrover.h"

namespace {

const double DegToRad = 0.017453292519943295;
const double PasMax = 1e-3;        // longest time step of the rig, s
const double Fenetre = 1.0;        // averaging window of the steady test, s
const double CoteCalme = 1e-4;     // steady: drawbar pull moves less than
                                   // this share of W from one window to the next
const double CoteEnfonce = 1e-5;   // ... and the sinkage less than this share
                                   // of the static sinkage

char message[256];

const char* dit(const char* fmt, double v)
{
    std::snprintf(message, sizeof message, fmt, v);
    return message;
}

// the state of the wheel on the rig
struct Roue {
    double zc;     // height of the hub above the ground, m
    double vz;     // its vertical speed, m/s
    double u;      // hub speed along the travel, m/s
    double w;      // spin rate about +x, rad/s
    double d[3];   // tangential displacement of the visco-elastic contact, m
    double t;      // model time, s
    double t0;     // time of the previous force evaluation, s
    double pas;    // time step, s
    double filtre[4];  // the macro law's filters of this wheel
    double couple; // the classical law's moment about the axle beyond that
                   // of its force at the contact point, last evaluation, N m
};

// the time step: 1 ms, shorter where the wheel's fall over one step in the air
// (g dt^2) would exceed a hundredth of its static sinkage, so that the
// touch-down of a lightly loaded wheel on a stiff soil is resolved
double pasDe(const Banc* banc)
{
    return std::fmin(PasMax, std::sqrt(0.01 * enfoncementStatique(banc) / banc->g));
}

// force of the soil on the wheel (rig frame) at the wheel's state, with the
// vertical speed vz; the macro law's filters advance from t0 to t
void force(const Banc* banc, Roue* s, double vz, double F[3])
{
    const double V[3] = {0.0, s->u + banc->r * s->w, vz};
    const double dz = s->zc - banc->r;
    if (banc->typeSol == SolBancClassique) {
        EntreeClassique e;
        e.dz = dz;
        for (int k = 0; k < 3; ++k) e.V[k] = V[k];
        e.omega = s->w;
        e.r = banc->r;
        e.b = banc->b;
        e.g = banc->g;
        SortieClassique o;
        contact_classique(&o, &banc->zone, &banc->classique, &e);
        for (int k = 0; k < 3; ++k) F[k] = o.F[k];
        s->couple = o.couple;
    } else if (banc->typeSol == SolBancMacro) {
        ZoneSol z = banc->zone;
        z.suivante = nullptr;
        ZonesSol zs = {1, &z};
        EntreeMacroSol e;
        e.dz = dz;
        for (int k = 0; k < 3; ++k) e.V[k] = V[k];
        e.omega = s->w;
        e.P[0] = e.P[1] = e.P[2] = 0.0;
        e.r = banc->r;
        e.b = banc->b;
        e.g = banc->g;
        e.t = s->t;
        e.t0 = s->t0;
        e.trace = nullptr;
        e.filtre = s->filtre;
        contact_macroSol(F, 0, &zs, &e);
    } else {
        const double P[3] = {0.0, 0.0, 0.0};
        const double cap[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        s->d[2] = dz;
        const double marge = contact_dynSol(&banc->visco, F, P, cap, s->d, V);
        // the caller's share of the law: the tangential displacement grows
        // with the grip margin and is forgotten off the ground
        if (F[2] > 0.0) {
            s->d[0] += V[0] * s->pas * marge;
            s->d[1] += V[1] * s->pas * marge;
        } else {
            s->d[0] = s->d[1] = 0.0;
        }
    }
    s->t0 = s->t;
}

// normal force at a given gap and vertical speed, filters left as they are
// (the macro law's filters do not move when no time has passed)
double normale(const Banc* banc, const Roue* s, double zc, double vz)
{
    Roue e = *s;
    e.zc = zc;
    e.t0 = e.t;
    double F[3];
    force(banc, &e, vz, F);
    return F[2];
}

// one step of the rig: forces at t, then the hub's vertical motion by a
// linearised backward Euler step (the normal stiffness and damping taken from
// the law by differences), so that no load is too light for the step; the hub
// speed follows the pull on a carriage of mass mc when tire is set
void pas(const Banc* banc, Roue* s, double pull, bool tire, double mc, double F[3])
{
    const double m = banc->W / banc->g;
    const double Pas = s->pas;
    s->t += Pas;
    force(banc, s, s->vz, F);
    // difference steps: a thousandth of the static sinkage, so that light
    // loads on stiff soils are not stepped out of the ground
    const double hz = std::fmin(1e-7, 1e-3 * enfoncementStatique(banc)), hv = 1e-4;
    const double kz = (normale(banc, s, s->zc - hz, s->vz) - normale(banc, s, s->zc + hz, s->vz)) / (2 * hz);
    const double cz = (normale(banc, s, s->zc, s->vz - hv) - normale(banc, s, s->zc, s->vz + hv)) / (2 * hv);
    const double k = kz > 0.0 ? kz : 0.0, c = cz > 0.0 ? cz : 0.0;
    const double dv = Pas * (F[2] - banc->W - Pas * k * s->vz) / (m + Pas * c + Pas * Pas * k);
    s->vz += dv;
    s->zc += Pas * s->vz;
    if (tire) s->u += Pas * (F[1] - pull) / mc;
}

// runs the wheel to steady state, or to tMax; the point's force and sinkage
// are the means over the last window
void regime(const Banc* banc, Roue* s, double pull, bool tire, double mc, PointBanc* out)
{
    const double zs = enfoncementStatique(banc);
    const long parFenetre = static_cast<long>(Fenetre / s->pas + 0.5);
    const long fenetres = static_cast<long>(banc->tMax / Fenetre) + 1;
    double Fy0 = 0.0, z0 = 0.0, u0 = 0.0;
    out->regime = 0;
    for (long f = 0; f < fenetres; ++f) {
        double Fy = 0.0, z = 0.0, u = 0.0, M = 0.0;
        for (long k = 0; k < parFenetre; ++k) {
            double F[3];
            pas(banc, s, pull, tire, mc, F);
            if (!std::isfinite(F[0] + F[1] + F[2]) || !std::isfinite(s->zc + s->u)) {
                out->regime = -1;
                out->DP = out->T = out->sinkage = NAN;
                out->t = s->t;
                return;
            }
            Fy += F[1];
            M += s->couple;
            z += banc->r - s->zc;
            u += s->u;
            if (tire && s->u <= 0.0) {
                // the wheel no longer moves forward: no steady point there
                out->sinkage = banc->r - s->zc;
                out->DP = F[1];
                out->T = banc->r * F[1];
                if (banc->typeSol == SolBancClassique) out->T += s->couple;
                out->t = s->t;
                out->slip = 1.0;
                return;
            }
        }
        Fy /= parFenetre;
        M /= parFenetre;
        z /= parFenetre;
        u /= parFenetre;
        out->sinkage = z;
        out->DP = Fy;
        // the soil's force acts at the contact point, r below the hub: the
        // torque that holds the spin is r times its longitudinal component,
        // and for the classical law the moment beyond it (the spin is
        // negative about +x, the moment positive against it)
        out->T = banc->r * Fy;
        if (banc->typeSol == SolBancClassique) out->T += M;
        out->t = s->t;
        if (tire) out->slip = 1.0 - u / banc->V0;
        const bool calme = f > 0 && std::fabs(Fy - Fy0) <= CoteCalme * banc->W
                           && std::fabs(z - z0) <= CoteEnfonce * zs
                           && (!tire || std::fabs(u - u0) <= CoteCalme * banc->V0);
        if (calme && s->t >= 3.0 * Fenetre) {
            out->regime = 1;
            return;
        }
        Fy0 = Fy;
        z0 = z;
        u0 = u;
    }
}

// the wheel set down on the surface, the macro law's filters set to the
// wheel's present motion (a first evaluation over a very long time lets the
// first-order filters reach their input)
void depart(const Banc* banc, Roue* s, double u, double w)
{
    std::memset(s, 0, sizeof *s);
    s->pas = pasDe(banc);
    s->zc = banc->r;
    s->u = u;
    s->w = w;
    s->t0 = 0.0;
    s->t = 1e12;
    double F[3];
    force(banc, s, 0.0, F);
    s->t = s->t0 = 0.0;
    s->d[0] = s->d[1] = 0.0;
}

}  // namespace

// ---- construction ----------------------------------------------------------

// n, kc, kphi, c and phi of the sands and the clay as tabulated by Wong
// (Theory of Ground Vehicles) from Bekker's and the Land Locomotion
// Laboratory's measurements; the lunar soil as recommended for roving-vehicle
// design in the Lunar Sourcebook; sources and K in docs/validation.md
const PresetSol presetsSol[] = {
    {"defaut", "Zone par défaut du modèle", 1.0, 6940.0, 505800.0, 1150.0, 28.0, 0.012, 1600.0, 1.0},
    {"sable-sec", "Sable sec (LLL)", 1.1, 990.0, 1528430.0, 1040.0, 28.0, 0.025, 1600.0, 0.0},
    {"sable-lete", "Sable LETE", 0.79, 102000.0, 5301000.0, 1300.0, 31.1, 0.010, 1600.0, 0.0},
    {"argile", "Sol argileux (Thaïlande)", 0.5, 13190.0, 692150.0, 4140.0, 13.0, 0.010, 1800.0, 0.0},
    {"regolithe-lunaire", "Régolithe lunaire", 1.0, 1400.0, 820000.0, 170.0, 35.0, 0.018, 1500.0, 0.0},
};
const int nbPresetsSol = sizeof presetsSol / sizeof presetsSol[0];

const PresetSol* cherchePreset(const char* nom)
{
    for (int k = 0; k < nbPresetsSol; ++k)
        if (std::strcmp(presetsSol[k].nom, nom) == 0) return &presetsSol[k];
    return nullptr;
}

void appliquePreset(Banc* banc, const PresetSol* p)
{
    ZoneSol& z = banc->zone;
    z.c = p->c;
    z.phi = p->phiDeg * DegToRad;
    z.tanPhi = std::tan(z.phi);
    z.kc = p->kc;
    z.kphi = p->kphi;
    z.n = p->n;
    z.rhod = p->rhod;
    z.lbda = p->lbda;
    z.K = p->K;
    banc->typeSol = SolBancMacro;
}

const char* initBanc(Banc* banc, double voie)
{
    std::memset(banc, 0, sizeof *banc);
    DynRover* rover = new_dynRover(voie, 0.0, 0, nullptr, 0, 0, nullptr);
    if (!rover) return dit("rover impossible a construire pour la voie %g m", voie);
    banc->r = rover->conf.rayonRoue;
    banc->b = rover->conf.largeurRoue;
    banc->g = rover->data.g;
    banc->W = rover->mtot * rover->data.g / 6.0;
    banc->V0 = rover->data.vMax;
    std::free(rover);
    banc->tMax = 300.0;

    // the soils the scenario starts with
    init_dynSol(&banc->visco, 30.0 * DegToRad, banc->g);
    ZonesSol zs = {0, nullptr};
    const ZoneSol* z = ajouteZoneDefaut(&zs, 0.0, 0.0, 9999.0);
    if (!z) return "memoire epuisee";
    banc->zone = *z;
    banc->zone.suivante = nullptr;
    libereZones(&zs);
    banc->typeSol = SolBancMacro;
    defauts_classique(&banc->classique);
    return nullptr;
}

// ---- checks ----------------------------------------------------------------

const char* verifieBanc(const Banc* banc)
{
    if (!(banc->W > 0.0) || !std::isfinite(banc->W))
        return dit("charge W = %g N : elle doit etre positive", banc->W);
    if (!(banc->r > 0.0) || !(banc->b > 0.0) || !std::isfinite(banc->r + banc->b))
        return dit("roue de rayon %g m : dimensions de roue invalides", banc->r);
    if (!(banc->g > 0.0) || !std::isfinite(banc->g))
        return dit("gravite g = %g m/s2 : elle doit etre positive", banc->g);
    if (!(banc->V0 > 0.0) || !std::isfinite(banc->V0))
        return dit("vitesse %g m/s : elle doit etre positive", banc->V0);
    if (!(banc->tMax >= 3.0) || !(banc->tMax <= 1e5))
        return dit("duree maximale %g s : elle doit etre comprise entre 3 et 100000 s", banc->tMax);
    if (banc->typeSol == SolBancVisco) {
        const DynSol& v = banc->visco;
        if (!(v.kN > 0.0) || !std::isfinite(v.kN))
            return dit("raideur verticale kN = %g N/m : elle doit etre positive", v.kN);
        if (!(v.fN >= 0.0) || !std::isfinite(v.fN))
            return dit("viscosite verticale fN = %g N/(m/s) : elle ne peut etre negative", v.fN);
        if (!(v.fT >= 0.0) || !std::isfinite(v.fT))
            return dit("viscosite horizontale fT = %g s/m : elle ne peut etre negative", v.fT);
        if (!(v.kT >= 0.0) || !std::isfinite(v.kT))
            return dit("raideur horizontale kT = %g 1/m : elle ne peut etre negative", v.kT);
        if (!(v.tanPhi0 > 0.0) || !std::isfinite(v.tanPhi0))
            return dit("angle du cone de frottement %g degres : il doit etre compris entre 0 et 90",
                       std::atan(v.tanPhi0) / DegToRad);
    } else {
        const ZoneSol& z = banc->zone;
        if (banc->typeSol == SolBancClassique) {
            ZoneSol nommee = z;
            std::snprintf(nommee.nom, sizeof nommee.nom, "sol du banc");
            if (const char* m = verifie_classique(&nommee, &banc->classique)) return m;
        }
        if (!(z.n >= 0.0 && z.n < 3.0))
            return dit("exposant d'enfoncement n = %g : il doit etre compris entre 0 et 3 (3 exclu)", z.n);
        if (!(z.phi >= 0.0 && z.phi < 90.0 * DegToRad))
            return dit("angle de frottement interne %g degres : il doit etre compris entre 0 et 90 "
                       "(90 exclu)", z.phi / DegToRad);
        if (!(z.c >= 0.0) || !std::isfinite(z.c))
            return dit("cohesion c = %g Pa : elle ne peut etre negative", z.c);
        if (!(z.K > 0.0) || !std::isfinite(z.K))
            return dit("module de deformation en cisaillement K = %g m : il doit etre positif", z.K);
        if (!(z.kc >= 0.0) || !(z.kphi >= 0.0) || !std::isfinite(z.kc + z.kphi)
            || !(z.kc / banc->b + z.kphi > 0.0))
            return dit("modules kc et kphi (kc/b + kphi = %g) : ils ne peuvent etre negatifs, ni "
                       "nuls ensemble", z.kc / banc->b + z.kphi);
        if (!(z.rhod >= 0.0) || !std::isfinite(z.rhod))
            return dit("masse volumique %g kg/m3 : elle ne peut etre negative", z.rhod);
        if (!(z.lbda >= 0.0 && z.lbda <= 1.0))
            return dit("rapport d'enfoncement arriere/avant lbda = %g : il doit etre compris entre 0 "
                       "et 1", z.lbda);
    }
    const double zs = enfoncementStatique(banc);
    if (banc->typeSol == SolBancClassique && !std::isfinite(zs))
        return dit("charge W = %g N : kc, kphi et n ne la portent pas sans enfoncer la roue "
                   "au-dela de son axe", banc->W);
    if (!(zs >= 1e-6))
        return dit("enfoncement statique de %g m : moins d'un micrometre, trop peu pour le banc "
                   "(charge trop faible ou sol trop raide)", zs);
    if (!(zs < banc->r))
        return dit("enfoncement statique de %g m : la roue s'enfoncerait au-dela de son rayon "
                   "(charge trop forte ou sol trop mou)", zs);
    return nullptr;
}

const char* verifieGlissement(double i)
{
    if (!(i >= -1.0 && i <= 1.0))
        return dit("glissement %g : il doit etre compris entre -1 et 1", i);
    return nullptr;
}

// ---- closed forms ----------------------------------------------------------

double enfoncementStatique(const Banc* banc)
{
    if (banc->typeSol == SolBancVisco) return banc->W / banc->visco.kN;
    if (banc->typeSol == SolBancClassique)
        return enfoncement_classique(&banc->zone, &banc->classique, banc->r, banc->b, banc->W);
    const ZoneSol& z = banc->zone;
    const double k = z.kc / banc->b + z.kphi;
    const double a = banc->b * k * (3.0 - z.n) * std::sqrt(2.0 * banc->r) / 3.0;
    return std::pow(banc->W / a, 1.0 / (z.n + 0.5));
}

// ---- steady points ---------------------------------------------------------

void pointStatique(const Banc* banc, PointBanc* out)
{
    Roue s;
    depart(banc, &s, 0.0, 0.0);
    out->slip = 0.0;
    regime(banc, &s, 0.0, false, 0.0, out);
}

void pointGlissement(const Banc* banc, double i, PointBanc* out)
{
    // driving: the rim turns at V0 and the hub lags; braking: the hub runs at
    // V0 and the rim lags
    const double V0 = banc->V0, r = banc->r;
    const double u = i >= 0.0 ? (1.0 - i) * V0 : V0;
    const double w = i >= 0.0 ? -V0 / r : -(1.0 + i) * V0 / r;
    Roue s;
    depart(banc, &s, u, w);
    out->slip = i;
    regime(banc, &s, 0.0, false, 0.0, out);
}

void pointTraction(const Banc* banc, double DP, PointBanc* out)
{
    const double V0 = banc->V0, r = banc->r;
    // the carriage's mass: the macro law answers a change of hub speed
    // through a first-order filter of time constant tau = 2 s, so a hub of
    // mass M under the slope G of the force against the slip velocity is a
    // second-order loop M tau s^2 + M s + G; M = 4 tau G damps it critically
    // (the visco-elastic law answers at once and is stable with any mass)
    PointBanc a, b;
    pointGlissement(banc, 0.0, &a);
    pointGlissement(banc, 0.1, &b);
    double G = (b.DP - a.DP) / (0.1 * V0);
    if (!(G > 0.0) || !std::isfinite(G)) G = banc->W / V0;
    const double mc = std::fmax(banc->W / banc->g, 8.0 * G);
    Roue s;
    depart(banc, &s, V0, -V0 / r);
    regime(banc, &s, DP, true, mc, out);
    if (banc->typeSol != SolBancClassique) out->T = r * DP;
    out->DP = DP;
}
