#include "tools/kadmer-sim/options.h"

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <CLI/CLI.hpp>

#include "tools/common/cli_parse.h"

namespace {

const char* const Usage =
    "usage: kadmer-sim [options]\n"
    "  --voie M (1.0)  --inclinaison DEG (0)  --quadri\n"
    "  --datadyn FILE (dynamic data file; default: internal initial data)  --test-libre\n"
    "  --period MS (40)  --results FILE  --verbosity N (0)\n"
    "  --mnt FILE | --mnt-type 0|1|2 (1)  --cell M (0.25)  --xmin --xmax --ymin --ymax (-10/10)\n"
    "  --bosses M (0.1; 0 on a raster)  --coefh K (1)\n"
    "  --window X,Y,SIZE (raster --mnt: centre in its own coordinates, side in m; default the\n"
    "    whole raster)  --mnt-step M (raster grid step, m; default its own, within 1025 nodes)\n"
    "  --sol 0|1|2 (0: simplified, 1: macro, 2: classical)  --zones FILE (soils 1 and 2)\n"
    "  --c1 (0.43)  --c2 (0.32)  --n1 (0) (classical soil)\n"
    "  --kN --fN --kT --fT --phi0 DEG (simplified soil, defaults from init_dynSol)\n"
    "  --mode kin|dyn (kin)  --v VDES (0)  --c CDES (0)  --commands FILE (lines \"t vDes cDes\": "
    "from time t on)\n"
    "  --duration S (10; with a plan: to its end)  --pose X,Y,Z,SITE,GITE,AZIMUT (metres, degrees; then placed on the "
    "ground)\n"
    "  --angles A0,...,A20 (the 21 configuration values, degrees)  --no-place\n"
    "  --continue (go on after a step's message)\n"
    "  -o FILE (trajectory)\n"
    "  --telemetry FILE (CSV, one row per tick)  --summary (distance, slip, sinkage, energy "
    "and tip-over figures on the last line)\n"
    "  --rapport FILE (a plan's report: CSV, one row per command)\n"
    "  --carte FILE.png (a plan's map: relief, keep-out zones, planned and executed paths)\n"
    "  --scenario FILE (a scenario file, docs/scenario.md; the options above override it)\n"
    "exit status: 0 done, 1 the run failed, 2 bad input, 3 a plan stopped by a limit or its time\n";

double number(const char* opt, const std::string& s)
{
    const char* text = s.c_str();
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        bad("%s attend un nombre, pas \"%s\"", opt, text);
    return v;
}

// comma-separated numbers, exactly n of them
void numbers(const char* opt, const std::string& s, int n, double* out)
{
    const char* text = s.c_str();
    const char* p = text;
    for (int k = 0; k < n; ++k) {
        errno = 0;
        char* end = nullptr;
        out[k] = std::strtod(p, &end);
        if (end == p || errno == ERANGE || !std::isfinite(out[k]))
            bad("%s : valeurs illisibles dans \"%s\"", opt, text);
        p = end;
        if (k < n - 1) {
            if (*p != ',')
                bad("%s attend des valeurs separees par des virgules : \"%s\"", opt, text);
            ++p;
        }
    }
    if (*p != '\0')
        bad("%s : trop de valeurs dans \"%s\"", opt, text);
}

// a value within one of the limits a run accepts, whichever way it is given
void within(const char* opt, double v, std::string (*refus)(double), const char* unit = "")
{
    const std::string why = refus(v);
    if (!why.empty())
        bad("%s : %s, pas %g%s", opt, why.c_str(), v, unit);
}

// an integer option within its limits
int whole(const char* opt, const std::string& s, std::string (*refus)(double))
{
    double v = number(opt, s);
    const std::string why = refus(v);
    if (!why.empty())
        bad("%s : %s, pas %s", opt, why.c_str(), s.c_str());
    return (int)v;
}

// one of the given words; returns its index
int choice(const char* opt, const std::string& s, std::initializer_list<const char*> words,
           const char* why)
{
    int k = 0;
    for (const char* w : words) {
        if (s == w)
            return k;
        ++k;
    }
    bad("%s : %s, pas %s", opt, why, s.c_str());
}

} // namespace

void bad(const char* fmt, ...)
{
    char text[2048];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    throw SimRefus{2, text};
}

void fail(const char* where, const char* msg)
{
    std::string text = std::string(where) + " : " + msg;
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    throw SimRefus{1, text};
}

void parse_options(int argc, char** argv, SimOptions& o)
{
    CLI::App app("kadmer-sim");
    app.set_help_flag();
    app.allow_extras();
    // a repeated option keeps its last value
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    // every value is read as text and converted here, so that the messages
    // name the option the way the rest of the program does
    auto value = [&](const char* name, std::function<void(const std::string&)> set) {
        app.add_option_function<std::string>(name, set);
    };
    auto num = [&](const char* name, double* into) {
        value(name, [name, into](const std::string& s) { *into = number(name, s); });
    };
    auto flag = [&](const char* name, std::function<void()> set) {
        app.add_flag_callback(name, set);
    };
    auto path = [&](const char* name, std::string* into) {
        value(name, [into](const std::string& s) { *into = s; });
    };

    bool help = false;
    flag("-h,--help", [&] { help = true; });

    num("--voie", &o.voie);
    num("--inclinaison", &o.inclinaisonDeg);
    flag("--quadri", [&] { o.quadri = 1; });
    path("--datadyn", &o.datadyn);
    flag("--test-libre", [&] { o.testLibre = 1; });
    value("--period", [&](const std::string& s) {
        o.periodMs = whole("--period", s, refusPeriode);
    });
    path("--results", &o.results);
    value("--verbosity", [&](const std::string& s) {
        o.verbose = whole("--verbosity", s, refusVerbosite);
    });
    path("--mnt", &o.mntFile);
    value("--mnt-type", [&](const std::string& s) {
        o.mntType = choice("--mnt-type", s, {"0", "1", "2"}, "0, 1 ou 2 attendu");
    });
    num("--cell", &o.cell);
    num("--xmin", &o.xmin);
    num("--xmax", &o.xmax);
    num("--ymin", &o.ymin);
    num("--ymax", &o.ymax);
    value("--bosses", [&](const std::string& s) { o.bosses = number("--bosses", s), o.hasBosses = true; });
    num("--coefh", &o.coefh);
    value("--window", [&](const std::string& s) {
        numbers("--window", s, 3, o.window);
        o.hasWindow = true;
    });
    num("--mnt-step", &o.mntStep);
    value("--sol", [&](const std::string& s) {
        o.solType = choice("--sol", s, {"0", "1", "2"}, "0, 1 ou 2 attendu");
    });
    num("--c1", &o.c1);
    num("--c2", &o.c2);
    num("--n1", &o.n1);
    path("--zones", &o.zonesFile);
    value("--kN", [&](const std::string& s) { o.kN = number("--kN", s), o.hasKN = true; });
    value("--fN", [&](const std::string& s) { o.fN = number("--fN", s), o.hasFN = true; });
    value("--kT", [&](const std::string& s) { o.kT = number("--kT", s), o.hasKT = true; });
    value("--fT", [&](const std::string& s) { o.fT = number("--fT", s), o.hasFT = true; });
    num("--phi0", &o.phi0Deg);
    value("--mode", [&](const std::string& s) {
        o.dynamic = choice("--mode", s, {"kin", "dyn"}, "kin ou dyn attendu") == 1;
    });
    num("--v", &o.vDes);
    num("--c", &o.cDes);
    path("--commands", &o.commandsFile);
    value("--duration", [&](const std::string& s) {
        o.duration = number("--duration", s), o.hasDuration = true;
    });
    value("--pose", [&](const std::string& s) {
        numbers("--pose", s, 6, o.pose);
        o.hasPose = true;
    });
    value("--angles", [&](const std::string& s) {
        numbers("--angles", s, NB_CONF, o.angles);
        o.hasAngles = true;
    });
    flag("--no-place", [&] { o.noPlace = true; });
    flag("--continue", [&] { o.keepGoing = true; });
    path("-o", &o.output);
    path("--telemetry", &o.telemetry);
    path("--rapport", &o.report);
    path("--carte", &o.map);
    flag("--summary", [&] { o.summary = true; });
    path("--scenario", &o.scenario);

    const std::string complaint = cli_parse(app, argc, argv);
    if (!complaint.empty()) bad("%s", complaint.c_str());
    if (help) {
        std::fputs(Usage, stdout);
        std::exit(0);
    }
    std::vector<std::string> extra = app.remaining();
    if (!extra.empty()) {
        std::fputs(Usage, stderr);
        bad("%s", cli_extra(extra.front()).c_str());
    }
}

void check_options(const SimOptions& o)
{
    within("--voie", o.voie, refusVoie, " m");
    within("--inclinaison", o.inclinaisonDeg, refusInclinaison);
    within("--cell", o.cell, refusCellule, " m");
    if (!(o.xmax > o.xmin) || !(o.ymax > o.ymin))
        bad("--xmin/--xmax/--ymin/--ymax : etendue vide");
    if (o.mntFile.empty()) {
        const std::string why = refusGrille(o.xmax - o.xmin, o.ymax - o.ymin, o.cell);
        if (!why.empty())
            bad("--cell : %s", why.c_str());
    }
    within("--duration", o.duration, refusDuree, " s");
    within("--phi0", o.phi0Deg, refusPhi0);
    // a scenario may keep zones for the macro model while it runs the other
    if (!o.zonesFile.empty() && o.solType == 0 && o.scenario.empty())
        bad("--zones ne sert qu'avec --sol 1 ou 2");
    if (o.hasWindow)
        within("--window", o.window[2], refusFenetre, " m");
    within("--mnt-step", o.mntStep, refusPas, " m");
    if ((o.hasWindow || o.mntStep > 0.0) && o.mntFile.empty())
        bad("--window et --mnt-step ne servent qu'avec un MNT raster (--mnt)");
    if (!o.report.empty() && !o.hasPlan)
        bad("--rapport ne sert qu'avec un scenario a plan (pilotage.plan)");
    if (!o.map.empty() && !o.hasPlan)
        bad("--carte ne sert qu'avec un scenario a plan (pilotage.plan)");
    if (o.hasPlan && !o.commandsFile.empty())
        bad("--commands : pas avec le plan du scenario, l'un ou l'autre");
}

void options_from_scenario(const ScenarioFile& s, SimOptions& o)
{
    o.voie = s.voie;
    o.inclinaisonDeg = s.inclinaison;
    o.quadri = s.quadri ? 1 : 0;

    o.testLibre = s.testLibre ? 1 : 0;
    o.periodMs = s.periode;
    o.verbose = s.verbosite;
    o.results = s.resultats;
    o.datadyn = s.donneesFichier;
    for (int k = 0; k < NB_DATADYN; ++k) {
        o.data[k] = s.donnees[k];
        o.dataGiven[k] = s.donneeDonnee[k];
    }

    o.mntFile = s.terrainFichier;
    o.mntType = s.forme;
    o.cell = s.cellule;
    o.xmin = s.xmin;
    o.xmax = s.xmax;
    o.ymin = s.ymin;
    o.ymax = s.ymax;
    o.bosses = s.bosses;
    o.coefh = s.coefH;
    o.graine = s.graine;
    o.hasBosses = s.aBosses;
    if (!s.raster.empty()) {
        // an elevation raster is a terrain file the reader recognises
        o.mntFile = s.raster;
        o.hasWindow = s.aFenetre;
        for (int k = 0; k < 3; ++k)
            o.window[k] = s.fenetre[k];
        o.mntStep = s.pas;
    }

    o.solType = s.modele;
    o.c1 = s.c1;
    o.c2 = s.c2;
    o.n1 = s.n1;
    o.phi0Deg = s.phi0;
    o.hasKN = s.aKN, o.kN = s.kN;
    o.hasFN = s.aFN, o.fN = s.fN;
    o.hasKT = s.aKT, o.kT = s.kT;
    o.hasFT = s.aFT, o.fT = s.fT;
    o.zonesFile = s.zonesFichier;
    o.zones = s.zones;

    o.hasPose = s.aPose;
    for (int k = 0; k < 6; ++k)
        o.pose[k] = s.pose[k];
    o.hasAngles = s.aAngles;
    for (int k = 0; k < NB_CONF; ++k)
        o.angles[k] = s.angles[k];
    o.noPlace = !s.placer;

    o.dynamic = s.dynamique;
    o.vDes = s.v;
    o.cDes = s.c;
    o.commandsFile = s.commandesFichier;
    o.commands = s.commandes;
    o.keepGoing = s.continuer;
    o.duration = s.duree;
    o.hasDuration = !s.aPlan || s.aDuree;
    o.hasPlan = s.aPlan;
    o.planVitesse = s.planVitesse;
    o.planCommandes = s.planCommandes;
    o.zonesInterdites = s.zonesInterdites;
    o.limites = s.limites;
    o.report = s.rapport;
    o.map = s.carte;

    o.output = s.trajectoire;
    o.telemetry = s.telemetrie;
}

void read_options(int argc, char** argv, SimOptions& o)
{
    parse_options(argc, argv, o);
    if (o.scenario.empty())
        return;
    ScenarioFile file;
    std::string m = litScenario(o.scenario, &file);
    if (!m.empty())
        bad("scenario %s : %s", o.scenario.c_str(), m.c_str());
    SimOptions fromFile;
    options_from_scenario(file, fromFile);
    parse_options(argc, argv, fromFile);
    o = fromFile;
}
