// kadmer-rig: one wheel of the rover on a soil bin. Under a vertical load on
// flat ground of a chosen soil it is driven at imposed slip ratios, or against
// imposed drawbar pulls, until steady state; each steady point goes to a CSV
// line (slip, sinkage, drawbar pull, torque and their ratios to the load) and
// the curves to a PNG.
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "banc.h"
#include "courbes.h"
#include "reference.h"
#include "tools/common/cli_parse.h"

namespace {

const double DegToRad = 0.017453292519943295;

const char* const Usage =
    "usage: kadmer-rig [options]\n"
    "  --sol 0|1|2 (1)        0 visco-elastique, 1 macro, 2 classique (terramecanique)\n"
    "  --preset NOM (defaut)  sol publie (sols 1 et 2) : --presets les liste\n"
    "  --zones FICHIER --xy X,Y (0,0)   sols 1 et 2 : la zone du fichier de sols en (X, Y)\n"
    "  --n --kc --kphi --c --phi DEG --K --rhod --lbda --Xc DEG   sols 1 et 2, valeur par valeur\n"
    "  --c1 (0.43) --c2 (0.32) --n1 (0)   sol classique : angle de contrainte maximale\n"
    "                         (c1 + c2 i) et croissance de n avec le glissement\n"
    "  --kN --fN --kT --fT --phi0 DEG   sol visco-elastique (defauts du modele)\n"
    "  --voie M (1.0)         rover dont la roue est prise (rayon, largeur)\n"
    "  --charge N             charge verticale W (defaut : poids du rover / 6)\n"
    "  --vitesse M/S          vitesse de jante (defaut : vitesse maximale du rover)\n"
    "  --slip A:B:PAS (0:0.8:0.05)   glissements imposes, de -1 a 1\n"
    "  --traction A:B:PAS     efforts de traction imposes, N (au lieu de --slip)\n"
    "  --statique             la roue au repos seulement\n"
    "  --reference            ajoute le modele classique integre sur l'arc (sols 1 et 2 ;\n"
    "                         avec --statique : l'enfoncement de l'arc sans cisaillement)\n"
    "  --macro                sol classique : ajoute la loi macro sur le meme sol\n"
    "  --duree-max S (300)    temps simule maximal par point\n"
    "  -o FICHIER.csv (sortie standard)  --png FICHIER.png  --titre TEXTE\n"
    "  --presets              liste les sols publies\n";

// a bad argument or parameter: status 2
[[noreturn]] __attribute__((format(printf, 1, 2))) void bad(const char* fmt, ...)
{
    std::fprintf(stderr, "kadmer-rig: ");
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fputc('\n', stderr);
    std::exit(2);
}

double number(const char* opt, const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        bad("%s attend un nombre, pas \"%s\"", opt, text.c_str());
    return v;
}

// "A:B:STEP" (or a single value): the values from A to B by STEP, B included
// within a thousandth of a step; at most 1000 of them
std::vector<double> sweep(const char* opt, const std::string& text)
{
    std::vector<std::string> parts;
    size_t p = 0;
    for (;;) {
        size_t q = text.find(':', p);
        parts.push_back(text.substr(p, q == std::string::npos ? q : q - p));
        if (q == std::string::npos) break;
        p = q + 1;
    }
    if (parts.size() == 1) return {number(opt, parts[0])};
    if (parts.size() != 3) bad("%s attend A:B:PAS ou une valeur, pas \"%s\"", opt, text.c_str());
    const double a = number(opt, parts[0]), b = number(opt, parts[1]), s = number(opt, parts[2]);
    if (!(s > 0.0) || b < a) bad("%s : PAS positif et A <= B attendus, pas \"%s\"", opt, text.c_str());
    const double n = std::floor((b - a) / s + 1e-3);
    if (n >= 1000.0) bad("%s : plus de 1000 points", opt);
    std::vector<double> v;
    for (int k = 0; k <= static_cast<int>(n); ++k) v.push_back(a + k * s);
    return v;
}

struct Options {
    int sol = 1;
    std::string preset = "defaut", zones, csv, png, titre;
    double xy[2] = {0.0, 0.0};
    double voie = 1.0;
    std::vector<std::function<void(Banc*)>> reglages;  // in the order given
    std::string slip = "0:0.8:0.05", traction;
    bool statique = false, reference = false, liste = false, macro = false;
};

void parse(int argc, char** argv, Options& o)
{
    CLI::App app("kadmer-rig");
    app.set_help_flag();
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    auto value = [&](const char* name, std::function<void(const std::string&)> set) {
        app.add_option_function<std::string>(name, set);
    };
    // a soil or rig value, applied once the rig holds its defaults
    auto reglage = [&](const char* name, std::function<void(Banc*, double)> set) {
        value(name, [&o, name, set](const std::string& s) {
            const double v = number(name, s);
            o.reglages.push_back([set, v](Banc* b) { set(b, v); });
        });
    };
    bool help = false;
    app.add_flag_callback("-h,--help", [&] { help = true; });
    value("--sol", [&](const std::string& s) {
        if (s != "0" && s != "1" && s != "2") bad("--sol : 0, 1 ou 2 attendu, pas \"%s\"", s.c_str());
        o.sol = s[0] - '0';
    });
    value("--preset", [&](const std::string& s) { o.preset = s; });
    value("--zones", [&](const std::string& s) { o.zones = s; });
    value("--xy", [&](const std::string& s) {
        size_t k = s.find(',');
        if (k == std::string::npos) bad("--xy attend X,Y, pas \"%s\"", s.c_str());
        o.xy[0] = number("--xy", s.substr(0, k));
        o.xy[1] = number("--xy", s.substr(k + 1));
    });
    reglage("--n", [](Banc* b, double v) { b->zone.n = v; });
    reglage("--kc", [](Banc* b, double v) { b->zone.kc = v; });
    reglage("--kphi", [](Banc* b, double v) { b->zone.kphi = v; });
    reglage("--c", [](Banc* b, double v) { b->zone.c = v; });
    reglage("--phi", [](Banc* b, double v) {
        b->zone.phi = v * DegToRad;
        b->zone.tanPhi = std::tan(b->zone.phi);
    });
    reglage("--K", [](Banc* b, double v) { b->zone.K = v; });
    reglage("--rhod", [](Banc* b, double v) { b->zone.rhod = v; });
    reglage("--lbda", [](Banc* b, double v) { b->zone.lbda = v; });
    reglage("--Xc", [](Banc* b, double v) { b->zone.Xc = v * DegToRad; });
    reglage("--c1", [](Banc* b, double v) { b->classique.c1 = v; });
    reglage("--c2", [](Banc* b, double v) { b->classique.c2 = v; });
    reglage("--n1", [](Banc* b, double v) { b->classique.n1 = v; });
    reglage("--kN", [](Banc* b, double v) { b->visco.kN = v; });
    reglage("--fN", [](Banc* b, double v) { b->visco.fN = v; });
    reglage("--kT", [](Banc* b, double v) { b->visco.kT = v; });
    reglage("--fT", [](Banc* b, double v) { b->visco.fT = v; });
    reglage("--phi0", [](Banc* b, double v) {
        if (!(v > 0.0 && v < 90.0))
            bad("--phi0 : angle de 0 a 90 degres (exclus) attendu, pas %g", v);
        b->visco.tanPhi0 = std::tan(v * DegToRad);
    });
    value("--voie", [&](const std::string& s) { o.voie = number("--voie", s); });
    reglage("--charge", [](Banc* b, double v) { b->W = v; });
    reglage("--vitesse", [](Banc* b, double v) { b->V0 = v; });
    reglage("--duree-max", [](Banc* b, double v) { b->tMax = v; });
    value("--slip", [&](const std::string& s) { o.slip = s; });
    value("--traction", [&](const std::string& s) { o.traction = s; });
    app.add_flag_callback("--statique", [&] { o.statique = true; });
    app.add_flag_callback("--reference", [&] { o.reference = true; });
    app.add_flag_callback("--macro", [&] { o.macro = true; });
    app.add_flag_callback("--presets", [&] { o.liste = true; });
    value("-o", [&](const std::string& s) { o.csv = s; });
    value("--png", [&](const std::string& s) { o.png = s; });
    value("--titre", [&](const std::string& s) { o.titre = s; });

    const std::string complaint = cli_parse(app, argc, argv);
    if (!complaint.empty()) bad("%s", complaint.c_str());
    if (help) {
        std::fputs(Usage, stdout);
        std::exit(0);
    }
    if (!app.remaining().empty()) {
        std::fputs(Usage, stderr);
        bad("%s", cli_extra(app.remaining().front()).c_str());
    }
}

void listePresets()
{
    std::printf("%-18s %-28s %5s %10s %10s %7s %6s %6s\n", "nom", "sol", "n", "kc", "kphi",
                "c (Pa)", "phi", "K (m)");
    for (int k = 0; k < nbPresetsSol; ++k) {
        const PresetSol& p = presetsSol[k];
        // the names hold accented letters: pad by characters, not bytes
        int largeur = 0;
        for (const char* c = p.titre; *c; ++c) largeur += (*c & 0xC0) != 0x80;
        std::printf("%-18s %s%*s %5.2f %10.0f %10.0f %7.0f %6.1f %6.3f\n", p.nom, p.titre,
                    largeur < 28 ? 28 - largeur : 0, "", p.n, p.kc, p.kphi, p.c, p.phiDeg, p.K);
    }
}

// the macro soil from the zones file: the zone at (x, y)
void zoneDuFichier(Banc* banc, const Options& o)
{
    FILE* f = std::fopen(o.zones.c_str(), "r");
    if (!f) bad("fichier de sols \"%s\" illisible : %s", o.zones.c_str(), std::strerror(errno));
    ZonesSol zs = {0, nullptr};
    const char* msg = litZones(&zs, f);
    if (msg) {
        libereZones(&zs);
        bad("fichier de sols \"%s\" : %s", o.zones.c_str(), msg);
    }
    const ZoneSol* z = chercheZone(&zs, o.xy[0], o.xy[1]);
    banc->zone = *z;
    banc->zone.suivante = nullptr;
    libereZones(&zs);
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    parse(argc, argv, o);
    if (o.liste) {
        listePresets();
        return 0;
    }
    if (!(o.voie > 0.0)) bad("--voie : largeur positive attendue, pas %g m", o.voie);

    Banc banc;
    if (const char* m = initBanc(&banc, o.voie)) bad("%s", m);
    const char* nomSol = "";
    if (o.sol >= 1) {
        if (!o.zones.empty()) {
            zoneDuFichier(&banc, o);
            nomSol = "Fichier de sols";
        } else {
            const PresetSol* p = cherchePreset(o.preset.c_str());
            if (!p) {
                std::string noms;
                for (int k = 0; k < nbPresetsSol; ++k) noms += std::string(k ? ", " : "") + presetsSol[k].nom;
                bad("sol publie inconnu : \"%s\" (connus : %s)", o.preset.c_str(), noms.c_str());
            }
            appliquePreset(&banc, p);
            nomSol = p->titre;
        }
    } else {
        banc.typeSol = SolBancVisco;
        nomSol = "Sol visco-élastique";
    }
    if (o.sol == 2) banc.typeSol = SolBancClassique;
    for (auto& r : o.reglages) r(&banc);
    if (const char* m = verifieBanc(&banc)) bad("%s", m);
    if (o.reference && banc.typeSol == SolBancVisco)
        bad("--reference ne sert qu'avec les sols macro et classique");

    if (o.macro && (banc.typeSol != SolBancClassique || o.statique || !o.traction.empty()))
        bad("--macro ne sert qu'avec le sol classique, en glissement impose");
    Banc macro = banc;
    macro.typeSol = SolBancMacro;

    const bool traction = !o.traction.empty();
    std::vector<double> valeurs;
    if (o.statique)
        valeurs = {0.0};
    else if (traction)
        valeurs = sweep("--traction", o.traction);
    else {
        valeurs = sweep("--slip", o.slip);
        for (double i : valeurs)
            if (const char* m = verifieGlissement(i)) bad("--slip : %s", m);
    }

    FILE* csv = stdout;
    if (!o.csv.empty()) {
        csv = std::fopen(o.csv.c_str(), "w");
        if (!csv) bad("fichier \"%s\" impossible a ecrire : %s", o.csv.c_str(), std::strerror(errno));
    }
    std::fputs("slip,sinkage_m,DP_N,T_Nm,DP_W,T_Wr,steady", csv);
    if (o.reference) std::fputs(",ref_sinkage_m,ref_DP_N,ref_T_Nm,ref_DP_W,ref_T_Wr", csv);
    if (o.macro) std::fputs(",macro_sinkage_m,macro_DP_W,macro_T_Wr", csv);
    std::fputc('\n', csv);

    std::fprintf(stderr, "kadmer-rig: %s, roue r = %g m b = %g m, W = %g N, V = %g m/s, "
                         "enfoncement statique (forme close) %.9g m\n",
                 nomSol, banc.r, banc.b, banc.W, banc.V0, enfoncementStatique(&banc));
    std::vector<LigneCourbe> lignes;
    int instables = 0;
    const double Wr = banc.W * banc.r;
    for (size_t k = 0; k < valeurs.size(); ++k) {
        PointBanc p;
        if (o.statique)
            pointStatique(&banc, &p);
        else if (traction)
            pointTraction(&banc, valeurs[k], &p);
        else
            pointGlissement(&banc, valeurs[k], &p);
        if (p.regime == -1) {
            std::fprintf(stderr, "kadmer-rig: effort non fini au point %g : arret\n", valeurs[k]);
            if (csv != stdout) std::fclose(csv);
            return 1;
        }
        instables += p.regime != 1;
        LigneCourbe l = {p.slip, p.sinkage, p.DP / banc.W, p.T / Wr, NAN, NAN, NAN, NAN, NAN, NAN};
        std::fprintf(csv, "%.9g,%.9g,%.9g,%.9g,%.9g,%.9g,%d", p.slip, p.sinkage, p.DP, p.T,
                     p.DP / banc.W, p.T / Wr, p.regime);
        if (o.reference && o.statique) {
            // at rest the classical statement is the pressure-sinkage law
            // integrated over the front arc, without shear
            const double z = enfoncementArc(&banc.zone, banc.r, banc.b, banc.W);
            std::fprintf(csv, ",%.9g,,,,", z);
            l.refSinkage = z;
        } else if (o.reference) {
            ReferenceRoue ref;
            referenceClassique(&banc.zone, banc.r, banc.b, banc.W, p.slip, &ref);
            if (ref.ok) {
                std::fprintf(csv, ",%.9g,%.9g,%.9g,%.9g,%.9g", ref.sinkage, ref.DP, ref.T,
                             ref.DP / banc.W, ref.T / Wr);
                l.refSinkage = ref.sinkage;
                l.refDPW = ref.DP / banc.W;
                l.refTWr = ref.T / Wr;
            } else {
                std::fputs(",,,,,", csv);
            }
        }
        if (o.macro) {
            PointBanc m;
            pointGlissement(&macro, valeurs[k], &m);
            std::fprintf(csv, ",%.9g,%.9g,%.9g", m.sinkage, m.DP / banc.W, m.T / Wr);
            l.macroSinkage = m.sinkage;
            l.macroDPW = m.DP / banc.W;
            l.macroTWr = m.T / Wr;
        }
        std::fputc('\n', csv);
        std::fflush(csv);
        lignes.push_back(l);
        std::fprintf(stderr, "kadmer-rig: point %zu/%zu : glissement %.4g, enfoncement %.4g m, "
                             "DP/W %.4g, T/(W.r) %.4g, %g s simulees%s\n",
                     k + 1, valeurs.size(), p.slip, p.sinkage, p.DP / banc.W, p.T / Wr, p.t,
                     p.regime == 1 ? "" : " (pas de regime etabli)");
    }
    if (csv != stdout && std::fclose(csv) != 0)
        bad("fichier \"%s\" mal ecrit : %s", o.csv.c_str(), std::strerror(errno));

    if (!o.png.empty()) {
        std::string titre = o.titre.empty() ? std::string(nomSol) : o.titre;
        char sous[160];
        std::snprintf(sous, sizeof sous, " (W = %.4g N, r = %.3g m, b = %.3g m)", banc.W, banc.r, banc.b);
        titre += sous;
        if (const char* m = traceCourbes(o.png.c_str(), titre.c_str(), lignes, o.reference, argc, argv)) {
            std::fprintf(stderr, "kadmer-rig: %s\n", m);
            return 1;
        }
    }
    if (instables)
        std::fprintf(stderr, "kadmer-rig: %d point(s) sans regime etabli (colonne steady a 0)\n",
                     instables);
    return 0;
}
