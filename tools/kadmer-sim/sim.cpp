#include "tools/kadmer-sim/sim.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "rover/confrover.h"
#include "rover/telemetry.h"
#include "tools/kadmer-sim/carte.h"
#include "tools/kadmer-sim/simrun.h"

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// a heading in degrees brought into (-180, 180]
double cap180(double deg)
{
    double a = std::fmod(deg, 360.0);
    if (a > 180.0)
        a -= 360.0;
    else if (a <= -180.0)
        a += 360.0;
    return a;
}

// a CSV field: empty for NaN
void champ(std::string& ligne, double x, const char* format = "%.6g")
{
    ligne += ',';
    if (std::isfinite(x)) {
        char t[48];
        std::snprintf(t, sizeof t, format, x);
        ligne += t;
    }
}

// the plan's report, one row per command, written complete or not at all
// (a temporary name, then renamed); false when it could not be written
bool write_report(const std::string& path, const SimRun& run,
                  const std::vector<ResultatCommande>& prevu)
{
    std::string texte =
        "commande,type,statut,t_debut_s,t_fin_s,x_prevu_m,y_prevu_m,cap_prevu_deg,x_m,y_m,"
        "cap_deg,ecart_m,odometrie_m,distance_m,glissement,inclinaison_max_deg,marge_min_deg,"
        "garde_sol_min_m,enfoncement_max_m,energie_J\n";
    for (int i = 0; i < run.planDef.nbCommandes; ++i) {
        const ResultatCommande& r = run.plan.resultats[i];
        const ResultatCommande& p = prevu[i];
        const bool fait = r.statut != StatutNonExecute;
        std::string l = std::to_string(i + 1) + "," +
                        nomCommandePlan[run.planDef.commandes[i].type] + "," +
                        nomStatutPlan[r.statut];
        champ(l, fait ? r.tDebut : NaN, "%.3f");
        champ(l, fait ? r.tFin : NaN, "%.3f");
        champ(l, p.x, "%.4f");
        champ(l, p.y, "%.4f");
        champ(l, cap180(p.cap), "%.3f");
        champ(l, fait ? r.x : NaN, "%.4f");
        champ(l, fait ? r.y : NaN, "%.4f");
        champ(l, fait ? cap180(r.cap) : NaN, "%.3f");
        champ(l, fait ? std::hypot(r.x - p.x, r.y - p.y) : NaN, "%.4f");
        champ(l, fait ? r.odometrie : NaN, "%.4f");
        champ(l, fait ? r.distance : NaN, "%.4f");
        champ(l, fait && r.odometrie >= 1e-3 ? 1.0 - r.distance / r.odometrie : NaN, "%.4f");
        champ(l, r.inclinaisonMax, "%.3f");
        champ(l, r.margeMin, "%.3f");
        champ(l, r.gardeSolMin, "%.4f");
        champ(l, r.enfoncementMax, "%.5f");
        champ(l, fait && run.dynamic ? r.energie : NaN, "%.4f");
        texte += l + "\n";
    }
    const std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(texte.data(), 1, texte.size(), f) == texte.size();
    ok = std::fclose(f) == 0 && ok;
    if (ok && std::rename(tmp.c_str(), path.c_str()) == 0)
        return true;
    std::remove(tmp.c_str());
    return false;
}

} // namespace

int run_sim(const SimOptions& o)
{
    SimRun run;
    sim_build(o, &run);
    ConfRover* cr = &run.rover->conf;
    const char* output = o.output.empty() ? nullptr : o.output.c_str();

    FILE* out = nullptr;
    if (output) {
        out = std::fopen(output, "wt");
        if (!out)
            bad("fichier trajectoire impossible a ecrire : %s (%s)", output, std::strerror(errno));
        ecrit_ligne_conf(out, cr);
    }
    FILE* telemetryFile = nullptr;
    if (!o.telemetry.empty()) {
        telemetryFile = std::fopen(o.telemetry.c_str(), "wt");
        if (!telemetryFile) {
            if (out)
                std::fclose(out);
            bad("fichier de telemetrie impossible a ecrire : %s (%s)", o.telemetry.c_str(),
                std::strerror(errno));
        }
        telemetry_csv_header(telemetryFile);
    }

    // ---- the ticks --------------------------------------------------------------
    const long ticks = std::lround(run.duration / run.dt);
    int status = 0;
    long done = 0;
    // the executed path for the map: x, y and the mean slip of the wheels on the ground
    std::vector<double> path;
    std::string stop;
    auto record = [&]() {
        if (o.map.empty())
            return;
        double slip = 0.0;
        int n = 0;
        for (const TelemetryWheel& w : run.tel.wheel)
            if (w.contact == 1 && std::isfinite(w.slip))
                slip += w.slip, ++n;
        path.insert(path.end(), {cr->pos[0], cr->pos[1], n ? slip / n : 0.0});
    };
    record();
    auto t0 = std::chrono::steady_clock::now();
    for (long k = 0; k < ticks; ++k) {
        sim_apply_schedule(&run);
        if (!sim_plan_running(&run))
            break;
        const char* m = sim_tick(&run, telemetryFile || o.summary);
        ++done;
        record();
        if (out)
            ecrit_ligne_conf(out, cr);
        if (telemetryFile)
            telemetry_csv_row(telemetryFile, &run.tel);
        if (m) {
            std::fprintf(stderr, "kadmer-sim: t = %lf : %s", cr->temps, m);
            size_t n = std::strlen(m);
            if (n == 0 || m[n - 1] != '\n')
                std::fputc('\n', stderr);
            if (run.hasPlan) {
                stop = m;
                status = 3;  // stopped by the fault protection
                break;
            }
            if (!o.keepGoing) {
                status = 1;
                break;
            }
        }
    }
    if (run.hasPlan && sim_plan_running(&run)) {
        // the last command may have been met by the last tick
        sim_apply_schedule(&run);
        if (const char* m = sim_plan_timeout(&run)) {
            stop = m;
            std::fprintf(stderr, "kadmer-sim: t = %lf : %s\n", cr->temps, m);
            status = 3;
        }
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double simulated = done * run.dt;

    if (out)
        std::fclose(out);
    if (run.rover->fresults) {
        std::fclose(run.rover->fresults);
        run.rover->fresults = nullptr;
    }
    bool written = true;
    if (telemetryFile)
        written = std::fflush(telemetryFile) == 0 && !std::ferror(telemetryFile);
    if (telemetryFile && std::fclose(telemetryFile) != 0)
        written = false;
    std::printf("ticks=%ld time=%.3f substeps=%ld wall=%.3f rtf=%.1f", done, simulated,
                run.dynamic ? run.rover->sousPas : 0L, wall, wall > 0.0 ? simulated / wall : 0.0);
    if (o.summary)
        telemetry_summary(stdout, &run.tel);
    if (run.hasPlan && (o.summary || !o.report.empty() || !o.map.empty())) {
        std::vector<double> planned;
        const std::vector<ResultatCommande> prevu = sim_planned(o, o.map.empty() ? nullptr : &planned);
        if (o.summary) {
            int ok = 0;
            for (int i = 0; i < run.planDef.nbCommandes; ++i)
                ok += run.plan.resultats[i].statut == StatutOk;
            const ResultatCommande& fin = prevu.back();
            std::printf(" plan_statut=%s plan_commandes=%d/%d plan_ecart_m=%.4f",
                        nomStatutPlan[run.plan.statut], ok, run.planDef.nbCommandes,
                        std::hypot(cr->pos[0] - fin.x, cr->pos[1] - fin.y));
        }
        if (!o.report.empty() && !write_report(o.report, run, prevu)) {
            std::fprintf(stderr, "kadmer-sim: rapport impossible a ecrire : %s\n", o.report.c_str());
            if (status == 0)
                status = 1;
        }
        if (!o.map.empty()) {
            int ok = 0;
            for (int i = 0; i < run.planDef.nbCommandes; ++i)
                ok += run.plan.resultats[i].statut == StatutOk;
            Carte c{run.mnt, &run.planDef, std::move(planned), std::move(path),
                    "Plan de marche : " + std::string(nomStatutPlan[run.plan.statut]) + ", " +
                        std::to_string(ok) + "/" + std::to_string(run.planDef.nbCommandes) +
                        " commandes, " + (run.dynamic ? "pilotage dynamique" : "pilotage cinematique"),
                    stop};
            const std::string m = carte_png(c, o.map);
            if (!m.empty()) {
                std::fprintf(stderr, "kadmer-sim: %s\n", m.c_str());
                if (status == 0)
                    status = 1;
            }
        }
    }
    std::printf("\n");
    if (!written) {
        std::fprintf(stderr, "kadmer-sim: fichier de telemetrie incomplet : %s\n",
                     o.telemetry.c_str());
        status = 1;
    }
    return status;
}
