// "Plan de marche": a scenario file's drive plan loaded into the window,
// its planned path and keep-out circles drawn on the terrain, and the plan
// driving the rover tick after tick through the model's executor, in the
// piloting mode of the moment, until it ends, a limit stops it or the driver
// takes the controls back.
#include "app/kadmer.h"

#include "app/modal.h"
#include "app/scenario.h"
#include "rover/confrover.h"
#include "rover/dynamics.h"
#include "rover/piloting.h"
#include "rover/plan.h"
#include "rover/telemetry.h"
#include "scenario/scenariofile.h"
#include "telemetry_view/telemetrywindow.h"

#include <QLabel>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

const double DegToRad = 0.017453292519943295;
// the planned path keeps a point every this much of its length, m
const double PasChemin = 0.05;

QString titrePlan() { return QString::fromUtf8("Plan de marche"); }

}  // namespace

struct PlanFenetre {
    QString nom;
    std::vector<CommandePlan> commandes;
    std::vector<ZoneInterdite> zones;
    Plan def{};
    EtatPlan etat{};
    bool lance = false;      // started: etat is sized
    bool suspendu = false;   // the driver has the controls
    bool fini = false;
    double tSuspendu = 0.0;  // the rover's time when the driver took over, s
    double tConduite = 0.0;  // time driven by the plan, s
    double dureeMax = 0.0;   // its bound, s
    // the plan run kinematically from the start without limits: its path and
    // the end of each command (NaN where it ended none), X, Y pairs
    std::vector<double> chemin, fins;

    ~PlanFenetre() { plan_libere(&etat); }
};

// the plan run kinematically on the terrain from the rover's state, as the
// planned ends of kadmer-sim's report: the same executor, no limit checked
static void cheminPrevu(PlanFenetre* p, const DynRover* rover, const Mnt* mnt, double dt)
{
    std::unique_ptr<DynRover> k(new DynRover(*rover));
    k->fresults = nullptr;
    k->fdata = nullptr;
    std::unique_ptr<Telemetry> tel(new Telemetry());
    telemetry_reset(tel.get(), k.get());
    EtatPlan e{};
    const int n = p->def.nbCommandes;
    p->fins.assign(2 * n, std::numeric_limits<double>::quiet_NaN());
    if (plan_nouveau(&e, &p->def, k.get(), tel.get(), 0) != 0)
        return;
    const double* pos = k->conf.pos;
    p->chemin.assign({pos[0], pos[1]});
    const long ticks = std::lround(plan_duree_max(&p->def, k.get()) / dt);
    for (long t = 0; t < ticks && e.statut == StatutEnCours; ++t) {
        double v, c;
        plan_consigne(&e, k.get(), dt, &v, &c);
        if (e.statut != StatutEnCours)
            break;
        const char* m = kin_step(&k->conf, mnt, c, v, dt);
        k->conf.temps += dt;
        telemetry_tick(tel.get(), k.get(), mnt, 0);
        if (m)
            plan_arrete(&e, k.get(), StatutArrete, m);
        else
            plan_controle(&e, k.get(), mnt, tel.get());
        const size_t z = p->chemin.size();
        if (std::hypot(pos[0] - p->chemin[z - 2], pos[1] - p->chemin[z - 1]) >= PasChemin)
            p->chemin.insert(p->chemin.end(), {pos[0], pos[1]});
    }
    const size_t z = p->chemin.size();
    if (pos[0] != p->chemin[z - 2] || pos[1] != p->chemin[z - 1])
        p->chemin.insert(p->chemin.end(), {pos[0], pos[1]});
    for (int i = 0; i < n; ++i)
        if (e.resultats[i].statut == StatutOk) {
            p->fins[2 * i] = e.resultats[i].x;
            p->fins[2 * i + 1] = e.resultats[i].y;
        }
    plan_libere(&e);
}

void Kadmer::chargePlan()
{
    const QString nom = modal::getOpenFileName(this, titrePlan(), QString(),
                                               QString::fromUtf8("Scénarios (*.json)"));
    if (nom.isEmpty())
        return;
    auto refuse = [&](const QString& raison) {
        modal::warning(this, titrePlan(),
                       QString::fromUtf8("Le plan de %1 n'est pas chargé :\n%2").arg(nom, raison));
    };
    if (mode != ModeLocal) {
        refuse(QString::fromUtf8("la vue rejoue une trajectoire ; revenez d'abord au mode local."));
        return;
    }
    ScenarioFile s;
    const std::string m = litScenario(nom.toLocal8Bit().toStdString(), &s);
    if (!m.empty()) {
        refuse(QString::fromLocal8Bit(m.c_str()));
        return;
    }
    if (!s.aPlan) {
        refuse(QString::fromUtf8("le fichier n'a pas de plan de marche (pilotage.plan)."));
        return;
    }
    std::unique_ptr<PlanFenetre> p(new PlanFenetre);
    p->nom = nom;
    p->commandes = s.planCommandes;
    p->zones = s.zonesInterdites;
    p->def.vitesse = s.planVitesse;
    p->def.commandes = p->commandes.data();
    p->def.nbCommandes = static_cast<int>(p->commandes.size());
    p->def.zones = p->zones.data();
    p->def.nbZones = static_cast<int>(p->zones.size());
    p->def.limites = s.limites;
    DynRover* rover = scenario->dynRovers[0];
    if (const char* e = plan_verifie(&p->def, rover, scenario->terrain)) {
        refuse(QString::fromLocal8Bit(e));
        return;
    }

    // the plan starts from the file's pose, placed on the window's terrain
    if (s.aPose) {
        std::unique_ptr<DynRover> avant(new DynRover(*rover));
        ConfRover* cr = &rover->conf;
        for (int k = 0; k < 3; ++k) {
            cr->pos[k] = s.pose[k];
            cr->att[k] = s.pose[3 + k] * DegToRad;
        }
        if (s.aAngles)
            for (int k = 0; k < NB_CONF; ++k)
                cr->q[k] = s.angles[k] * DegToRad;
        const char* e = s.placer ? place_on_ground(cr, scenario->terrain) : update_geometry(cr);
        if (e) {
            *rover = *avant;
            refuse(QString::fromUtf8("départ (depart.pose) : ") + QString::fromLocal8Bit(e));
            return;
        }
        if (dynamic)
            dyn_reset(rover);
        // a new start is a new run for the telemetry
        telemetry_reset(telemetry, rover);
        if (telemetryWindow)
            telemetryWindow->clear();
    }
    cheminPrevu(p.get(), rover, scenario->terrain, 0.001 * scenario->periodMs);

    if (!paused)
        playpauseSlot();
    liberePlan();
    plan = p.release();
    scenario->vDes = 0.0;
    scenario->cDes = 0.0;
    scenario->planChemin = plan->chemin.data();
    scenario->planNbPoints = static_cast<int>(plan->chemin.size() / 2);
    scenario->planFins = plan->fins.data();
    scenario->planNbFins = plan->def.nbCommandes;
    scenario->planZones = plan->zones.data();
    scenario->planNbZones = plan->def.nbZones;
    scenario->planAJour = 0;
    showLocalStatus();
    updateGL();
    afficheEtat(scenario->confRovers[0], scenario->dynRovers[0]);
}

void Kadmer::liberePlan()
{
    delete plan;
    plan = nullptr;
    if (scenario) {
        scenario->planChemin = scenario->planFins = nullptr;
        scenario->planZones = nullptr;
        scenario->planNbPoints = scenario->planNbFins = scenario->planNbZones = 0;
        scenario->planAJour = 0;
    }
}

QString Kadmer::textePlan() const
{
    if (!plan)
        return QString();
    const EtatPlan& e = plan->etat;
    const int n = plan->def.nbCommandes;
    if (!plan->lance)
        return QString::fromUtf8("Plan chargé : %1 commande(s), PLAY pour l'exécuter").arg(n);
    if (plan->fini) {
        // the end is said until the run is played on by hand
        if (!paused)
            return QString();
        int faites = 0;
        for (int i = 0; i < n; ++i)
            faites += e.resultats[i].statut == StatutOk;
        if (e.statut == StatutOk)
            return QString::fromUtf8("Plan terminé : %1/%2 commandes exécutées").arg(faites).arg(n);
        const int k = std::min(e.courante, n - 1);
        return QString::fromUtf8("Plan arrêté à la commande %1/%2 (%3) : %4")
            .arg(k + 1)
            .arg(n)
            .arg(nomCommandePlan[plan->commandes[k].type])
            .arg(e.statut == StatutDelai ? QString::fromUtf8("délai dépassé")
                                         : QString::fromUtf8("protection"));
    }
    const QString commande = QString::fromUtf8("commande %1/%2 (%3)")
                                 .arg(e.courante + 1)
                                 .arg(n)
                                 .arg(nomCommandePlan[plan->commandes[e.courante].type]);
    if (plan->suspendu)
        return QString::fromUtf8("Plan suspendu à la %1 : le pilote a la main, %2").arg(
            commande, paused ? QString::fromUtf8("PLAY pour reprendre le plan")
                             : QString::fromUtf8("PAUSE puis PLAY pour reprendre le plan"));
    return QString::fromUtf8("Plan : %1%2").arg(commande, paused ? QString::fromUtf8(", en pause")
                                                                : QString());
}

void Kadmer::suspendPlan()
{
    if (!plan || !plan->lance || plan->fini || plan->suspendu)
        return;
    plan->suspendu = true;
    plan->tSuspendu = scenario->confRovers[0]->temps;
    if (mode == ModeLocal)
        showLocalStatus();
}

void Kadmer::reprendPlan()
{
    if (!plan || !plan->suspendu || plan->fini)
        return;
    plan->suspendu = false;
    const DynRover* rover = scenario->dynRovers[0];
    plan_reprend(&plan->etat, rover, telemetry, rover->conf.temps - plan->tSuspendu);
}

bool Kadmer::planAvantPas()
{
    if (!plan || plan->fini || plan->suspendu || mode != ModeLocal)
        return false;
    DynRover* rover = scenario->dynRovers[0];
    if (!plan->lance) {
        // the plan starts from where the rover stands when it is played
        if (plan_nouveau(&plan->etat, &plan->def, rover, telemetry, 1) != 0) {
            modal::critical(this, titrePlan(), tr("Echec allocation !"));
            liberePlan();
            return false;
        }
        plan->lance = true;
        plan->dureeMax = plan_duree_max(&plan->def, rover);
    }
    if (plan->tConduite >= plan->dureeMax - 1e-9) {
        char raison[80];
        std::snprintf(raison, sizeof raison, "duree de la course atteinte (%g s)", plan->dureeMax);
        finPlan(plan_arrete(&plan->etat, rover, StatutDelai, raison));
        return false;
    }
    const double dt = 0.001 * scenario->periodMs;
    if (!plan_consigne(&plan->etat, rover, dt, &scenario->vDes, &scenario->cDes)) {
        finPlan(nullptr);
        return false;
    }
    plan->tConduite += dt;
    const QString texte = textePlan();
    if (statusLabel->text() != texte)
        statusLabel->setText(texte);
    return true;
}

void Kadmer::planApresPas(const char* message)
{
    DynRover* rover = scenario->dynRovers[0];
    const char* arret = message ? plan_arrete(&plan->etat, rover, StatutArrete, message)
                                : plan_controle(&plan->etat, rover, scenario->terrain, telemetry);
    if (arret)
        finPlan(arret);
}

void Kadmer::finPlan(const char* arret)
{
    plan->fini = true;
    scenario->vDes = 0.0;
    if (!paused)
        playpauseSlot();
    showLocalStatus();
    if (arret)
        modal::critical(this, titrePlan(), QString::fromLocal8Bit(arret));
}
