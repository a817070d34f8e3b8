#include "options.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "tools/common/cli_parse.h"

namespace {

const char* const Usage =
    "usage: kadmer-map -o CARTE.tif [options] [options du terrain et du rover de kadmer-sim]\n"
    "  Carte de franchissabilite : le rover pose sur le sol a chaque centre de cellule et pour\n"
    "  chaque cap, mesure et compare aux limites. Bandes Float32 : inclinaison_max_deg,\n"
    "  inclinaison_min_deg, garde_sol_min_m, marge_min_deg, ecart_roue_max_m, caps_surs,\n"
    "  pente_deg ; nodata -9999 la ou le rover sortirait du terrain.\n"
    "  -o FICHIER.tif      la carte GeoTIFF (obligatoire)\n"
    "  --png FICHIER.png   l'image de la carte (relief ombre, surs / en partie / non surs)\n"
    "  --pas M             cote des cellules, m (defaut : le pas de la grille du terrain)\n"
    "  --caps N            nombre de caps, regulierement espaces depuis 0 (8)\n"
    "  --limites JSON|FICHIER  objet JSON des limites, comme les limites d'un plan de marche :\n"
    "                      \"inclinaison\" degres (30), \"marge\" de basculement degres (10),\n"
    "                      \"garde_sol\" m (0.1) ; sur celles du plan du scenario s'il en a un ;\n"
    "                      les autres cles d'un plan sont sans objet ici\n"
    "  --jobs N            fils de calcul (defaut : tous les coeurs) ; meme fichier quel que soit N\n"
    "  --tuiles N          calcul en N bandes de lignes, reprises si interrompu, puis fusionnees\n"
    "  --slurm             les tuiles en un tableau de taches Slurm, attendu puis fusionne\n"
    "                      (avec --tuiles) ; --partition P, --time T (defauts : ceux de Slurm)\n"
    "  --tuile K           la seule tuile K de --tuiles N (une tache du tableau)\n"
    "  --sans-progres      pas de barre de progression\n"
    "  --scenario FICHIER  terrain et rover d'un fichier de scenario\n"
    "  Terrain et rover comme kadmer-sim : --mnt FICHIER (texte ou raster) --window X,Y,COTE\n"
    "  --mnt-step M --mnt-type 0|1|2 --cell M --xmin --xmax --ymin --ymax --bosses M --coefh K\n"
    "  --voie M --inclinaison DEG --quadri --angles ... (voir kadmer-sim --help)\n"
    "  Sortie : 0 fait, 1 calcul en echec, 2 entree refusee.\n";

// a whole number of at least lo
int entier(const char* opt, const std::string& s, int lo, int hi)
{
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || *end != '\0' || errno == ERANGE || v < lo || v > hi)
        bad("%s : entier de %d a %d attendu, pas \"%s\"", opt, lo, hi, s.c_str());
    return (int)v;
}

} // namespace

LimitesPlan lit_limites(const std::string& t)
{
    std::string texte = t;
    size_t debut = t.find_first_not_of(" \t\r\n");
    if (debut == std::string::npos || t[debut] != '{') {
        std::ifstream f(t);
        if (!f)
            bad("--limites : ni objet JSON ni fichier lisible : %s", t.c_str());
        std::stringstream ss;
        ss << f.rdbuf();
        texte = ss.str();
    }
    nlohmann::json j;
    try {
        j = nlohmann::json::parse(texte);
    } catch (const nlohmann::json::exception& e) {
        bad("--limites : JSON illisible (%s)", e.what());
    }
    if (!j.is_object())
        bad("--limites : objet JSON attendu");
    LimitesPlan l;
    for (auto& [cle, v] : j.items()) {
        double* champ = cle == "inclinaison" ? &l.inclinaison
                      : cle == "marge"       ? &l.marge
                      : cle == "garde_sol"   ? &l.gardeSol
                                             : nullptr;
        // a drive plan's limits of a run (slip, sinkage) do not apply to a pose
        if (!champ && (cle == "glissement" || cle == "controle_glissement" || cle == "enfoncement"))
            continue;
        if (!champ)
            bad("--limites : cle inconnue \"%s\" (inclinaison, marge, garde_sol attendues)", cle.c_str());
        if (!v.is_number())
            bad("--limites : \"%s\" attend un nombre", cle.c_str());
        *champ = v.get<double>();
    }
    if (const char* m = refus_limites_carte(limites_carte(l)))
        bad("--%s", m);
    return l;
}

void lit_options(int argc, char** argv, MapOptions& o)
{
    CLI::App app("kadmer-map");
    app.set_help_flag();
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    auto value = [&](const char* name, std::function<void(const std::string&)> set) {
        app.add_option_function<std::string>(name, set);
    };
    bool aide = false;
    app.add_flag_callback("-h,--help", [&] { aide = true; });
    app.add_flag_callback("--sans-progres", [&] { o.progres = false; });
    value("-o", [&](const std::string& s) { o.sortie = s; });
    value("--png", [&](const std::string& s) { o.png = s; });
    value("--pas", [&](const std::string& s) {
        char* end = nullptr;
        const double v = std::strtod(s.c_str(), &end);
        if (end == s.c_str() || *end != '\0' || !std::isfinite(v) || !(v > 0.0))
            bad("--pas : pas de la carte strictement positif attendu, pas \"%s\"", s.c_str());
        o.reglages.pas = v;
    });
    value("--caps", [&](const std::string& s) { o.reglages.caps = entier("--caps", s, 1, 360); });
    value("--jobs", [&](const std::string& s) { o.reglages.jobs = entier("--jobs", s, 1, 1024); });
    value("--tuiles", [&](const std::string& s) { o.tuiles = entier("--tuiles", s, 1, 100000); });
    app.add_flag_callback("--slurm", [&] { o.slurm = true; });
    value("--partition", [&](const std::string& s) { o.partition = s; });
    value("--time", [&](const std::string& s) { o.temps = s; });
    value("--tuile", [&](const std::string& s) { o.tuile = entier("--tuile", s, 0, 99999); });
    LimitesPlan donnees;  // NaN: not given
    value("--limites", [&](const std::string& s) { donnees = lit_limites(s); });

    const std::string plainte = cli_parse(app, argc, argv);
    if (!plainte.empty())
        bad("%s", plainte.c_str());
    if (aide) {
        std::fputs(Usage, stdout);
        std::exit(0);
    }
    // the rest is kadmer-sim's terrain and rover: its parser reads it over
    // the scenario. Its other options (piloting, soil, outputs) mean nothing
    // for a placed rover
    static const char* const terrain[] = {"--scenario", "--voie", "--inclinaison", "--quadri", "--datadyn",
                                          "--mnt", "--mnt-type", "--cell", "--xmin", "--xmax", "--ymin",
                                          "--ymax", "--bosses", "--coefh", "--window", "--mnt-step", "--angles"};
    std::vector<std::string> reste = app.remaining();
    for (const std::string& a : reste) {
        if (a.size() < 2 || a[0] != '-' || (a[1] >= '0' && a[1] <= '9') || a[1] == '.')
            continue;
        const std::string nom = a.substr(0, a.find('='));
        bool connue = false;
        for (const char* t : terrain)
            connue = connue || nom == t;
        if (!connue)
            bad("%s", cli_extra(a).c_str());
    }
    std::vector<char*> args = {argv[0]};
    for (std::string& a : reste)
        args.push_back(&a[0]);
    read_options((int)args.size(), args.data(), o.sim);
    check_options(o.sim);
    // the scenario's plan limits, those given here over them, the map's
    // defaults for the others
    LimitesPlan l = o.sim.limites;
    if (!std::isnan(donnees.inclinaison))
        l.inclinaison = donnees.inclinaison;
    if (!std::isnan(donnees.marge))
        l.marge = donnees.marge;
    if (!std::isnan(donnees.gardeSol))
        l.gardeSol = donnees.gardeSol;
    o.reglages.limites = limites_carte(l);
    if (o.sortie.empty())
        bad("-o CARTE.tif obligatoire");
    if ((o.slurm || o.tuile >= 0) && o.tuiles == 0)
        bad("%s ne sert qu'avec --tuiles N", o.slurm ? "--slurm" : "--tuile");
    if (o.tuile >= o.tuiles && o.tuile >= 0)
        bad("--tuile : de 0 a %d attendue, pas %d", o.tuiles - 1, o.tuile);
    if ((!o.partition.empty() || !o.temps.empty()) && !o.slurm)
        bad("--partition et --time ne servent qu'avec --slurm");
    // an array's task runs the same line, for one tile and without the bar
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        if (a == "--slurm")
            continue;
        if (a == "--partition" || a == "--time" || a == "--tuile") {
            ++k;
            continue;
        }
        if (a.rfind("--partition=", 0) == 0 || a.rfind("--time=", 0) == 0 || a.rfind("--tuile=", 0) == 0)
            continue;
        o.args.push_back(a);
    }
    // what a run of kadmer-sim would write is not this program's to write
    o.sim.results.clear();
    o.sim.commandsFile.clear();
    o.sim.output.clear();
    o.sim.telemetry.clear();
}
