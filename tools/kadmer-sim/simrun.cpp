#include "tools/kadmer-sim/simrun.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "dem/dem.h"
#include "rover/confrover.h"
#include "rover/dynamics.h"
#include "rover/piloting.h"
#include "rover/solclassique.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

namespace {

const double DegToRad = 0.017453292519943295;

// lines "t vDes cDes", in increasing time; blank lines and lines starting
// with # are skipped
std::vector<SimCommande> read_commands(const char* path)
{
    FILE* f = std::fopen(path, "r");
    if (!f)
        bad("fichier de commandes illisible : %s (%s)", path, std::strerror(errno));
    std::vector<SimCommande> list;
    char line[1024];
    int no = 0;
    while (std::fgets(line, sizeof line, f)) {
        ++no;
        const char* p = line;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '\n' || *p == '\r' || *p == '\0' || *p == '#')
            continue;
        SimCommande c;
        char extra[2];
        if (std::sscanf(p, "%lf %lf %lf %1s", &c.t, &c.vDes, &c.cDes, extra) != 3 ||
            !std::isfinite(c.t) || !std::isfinite(c.vDes) || !std::isfinite(c.cDes)) {
            std::fclose(f);
            bad("fichier de commandes %s, ligne %d : attendu \"t vDes cDes\"", path, no);
        }
        if (!list.empty() && c.t < list.back().t) {
            std::fclose(f);
            bad("fichier de commandes %s, ligne %d : temps decroissant", path, no);
        }
        list.push_back(c);
    }
    std::fclose(f);
    return list;
}


} // namespace

SimRun::~SimRun()
{
    plan_libere(&plan);
    if (mnt) {
        libere_mnt(mnt);
        std::free(mnt);
    }
    if (terrainFile)
        std::fclose(terrainFile);
    if (zones) {
        libereZones(zones);
        std::free(zones);
    }
    if (rover) {
        if (rover->fresults)
            std::fclose(rover->fresults);
        std::free(rover);
    }
}

void sim_build(const SimOptions& o, SimRun* run)
{
    const char* datadyn = o.datadyn.empty() ? nullptr : o.datadyn.c_str();
    const char* results = o.results.empty() ? nullptr : o.results.c_str();
    const char* mntFile = o.mntFile.empty() ? nullptr : o.mntFile.c_str();
    const char* zonesFile = o.zonesFile.empty() ? nullptr : o.zonesFile.c_str();
    run->dynamic = o.dynamic;
    run->vDes = o.vDes;
    run->cDes = o.cDes;
    run->dt = 0.001 * o.periodMs;

    run->duration = o.duration;
    if (o.hasPlan) {
        run->hasPlan = true;
        run->vDes = run->cDes = 0.0;
        run->planCommandes = o.planCommandes;
        run->planZones = o.zonesInterdites;
    } else if (!o.commandsFile.empty())
        run->commands = read_commands(o.commandsFile.c_str());
    else
        for (const CommandeScenario& c : o.commands)
            run->commands.push_back({c.t, c.v, c.c});

    // ---- the scenario, in the order of the start-up ----------------------------
    run->rover = static_cast<DynRover*>(std::calloc(1, sizeof(DynRover)));
    run->mnt = static_cast<Mnt*>(std::calloc(1, sizeof(Mnt)));
    if (!run->rover || !run->mnt)
        fail("In newScenario", "Echec allocation !");
    DynRover* rover = run->rover;
    Mnt* mnt = run->mnt;
    ConfRover* cr = &rover->conf;

    // geometry
    rover->voie = o.voie;
    rover->inclinaison = o.inclinaisonDeg * DegToRad;
    rover->quadri = o.quadri;
    if (const char* m = geodir_rover(cr, rover->voie, rover->inclinaison, rover->quadri))
        fail("In newScenario", m);
    if (const char* m = update_geometry(cr))
        fail("In newScenario", m);

    // rover dynamics
    rover->testLibre = o.testLibre;
    rover->fresults = nullptr;
    rover->verbose = o.verbose;
    rover->fdata = nullptr;
    dyn_defaults(rover);
    if (datadyn) {
        FILE* f = std::fopen(datadyn, "rt");
        if (!f)
            bad("fichier de donnees dynamiques illisible : %s (%s)", datadyn, std::strerror(errno));
        if (const char* m = loadDatadynrov(&rover->data, f))
            bad("fichier de donnees dynamiques %s : %s", datadyn, m);
    } else {
        double values[NB_DATADYN];
        std::memcpy(values, &rover->data, sizeof values);
        for (int k = 0; k < NB_DATADYN; ++k)
            if (o.dataGiven[k])
                values[k] = o.data[k];
        std::memcpy(&rover->data, values, sizeof values);
    }
    if (results) {
        rover->fresults = std::fopen(results, "wt");
        if (!rover->fresults)
            bad("fichier resultats impossible a ecrire : %s (%s)", results, std::strerror(errno));
    }
    dyn_constants(rover);

    // terrain
    defauts_mnt(mnt);
    const bool raster = mntFile && dem_est_raster(mntFile);
    if (!raster && (o.hasWindow || o.mntStep > 0.0))
        bad("--window et --mnt-step ne servent qu'avec un MNT raster, pas avec la matrice %s", mntFile);
    if (mntFile && !raster) {
        run->terrainFile = std::fopen(mntFile, "r");
        if (!run->terrainFile)
            bad("fichier MNT illisible : %s (%s)", mntFile, std::strerror(errno));
    }
    mnt->fichier = run->terrainFile;
    mnt->typeMNT = o.mntType;
    mnt->typeDyn = o.solType;
    mnt->coefH = o.coefh;
    mnt->hBosses = o.bosses;
    mnt->graine = o.graine;
    mnt->dx = mnt->dy = o.cell;
    mnt->Xmin = o.xmin;
    mnt->Xmax = o.xmax;
    mnt->Ymin = o.ymin;
    mnt->Ymax = o.ymax;
    int built;
    if (raster) {
        // the window of a raster elevation model, in the frame centred on it
        DemFenetre f = dem_fenetre_defaut();
        if (o.hasWindow) {
            f.cx = o.window[0];
            f.cy = o.window[1];
            f.taille = o.window[2];
        }
        f.pas = o.mntStep;
        mnt->hBosses = o.hasBosses ? o.bosses : 0.0;
        std::string message;
        built = dem_charge(mntFile, f, o.coefh, mnt, &message);
        if (built == 1)
            bad("MNT raster %s : %s", mntFile, message.c_str());
        if (built == 0)
            std::fprintf(stderr, "kadmer-sim: MNT raster %s : %s\n", mntFile, message.c_str());
    } else {
        built = new_mnt(mnt);
    }
    if (built < 0)
        fail("In newScenario", "Echec initialisation MNT");
    if (built == 1)
        bad("fichier MNT inutilisable : %s", mntFile);

    // soil
    DynSol& sol = run->sol;
    if (o.solType == 1 || o.solType == 2) {
        run->zones = nouvellesZones(nullptr);
        ZonesSol* zones = run->zones;
        if (!zones)
            fail("In newScenario", "Echec allocation !");
        if (zonesFile) {
            FILE* f = std::fopen(zonesFile, "r");
            if (!f)
                bad("fichier de zones illisible : %s (%s)", zonesFile, std::strerror(errno));
            if (const char* m = litZones(zones, f))
                bad("fichier de zones %s : %s", zonesFile, m);
        } else if (!o.zones.empty()) {
            libereZones(zones);
            for (const ZoneScenario& z : o.zones)
                if (!ajouteZone(zones, z.hzone, z.X, z.Y, z.R, z.c, z.phi * DegToRad,
                                z.Xc * DegToRad, z.kc, z.kphi, z.n, z.rhod, z.lbda, z.K))
                    fail("In newScenario", "Echec allocation !");
        }
        mnt->sol = run->zones;
        if (o.solType == 2) {
            // each zone must carry the law, and a wheel its share of the
            // rover's weight without sinking past its axle
            const ParamClassique p = {o.c1, o.c2, o.n1};
            mnt->c1 = p.c1;
            mnt->c2 = p.c2;
            mnt->n1 = p.n1;
            const double W = rover->mtot * rover->data.g / NB_CHAINES;
            if (const char* m = verifie_zones_classiques(zones, &p, cr->rayonRoue,
                                                         cr->largeurRoue, W))
                bad("%s", m);
        }
    } else {
        init_dynSol(&sol, o.phi0Deg * DegToRad, rover->data.g);
        if (o.hasKN)
            sol.kN = o.kN;
        if (o.hasFN)
            sol.fN = o.fN;
        if (o.hasKT)
            sol.kT = o.kT;
        if (o.hasFT)
            sol.fT = o.fT;
        mnt->sol = &sol;
    }

    // pose and configuration, then the placement
    if (o.hasPose) {
        for (int k = 0; k < 3; ++k)
            cr->pos[k] = o.pose[k];
        for (int k = 0; k < 3; ++k)
            cr->att[k] = o.pose[3 + k] * DegToRad;
    }
    if (o.hasAngles)
        for (int k = 0; k < NB_CONF; ++k)
            cr->q[k] = o.angles[k] * DegToRad;
    if (o.noPlace) {
        if (const char* m = update_geometry(cr))
            fail("In newScenario", m);
    } else if (const char* m = place_on_ground(cr, mnt)) {
        fail("In newScenario", m);
    }
    if (o.dynamic)
        dyn_reset(rover);

    telemetry_reset(&run->tel, rover);

    if (run->hasPlan) {
        Plan& p = run->planDef;
        p.vitesse = o.planVitesse;
        p.commandes = run->planCommandes.data();
        p.nbCommandes = static_cast<int>(run->planCommandes.size());
        p.zones = run->planZones.data();
        p.nbZones = static_cast<int>(run->planZones.size());
        p.limites = o.limites;
        if (const char* m = plan_verifie(&p, rover, mnt))
            bad("%s", m);
        if (!o.hasDuration)
            run->duration = plan_duree_max(&p, rover);
        if (plan_nouveau(&run->plan, &p, rover, &run->tel, 1) != 0)
            fail("In newScenario", "Echec allocation !");
    }
}

void sim_apply_schedule(SimRun* run)
{
    if (run->hasPlan) {
        plan_consigne(&run->plan, run->rover, run->dt, &run->vDes, &run->cDes);
        return;
    }
    const double t = run->rover->conf.temps;
    while (run->next < run->commands.size() && run->commands[run->next].t <= t + 1e-9) {
        run->vDes = run->commands[run->next].vDes;
        run->cDes = run->commands[run->next].cDes;
        ++run->next;
    }
}

const char* sim_tick(SimRun* run, bool telemetry)
{
    ConfRover* cr = &run->rover->conf;
    const char* m = run->dynamic ? dyn_step(run->rover, run->mnt, run->cDes, run->vDes, run->dt)
                                 : kin_step(cr, run->mnt, run->cDes, run->vDes, run->dt);
    if (!run->dynamic)
        cr->temps += run->dt;
    if (telemetry || run->hasPlan)
        telemetry_tick(&run->tel, run->rover, run->mnt, run->dynamic);
    if (!run->hasPlan || run->plan.statut != StatutEnCours)
        return m;
    // the step's own message stops the drive as a limit does
    if (m)
        return plan_arrete(&run->plan, run->rover, StatutArrete, m);
    return plan_controle(&run->plan, run->rover, run->mnt, &run->tel);
}

bool sim_plan_running(const SimRun* run)
{
    return !run->hasPlan || run->plan.statut == StatutEnCours;
}

const char* sim_plan_timeout(SimRun* run)
{
    if (!run->hasPlan || run->plan.statut != StatutEnCours)
        return nullptr;
    char raison[80];
    std::snprintf(raison, sizeof raison, "duree de la course atteinte (%g s)", run->duration);
    return plan_arrete(&run->plan, run->rover, StatutDelai, raison);
}

std::vector<ResultatCommande> sim_planned(const SimOptions& o, std::vector<double>* path)
{
    SimOptions k = o;
    k.dynamic = false;
    k.results.clear();
    k.limites = LimitesPlan{};
    k.zonesInterdites.clear();
    SimRun run;
    sim_build(k, &run);
    run.plan.verifier = 0;
    const long ticks = std::lround(run.duration / run.dt);
    const double* pos = run.rover->conf.pos;
    if (path)
        path->assign({pos[0], pos[1]});
    for (long t = 0; t < ticks && sim_plan_running(&run); ++t) {
        sim_apply_schedule(&run);
        if (!sim_plan_running(&run))
            break;
        sim_tick(&run, false);
        if (path)
            path->insert(path->end(), {pos[0], pos[1]});
    }
    std::vector<ResultatCommande> prevu(run.plan.resultats,
                                        run.plan.resultats + run.planDef.nbCommandes);
    // a command the planned run did not end has no planned end
    for (ResultatCommande& r : prevu)
        if (r.statut != StatutOk)
            r.x = r.y = r.cap = std::numeric_limits<double>::quiet_NaN();
    return prevu;
}
