// kadmer-map: the traversability map of a terrain for the rover, as a GeoTIFF
// of layers and a picture.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dem/dem.h"
#include "dessin.h"
#include "geotiff.h"
#include "options.h"
#include "runner.h"
#include "terrain/mnt.h"
#include "tools/kadmer-sim/simrun.h"

namespace {

// the bar on the error stream, redrawn in place: done, share, time left
struct Barre {
    std::chrono::steady_clock::time_point t0 = std::chrono::steady_clock::now();
    bool active;
    std::string titre;
    bool operator()(long faits, long total)
    {
        if (!active)
            return true;
        const double f = total > 0 ? (double)faits / total : 1.0;
        const double ecoule = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const int largeur = 30, plein = (int)std::lround(f * largeur);
        std::string barre(plein, '#');
        barre.resize(largeur, '.');
        char reste[32] = "--:--";
        if (f > 0.0) {
            const long s = std::lround(ecoule * (1.0 - f) / f);
            std::snprintf(reste, sizeof reste, "%ld:%02ld", s / 60, s % 60);
        }
        std::fprintf(stderr, "\r%s [%s] %3d %% reste %s ", titre.c_str(), barre.c_str(), (int)(100.0 * f), reste);
        if (faits >= total)
            std::fputc('\n', stderr);
        std::fflush(stderr);
        return true;
    }
};

// the bytes the layers of the rows take
double octets(const CarteGrille& g, long lignes)
{
    return (double)NB_COUCHES * sizeof(float) * g.nx * lignes;
}

// the end of a file, at most about max bytes, from a line start
std::string fin_de(const std::string& chemin, size_t max = 400)
{
    std::ifstream f(chemin, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    std::string t = ss.str();
    if (t.size() > max) {
        t = t.substr(t.size() - max);
        const size_t l = t.find('\n');
        if (l != std::string::npos)
            t = t.substr(l + 1);
    }
    while (!t.empty() && (t.back() == '\n' || t.back() == ' '))
        t.pop_back();
    return t.empty() ? "(journal vide)" : t;
}

// the tiles still to do as one Slurm job array, each task this program on
// one tile; waits for the array to leave the queue. A tile missing then is
// a failure, reported with the end of its task's log
void soumet_et_attend(const MapOptions& o, const std::string& dossier, const std::vector<std::string>& tuiles,
                      const std::vector<int>& aFaire, Barre& barre)
{
    const std::string sd = dossier + "/slurm";
    std::error_code e;
    std::filesystem::create_directories(sd, e);
    if (e)
        bad("dossier Slurm impossible a creer : %s (%s)", sd.c_str(), e.message().c_str());
    std::string indices, commande = campaign::shell_quote(std::filesystem::read_symlink("/proc/self/exe", e).string());
    for (int t : aFaire)
        indices += (indices.empty() ? "" : ",") + std::to_string(t);
    for (const std::string& a : o.args)
        commande += " " + campaign::shell_quote(a);
    commande += " --sans-progres --tuile";
    std::string job;
    const std::string m = campaign::submit_array(sd, std::filesystem::current_path(e).string(), indices, commande,
                                                 "kadmer-map", o.partition, o.temps, job);
    if (!m.empty())
        fail("Slurm", m.c_str());
    std::fprintf(stderr, "tableau de taches Slurm %s soumis : %zu tuile%s\n", job.c_str(), aFaire.size(),
                 aFaire.size() > 1 ? "s" : "");
    barre.titre = "tuiles";
    barre.t0 = std::chrono::steady_clock::now();
    for (;;) {
        // counted after the queue was read: the last count is the final one
        const bool enFile = campaign::job_queued(job);
        long faites = 0;
        for (int t : aFaire)
            faites += std::filesystem::exists(tuiles[t]);
        if (!enFile) {
            barre(faites, faites);
            break;
        }
        barre(faites, (long)aFaire.size());
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    for (int t : aFaire)
        if (!std::filesystem::exists(tuiles[t])) {
            const std::string journal = sd + "/task-" + std::to_string(t) + ".log";
            fail(("tuile " + std::to_string(t) + " en echec").c_str(), fin_de(journal).c_str());
        }
}

int lance(MapOptions& o)
{
    std::string m = verifie_sortie(o.sortie);
    if (!m.empty())
        bad("-o : %s", m.c_str());
    if (!o.png.empty() && !(m = verifie_sortie(o.png)).empty())
        bad("--png : %s", m.c_str());

    SimRun run;
    sim_build(o.sim, &run);
    const Mnt* mnt = run.mnt;

    // the georeferencing of a raster window; local metres otherwise
    DemRepere repere;
    const bool raster = !o.sim.mntFile.empty() && dem_est_raster(o.sim.mntFile.c_str());
    if (raster) {
        DemFenetre f = dem_fenetre_defaut();
        if (o.sim.hasWindow) {
            f.cx = o.sim.window[0];
            f.cy = o.sim.window[1];
            f.taille = o.sim.window[2];
        }
        f.pas = o.sim.mntStep;
        if (!dem_repere(o.sim.mntFile.c_str(), f, &repere, &m))
            bad("MNT raster %s : %s", o.sim.mntFile.c_str(), m.c_str());
    }
    CarteGrille g;
    m = carte_grille(mnt, o.reglages.pas, &g);
    if (!m.empty())
        bad("%s", m.c_str());
    const CarteGeo geo = carte_geo(g, raster ? &repere : nullptr);

    // the memory a piece of the map needs, against a quarter of the
    // machine's (the merge and the picture read the whole map again)
    const int pieces = o.tuiles > 0 ? o.tuiles : 1;
    if (pieces > g.ny)
        bad("--tuiles : au plus %d tuiles (une ligne de la carte chacune)", g.ny);
    const double besoin = octets(g, (g.ny + pieces - 1) / pieces);
    const double memoire = (double)sysconf(_SC_PHYS_PAGES) * sysconf(_SC_PAGE_SIZE);
    if (memoire > 0 && besoin > 0.25 * memoire)
        bad("carte trop grande pour la memoire : %d x %d cellules, %.1f Go par morceau pour %.1f Go de memoire ;"
            " la decouper avec --tuiles %d ou plus",
            g.nx, g.ny, besoin / 1e9, memoire / 1e9, (int)std::ceil(octets(g, g.ny) / (0.125 * memoire)));

    Barre barre;
    barre.active = o.progres;
    if (o.tuiles == 0) {
        Carte carte;
        barre.titre = "carte";
        m = carte_calcule(run.rover, mnt, o.reglages, &carte,
                          [&](long a, long b) { return barre(a, b); });
        if (!m.empty())
            fail("carte", m.c_str());
        m = ecrit_carte(o.sortie, carte, geo);
        if (!m.empty())
            bad("%s", m.c_str());
    } else {
        // the tiles beside the map, kept until merged so that a run stopped
        // half-way takes up where it was
        const std::string dossier = o.sortie + ".tuiles";
        std::error_code e;
        std::filesystem::create_directories(dossier, e);
        if (e)
            bad("dossier des tuiles impossible a creer : %s (%s)", dossier.c_str(), e.message().c_str());
        std::vector<std::string> tuiles;
        std::vector<int> aFaire;
        for (int t = 0; t < o.tuiles; ++t) {
            char nom[64];
            std::snprintf(nom, sizeof nom, "/tuile-%05d.tif", t);
            tuiles.push_back(dossier + nom);
            if (!std::filesystem::exists(tuiles.back()))
                aFaire.push_back(t);
        }
        if (o.slurm && !aFaire.empty())
            soumet_et_attend(o, dossier, tuiles, aFaire, barre);
        for (int t : aFaire) {
            if (o.slurm || (o.tuile >= 0 && t != o.tuile))
                continue;
            CarteReglages r = o.reglages;
            r.ligne0 = (int)((long)t * g.ny / o.tuiles);
            r.ligne1 = (int)((long)(t + 1) * g.ny / o.tuiles);
            Carte carte;
            barre.titre = "tuile " + std::to_string(t + 1) + "/" + std::to_string(o.tuiles);
            barre.t0 = std::chrono::steady_clock::now();
            m = carte_calcule(run.rover, mnt, r, &carte, [&](long a, long b) { return barre(a, b); });
            if (!m.empty())
                fail("carte", m.c_str());
            m = ecrit_carte(tuiles[t], carte, geo);
            if (!m.empty())
                bad("%s", m.c_str());
        }
        if (o.tuile >= 0)
            return 0;  // a task of the array: the merge is the submitter's
        m = fusionne_tuiles(tuiles, o.sortie);
        if (!m.empty())
            fail("fusion des tuiles", m.c_str());
        std::filesystem::remove_all(dossier, e);
    }

    if (!o.png.empty()) {
        // the picture draws at most 800 pixels a side: 2000 cells do
        Carte carte;
        m = lit_apercu(o.sortie, g, 2000, &carte);
        if (m.empty())
            m = dessine_carte(o.png, carte, mnt, o.reglages.caps);
        if (!m.empty())
            fail("image", m.c_str());
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        MapOptions o;
        lit_options(argc, argv, o);
        return lance(o);
    } catch (const SimRefus& r) {
        std::fprintf(stderr, "kadmer-map: %s\n", r.message.c_str());
        return r.status;
    }
}
