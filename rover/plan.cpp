#include "rover/plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rover/gardesol.h"
#include "rover/piloting.h"
#include "terrain/mnt.h"

const char* const nomCommandePlan[NB_TYPES_PLAN] = {"arc", "droit", "cap", "point"};
const char* const nomStatutPlan[NB_STATUTS] = {"en_cours", "ok", "arrete", "delai",
                                               "non_execute"};

namespace {

const double DegParRad = 57.29577951308232;
const double RadParDeg = 0.017453292519943295;
const double NaN = std::numeric_limits<double>::quiet_NaN();

// a length command is met within this much odometry, m
const double ResteLongueur = 1e-4;
// a heading is met within this angle, rad
const double ToleranceCap = 1.0 * RadParDeg;

thread_local char message[256];

// angle brought into (-pi, pi]
double ramene(double a)
{
    a = std::fmod(a, 2.0 * M_PI);
    if (a > M_PI)
        a -= 2.0 * M_PI;
    else if (a <= -M_PI)
        a += 2.0 * M_PI;
    return a;
}

// the centre of the middle axle: the point that follows the arc in the
// kinematic step, a steering offset behind the body origin
void centre_milieu(const ConfRover* cr, double out[3])
{
    const double p[3] = {0.0, -cr->ySteering, 0.0};
    frame_apply(out, cr->caisse, p);
}

double vitesse_de(const EtatPlan* e, const CommandePlan* k)
{
    if (k->vitesse > 0.0)
        return k->vitesse;
    return e->plan.vitesse > 0.0 ? e->plan.vitesse : e->vMax;
}

void commence(EtatPlan* e, const DynRover* rover)
{
    if (e->courante >= e->plan.nbCommandes)
        return;
    ResultatCommande* r = &e->resultats[e->courante];
    r->statut = StatutEnCours;
    r->tDebut = rover->conf.temps;
    r->energie0 = e->energie;
    r->energie = 0.0;
    e->tDebut = rover->conf.temps;
    e->odoCommande = 0.0;
}

void termine(EtatPlan* e, const DynRover* rover, int statut)
{
    ResultatCommande* r = &e->resultats[e->courante];
    const ConfRover* cr = &rover->conf;
    r->statut = statut;
    r->tFin = cr->temps;
    r->x = cr->pos[0];
    r->y = cr->pos[1];
    r->cap = cr->att[ATT_AZIMUT] * DegParRad;
}

} // namespace

// ---- construction --------------------------------------------------------------

const char* plan_verifie(const Plan* plan, const DynRover* rover, const Mnt* mnt)
{
    const double vMax = rover->vmax, rMin = rover->cmax > 0.0 ? 1.0 / rover->cmax : 0.0;
    if (plan->vitesse > vMax * (1.0 + 1e-12)) {
        std::snprintf(message, sizeof message,
                      "pilotage.plan.vitesse : vitesse de 0 a %g m/s (vMax) attendue, pas %g", vMax,
                      plan->vitesse);
        return message;
    }
    const bool grille = mnt && mnt->h && mnt->nx >= 2 && mnt->ny >= 2;
    for (int i = 0; i < plan->nbCommandes; ++i) {
        const CommandePlan* k = &plan->commandes[i];
        // a rover that cannot move or turn would never end the command
        const double v = k->vitesse > 0.0 ? k->vitesse : plan->vitesse > 0.0 ? plan->vitesse : vMax;
        if (!(v > 0.0)) {
            std::snprintf(message, sizeof message,
                          "pilotage.plan.vitesse : vitesse positive attendue, la donnee vMax est %g",
                          vMax);
            return message;
        }
        if ((k->type == PlanCap || k->type == PlanPoint) && !(rover->cmax > 0.0)) {
            std::snprintf(message, sizeof message,
                          "pilotage.plan.commandes[%d].%s : la donnee cMax (%g) ne permet pas de "
                          "tourner",
                          i, nomCommandePlan[k->type], rover->cmax);
            return message;
        }
        if (k->vitesse > vMax * (1.0 + 1e-12)) {
            std::snprintf(message, sizeof message,
                          "pilotage.plan.commandes[%d].vitesse : vitesse de 0 a %g m/s (vMax) "
                          "attendue, pas %g",
                          i, vMax, k->vitesse);
            return message;
        }
        if (k->type == PlanArc && std::fabs(k->rayon) < rMin * (1.0 - 1e-9)) {
            std::snprintf(message, sizeof message,
                          "pilotage.plan.commandes[%d].arc.rayon : rayon d'au moins %.4g m "
                          "(1/cMax) attendu, pas %g",
                          i, rMin, k->rayon);
            return message;
        }
        if (k->type == PlanPoint && grille &&
            !(k->x >= mnt->Xmin && k->x <= mnt->Xmax && k->y >= mnt->Ymin && k->y <= mnt->Ymax)) {
            std::snprintf(message, sizeof message,
                          "pilotage.plan.commandes[%d].point : point sur le terrain [%g, %g] x "
                          "[%g, %g] attendu, pas (%g, %g)",
                          i, mnt->Xmin, mnt->Xmax, mnt->Ymin, mnt->Ymax, k->x, k->y);
            return message;
        }
    }
    return nullptr;
}

double plan_duree_max(const Plan* plan, const DynRover* rover)
{
    double t = 0.0;
    for (int i = 0; i < plan->nbCommandes; ++i) {
        const CommandePlan* k = &plan->commandes[i];
        const double v = k->vitesse > 0.0 ? k->vitesse : plan->vitesse > 0.0 ? plan->vitesse : rover->vmax;
        if (k->type == PlanPoint)
            t += k->delai > 0.0 ? k->delai : 600.0;
        else if (k->type == PlanCap)
            t += 2.0 * M_PI / (rover->cmax * v);
        else
            t += std::fabs(k->longueur) / v;
    }
    return std::isfinite(t) ? 3.0 * t + 60.0 : 1.0e6;
}

int plan_nouveau(EtatPlan* e, const Plan* plan, const DynRover* rover, const Telemetry* tel,
                 int verifier)
{
    *e = EtatPlan{};
    e->plan = *plan;
    const int n = plan->nbCommandes;
    e->resultats = static_cast<ResultatCommande*>(std::calloc(n > 0 ? n : 1, sizeof(ResultatCommande)));
    if (!e->resultats)
        return -1;
    for (int i = 0; i < n; ++i) {
        ResultatCommande* r = &e->resultats[i];
        r->statut = StatutNonExecute;
        r->tDebut = r->tFin = r->x = r->y = r->cap = NaN;
        r->inclinaisonMax = r->margeMin = r->gardeSolMin = r->enfoncementMax = NaN;
    }
    e->verifier = verifier;
    e->vMax = rover->vmax;
    e->cMax = rover->cmax;
    const ConfRover* cr = &rover->conf;
    for (int c = 0; c < NB_CHAINES; ++c) {
        e->roue[c] = cr->q[Q_ROUE + c];
        e->fac[c] = 1.0;
    }
    centre_milieu(cr, e->milieu);
    e->energie = tel && std::isfinite(tel->energy) ? tel->energy : 0.0;
    e->statut = n > 0 ? StatutEnCours : StatutOk;
    commence(e, rover);
    return 0;
}

void plan_reprend(EtatPlan* e, const DynRover* rover, const Telemetry* tel, double attente)
{
    const ConfRover* cr = &rover->conf;
    for (int c = 0; c < NB_CHAINES; ++c)
        e->roue[c] = cr->q[Q_ROUE + c];
    centre_milieu(cr, e->milieu);
    if (tel && std::isfinite(tel->energy)) {
        if (e->courante < e->plan.nbCommandes)
            e->resultats[e->courante].energie0 += tel->energy - e->energie;
        e->energie = tel->energy;
    }
    if (attente > 0.0)
        e->tDebut += attente;
}

void plan_libere(EtatPlan* e)
{
    std::free(e->resultats);
    e->resultats = nullptr;
}

// ---- one tick ------------------------------------------------------------------

int plan_consigne(EtatPlan* e, const DynRover* rover, double dt, double* vDes, double* cDes)
{
    const ConfRover* cr = &rover->conf;
    *vDes = 0.0;
    *cDes = e->cDes;
    while (e->statut == StatutEnCours) {
        const CommandePlan* k = &e->plan.commandes[e->courante];
        const double v = vitesse_de(e, k);
        bool fait = false;
        double vd = 0.0, cd = 0.0;
        switch (k->type) {
        case PlanArc:
        case PlanDroit: {
            // the last tick is shortened to end on the length
            const double sens = k->longueur < 0.0 ? -1.0 : 1.0;
            const double reste = std::fabs(k->longueur) - sens * e->odoCommande;
            fait = reste <= ResteLongueur;
            vd = sens * std::min(v, reste / dt);
            cd = k->type == PlanArc ? 1.0 / k->rayon : 0.0;
            break;
        }
        case PlanCap: {
            // the tightest arc on the shorter side, slowed on the last tick
            const double ecart = ramene(k->cap * RadParDeg - cr->att[ATT_AZIMUT]);
            fait = std::fabs(ecart) <= ToleranceCap;
            cd = std::copysign(e->cMax, ecart);
            vd = std::min(v, std::fabs(ecart) / (e->cMax * dt));
            break;
        }
        case PlanPoint: {
            // pursuit of the waypoint: the arc through it tangent to the
            // heading, 2 sin(bearing) / distance, bounded by cMax
            const double dX = k->x - cr->pos[0], dY = k->y - cr->pos[1];
            const double d = std::hypot(dX, dY);
            fait = d <= k->tolerance;
            const double ecart = ramene(std::atan2(-dX, dY) - cr->att[ATT_AZIMUT]);
            const double c = std::fabs(ecart) >= 0.5 * M_PI ? std::copysign(e->cMax, ecart)
                                                            : 2.0 * std::sin(ecart) / d;
            cd = std::max(-e->cMax, std::min(e->cMax, c));
            vd = v;
            break;
        }
        default:
            fait = true;
        }
        if (!fait) {
            // the factors of a curvature held (arcs, headings) are kept; they
            // start as those of a straight line, all 1
            if (cd != e->cDes) {
                double delta[NB_CHAINES];
                ackermann(cr, cd, delta);
                wheel_factors(cr, cd, delta, e->fac);
            }
            e->vDes = *vDes = vd;
            e->cDes = *cDes = cd;
            return 1;
        }
        termine(e, rover, StatutOk);
        ++e->courante;
        if (e->courante >= e->plan.nbCommandes)
            e->statut = StatutOk;
        else
            commence(e, rover);
    }
    e->vDes = 0.0;
    return 0;
}

const char* plan_controle(EtatPlan* e, const DynRover* rover, const Mnt* mnt,
                          const Telemetry* tel)
{
    if (e->statut != StatutEnCours)
        return nullptr;
    const ConfRover* cr = &rover->conf;
    ResultatCommande* r = &e->resultats[e->courante];

    // odometry: each wheel's rim travel over its factor on the turn
    double odo = 0.0;
    int n = 0;
    for (int c = 0; c < NB_CHAINES; ++c) {
        const double rim = -(cr->q[Q_ROUE + c] - e->roue[c]) * cr->rayonRoue;
        e->roue[c] = cr->q[Q_ROUE + c];
        if (std::fabs(e->fac[c]) > 0.05) {
            odo += rim / e->fac[c];
            ++n;
        }
    }
    odo = n ? odo / n : 0.0;
    double m[3];
    centre_milieu(cr, m);
    // the kinematic step advances the middle axle horizontally by the
    // odometry; the dynamics roll it along the ground: the horizontal path
    // over the cosine of the body's pitch (the vertical motion itself would
    // count the settling and the body's rocking as distance)
    double dist = std::hypot(m[0] - e->milieu[0], m[1] - e->milieu[1]);
    if (tel && tel->dynamic)
        dist /= std::max(0.1, std::cos(cr->att[ATT_SITE]));
    for (int k = 0; k < 3; ++k)
        e->milieu[k] = m[k];
    e->odoCommande += odo;
    e->odometrie += std::fabs(odo);
    e->distance += dist;
    e->fenetreOdo += std::fabs(odo);
    e->fenetreDist += dist;
    r->odometrie += std::fabs(odo);
    r->distance += dist;

    // the tick's measures and the command's extremes
    const double incl = plan_inclinaison(cr);
    const double marge = tel ? tel->tipMargin * DegParRad : NaN;
    const double garde = garde_sol(cr, mnt);
    double enf = NaN;
    if (tel && tel->dynamic)
        for (int c = 0; c < NB_CHAINES; ++c)
            if (!(tel->wheel[c].sinkage <= enf))
                enf = tel->wheel[c].sinkage;
    if (!(incl <= r->inclinaisonMax))
        r->inclinaisonMax = incl;
    if (!(marge >= r->margeMin))
        r->margeMin = marge;
    if (std::isfinite(garde) && !(garde >= r->gardeSolMin))
        r->gardeSolMin = garde;
    if (!(enf <= r->enfoncementMax))
        r->enfoncementMax = enf;
    if (tel && std::isfinite(tel->energy)) {
        e->energie = tel->energy;
        r->energie = tel->energy - r->energie0;
    }
    r->x = cr->pos[0];
    r->y = cr->pos[1];
    r->cap = cr->att[ATT_AZIMUT] * DegParRad;
    r->tFin = cr->temps;

    if (!e->verifier)
        return nullptr;
    const LimitesPlan& L = e->plan.limites;
    char raison[160];
    raison[0] = '\0';
    // off the grid the height query answers the edge's height: no ground
    // under the wheel (the kinematic step goes on regardless)
    if (mnt && mnt->h && mnt->nx >= 2 && mnt->ny >= 2)
        for (int c = 0; c < NB_CHAINES && !raison[0]; ++c) {
            const double* P = cr->contact[c];
            if (!(P[0] >= mnt->Xmin && P[0] <= mnt->Xmax && P[1] >= mnt->Ymin && P[1] <= mnt->Ymax))
                std::snprintf(raison, sizeof raison, "roue %s hors du terrain", nomChaine[c]);
        }
    for (int z = 0; z < e->plan.nbZones && !raison[0]; ++z) {
        const ZoneInterdite& Z = e->plan.zones[z];
        for (int c = 0; c < NB_CHAINES; ++c)
            if (std::hypot(cr->contact[c][0] - Z.x, cr->contact[c][1] - Z.y) < Z.rayon) {
                std::snprintf(raison, sizeof raison,
                              "roue %s dans la zone interdite %d (centre (%g, %g), rayon %g m)",
                              nomChaine[c], z + 1, Z.x, Z.y, Z.rayon);
                break;
            }
    }
    if (!raison[0] && incl > L.inclinaison)
        std::snprintf(raison, sizeof raison, "inclinaison %.2f degres, limite %g degres", incl,
                      L.inclinaison);
    if (!raison[0] && marge < L.marge)
        std::snprintf(raison, sizeof raison, "marge %.2f degres, limite %g degres", marge, L.marge);
    if (!raison[0] && garde < L.gardeSol)
        std::snprintf(raison, sizeof raison, "garde_sol %.3f m, limite %g m", garde, L.gardeSol);
    if (!raison[0] && enf > L.enfoncement)
        std::snprintf(raison, sizeof raison, "enfoncement %.3f m, limite %g m", enf, L.enfoncement);
    if (!raison[0] && std::isfinite(L.glissement) && e->fenetreOdo >= L.controleGlissement) {
        const double g = 1.0 - e->fenetreDist / e->fenetreOdo;
        if (g > L.glissement)
            std::snprintf(raison, sizeof raison,
                          "glissement %.3f sur les derniers %.2f m d'odometrie, limite %g", g,
                          e->fenetreOdo, L.glissement);
        e->fenetreOdo = e->fenetreDist = 0.0;
    }
    if (raison[0])
        return plan_arrete(e, rover, StatutArrete, raison);
    const CommandePlan* k = &e->plan.commandes[e->courante];
    if (k->type == PlanPoint && k->delai > 0.0 && cr->temps - e->tDebut >= k->delai - 1e-9) {
        std::snprintf(raison, sizeof raison, "point (%g, %g) non atteint en %g s, a %.2f m", k->x,
                      k->y, k->delai, std::hypot(k->x - cr->pos[0], k->y - cr->pos[1]));
        return plan_arrete(e, rover, StatutDelai, raison);
    }
    return nullptr;
}

const char* plan_arrete(EtatPlan* e, const DynRover* rover, int statut, const char* raison)
{
    const ConfRover* cr = &rover->conf;
    // the step's messages end with a newline
    char motif[160];
    std::snprintf(motif, sizeof motif, "%s", raison);
    for (size_t n = std::strlen(motif); n > 0 && (motif[n - 1] == '\n' || motif[n - 1] == ' '); --n)
        motif[n - 1] = '\0';
    raison = motif;
    if (e->statut == StatutEnCours) {
        termine(e, rover, statut);
        e->statut = statut;
    }
    if (e->courante < e->plan.nbCommandes)
        std::snprintf(e->message, sizeof e->message,
                      "arret, commande %d (%s) : %s ; t = %.2f s, position (%.3f, %.3f)",
                      e->courante + 1, nomCommandePlan[e->plan.commandes[e->courante].type], raison,
                      cr->temps, cr->pos[0], cr->pos[1]);
    else
        std::snprintf(e->message, sizeof e->message, "arret : %s ; t = %.2f s, position (%.3f, %.3f)",
                      raison, cr->temps, cr->pos[0], cr->pos[1]);
    return e->message;
}

// ---- queries -------------------------------------------------------------------

double plan_inclinaison(const ConfRover* cr)
{
    // the body's up axis Rz Ry Rx (0, 0, 1) has the vertical component
    // cos(gite) cos(site)
    const double c = std::cos(cr->att[ATT_GITE]) * std::cos(cr->att[ATT_SITE]);
    return std::acos(std::max(-1.0, std::min(1.0, c))) * DegParRad;
}
