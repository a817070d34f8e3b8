// kadmer-sim: the rover model without the window. Builds the scenario the
// program builds at start with every dialog accepted on its defaults (or on
// the values given here), runs ticks of the view controller's period in
// kinematic or dynamic piloting, and writes the trajectory in the recording
// format.
#include <cerrno>
#include <cstdarg>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "rover/confrover.h"
#include "rover/dynamics.h"
#include "rover/dynrover.h"
#include "rover/piloting.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

namespace {

const double DegToRad = 0.017453292519943295;

const char* const Usage =
    "usage: kadmer-sim [options]\n"
    "  --voie M (1.0)  --inclinaison DEG (0)  --quadri\n"
    "  --datadyn FILE (dynamic data file; default: internal initial data)  --test-libre\n"
    "  --period MS (40)  --results FILE  --verbosity N (0)\n"
    "  --mnt FILE | --mnt-type 0|1|2 (1)  --cell M (0.25)  --xmin --xmax --ymin --ymax (-10/10)\n"
    "  --bosses M (0.1)  --coefh K (1)\n"
    "  --sol 0|1 (0)  --zones FILE  --kN --fN --kT --fT --phi0 DEG (simplified soil, defaults "
    "from init_dynSol)\n"
    "  --mode kin|dyn (kin)  --v VDES (0)  --c CDES (0)  --commands FILE (lines \"t vDes cDes\": "
    "from time t on)\n"
    "  --duration S (10)  --pose X,Y,Z,SITE,GITE,AZIMUT (metres, degrees; then placed on the "
    "ground)\n"
    "  --angles A0,...,A20 (the 21 configuration values, degrees)  --no-place\n"
    "  --continue (go on after a step's message)\n"
    "  -o FILE (trajectory)\n";

// a bad argument or an unreadable file: status 2
[[noreturn]] __attribute__((format(printf, 1, 2))) void bad(const char* fmt, ...)
{
    std::fprintf(stderr, "kadmer-sim: ");
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::fprintf(stderr, "\n");
    std::exit(2);
}

// a failure while building or running the scenario: status 1
[[noreturn]] void fail(const char* where, const char* msg)
{
    std::fprintf(stderr, "kadmer-sim: %s : %s", where, msg);
    size_t n = std::strlen(msg);
    if (n == 0 || msg[n - 1] != '\n')
        std::fputc('\n', stderr);
    std::exit(1);
}

double number(const char* opt, const char* text)
{
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno == ERANGE || !std::isfinite(v))
        bad("%s attend un nombre, pas \"%s\"", opt, text);
    return v;
}

// comma-separated numbers, exactly n of them
void numbers(const char* opt, const char* text, int n, double* out)
{
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

struct Commande {
    double t, vDes, cDes;
};

// lines "t vDes cDes", in increasing time; blank lines and lines starting
// with # are skipped
std::vector<Commande> read_commands(const char* path)
{
    FILE* f = std::fopen(path, "r");
    if (!f)
        bad("fichier de commandes illisible : %s (%s)", path, std::strerror(errno));
    std::vector<Commande> list;
    char line[1024];
    int no = 0;
    while (std::fgets(line, sizeof line, f)) {
        ++no;
        const char* p = line;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '\n' || *p == '\r' || *p == '\0' || *p == '#')
            continue;
        Commande c;
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

int main(int argc, char** argv)
{
    // ---- options ------------------------------------------------------------
    double voie = 1.0, inclinaisonDeg = 0.0;
    int quadri = 0, testLibre = 0, periodMs = 40, verbose = 0;
    const char* datadyn = nullptr;
    const char* results = nullptr;
    const char* mntFile = nullptr;
    int mntType = 1, solType = 0;
    double cell = 0.25, xmin = -10, xmax = 10, ymin = -10, ymax = 10;
    double bosses = 0.1, coefh = 1.0;
    const char* zonesFile = nullptr;
    bool hasKN = false, hasFN = false, hasKT = false, hasFT = false;
    double kN = 0, fN = 0, kT = 0, fT = 0, phi0Deg = 30.0;
    bool dynamic = false;
    double vDes = 0.0, cDes = 0.0, duration = 10.0;
    const char* commandsFile = nullptr;
    bool hasPose = false, hasAngles = false, noPlace = false, keepGoing = false;
    double pose[6] = {0}, angles[NB_CONF] = {0};
    const char* output = nullptr;

    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc)
                bad("%s attend une valeur", a);
            return argv[++i];
        };
        if (!std::strcmp(a, "--voie"))
            voie = number(a, value());
        else if (!std::strcmp(a, "--inclinaison"))
            inclinaisonDeg = number(a, value());
        else if (!std::strcmp(a, "--quadri"))
            quadri = 1;
        else if (!std::strcmp(a, "--datadyn"))
            datadyn = value();
        else if (!std::strcmp(a, "--test-libre"))
            testLibre = 1;
        else if (!std::strcmp(a, "--period")) {
            double p = number(a, value());
            if (p != std::floor(p) || p < 1 || p > 10000)
                bad("%s : periode entiere de 1 a 10000 ms attendue, pas %s", a, argv[i]);
            periodMs = (int)p;
        } else if (!std::strcmp(a, "--results"))
            results = value();
        else if (!std::strcmp(a, "--verbosity")) {
            double v = number(a, value());
            if (v != std::floor(v) || v < 0 || v > 200)
                bad("%s : entier de 0 a 200 attendu, pas %s", a, argv[i]);
            verbose = (int)v;
        } else if (!std::strcmp(a, "--mnt"))
            mntFile = value();
        else if (!std::strcmp(a, "--mnt-type")) {
            const char* v = value();
            if (std::strcmp(v, "0") && std::strcmp(v, "1") && std::strcmp(v, "2"))
                bad("%s : 0, 1 ou 2 attendu, pas %s", a, v);
            mntType = v[0] - '0';
        } else if (!std::strcmp(a, "--cell"))
            cell = number(a, value());
        else if (!std::strcmp(a, "--xmin"))
            xmin = number(a, value());
        else if (!std::strcmp(a, "--xmax"))
            xmax = number(a, value());
        else if (!std::strcmp(a, "--ymin"))
            ymin = number(a, value());
        else if (!std::strcmp(a, "--ymax"))
            ymax = number(a, value());
        else if (!std::strcmp(a, "--bosses"))
            bosses = number(a, value());
        else if (!std::strcmp(a, "--coefh"))
            coefh = number(a, value());
        else if (!std::strcmp(a, "--sol")) {
            const char* v = value();
            if (std::strcmp(v, "0") && std::strcmp(v, "1"))
                bad("%s : 0 ou 1 attendu, pas %s", a, v);
            solType = v[0] - '0';
        } else if (!std::strcmp(a, "--zones"))
            zonesFile = value();
        else if (!std::strcmp(a, "--kN")) {
            kN = number(a, value());
            hasKN = true;
        } else if (!std::strcmp(a, "--fN")) {
            fN = number(a, value());
            hasFN = true;
        } else if (!std::strcmp(a, "--kT")) {
            kT = number(a, value());
            hasKT = true;
        } else if (!std::strcmp(a, "--fT")) {
            fT = number(a, value());
            hasFT = true;
        } else if (!std::strcmp(a, "--phi0"))
            phi0Deg = number(a, value());
        else if (!std::strcmp(a, "--mode")) {
            const char* v = value();
            if (!std::strcmp(v, "kin"))
                dynamic = false;
            else if (!std::strcmp(v, "dyn"))
                dynamic = true;
            else
                bad("%s : kin ou dyn attendu, pas %s", a, v);
        } else if (!std::strcmp(a, "--v"))
            vDes = number(a, value());
        else if (!std::strcmp(a, "--c"))
            cDes = number(a, value());
        else if (!std::strcmp(a, "--commands"))
            commandsFile = value();
        else if (!std::strcmp(a, "--duration"))
            duration = number(a, value());
        else if (!std::strcmp(a, "--pose")) {
            numbers(a, value(), 6, pose);
            hasPose = true;
        } else if (!std::strcmp(a, "--angles")) {
            numbers(a, value(), NB_CONF, angles);
            hasAngles = true;
        } else if (!std::strcmp(a, "--no-place"))
            noPlace = true;
        else if (!std::strcmp(a, "--continue"))
            keepGoing = true;
        else if (!std::strcmp(a, "-o"))
            output = value();
        else if (!std::strcmp(a, "-h") || !std::strcmp(a, "--help")) {
            std::fputs(Usage, stdout);
            return 0;
        } else {
            std::fputs(Usage, stderr);
            bad("option inconnue : %s", a);
        }
    }
    if (!(voie > 0.0))
        bad("--voie : largeur positive attendue, pas %g m", voie);
    if (inclinaisonDeg < 0.0 || inclinaisonDeg >= 90.0)
        bad("--inclinaison : angle de 0 a 90 degres (exclu) attendu, pas %g", inclinaisonDeg);
    if (!(cell > 0.0))
        bad("--cell : dimension de cellule positive attendue, pas %g m", cell);
    if (!(xmax > xmin) || !(ymax > ymin))
        bad("--xmin/--xmax/--ymin/--ymax : etendue vide");
    if (!(duration >= 0.0))
        bad("--duration : duree positive ou nulle attendue, pas %g s", duration);
    if (!(phi0Deg > 0.0 && phi0Deg < 90.0))
        bad("--phi0 : angle de 0 a 90 degres (exclus) attendu, pas %g", phi0Deg);
    if (zonesFile && solType != 1)
        bad("--zones ne sert qu'avec --sol 1");

    std::vector<Commande> commands;
    if (commandsFile)
        commands = read_commands(commandsFile);

    // ---- the scenario, in the order of the start-up ----------------------------
    DynRover* rover = static_cast<DynRover*>(std::calloc(1, sizeof(DynRover)));
    Mnt* mnt = static_cast<Mnt*>(std::calloc(1, sizeof(Mnt)));
    if (!rover || !mnt)
        fail("In newScenario", "Echec allocation !");
    ConfRover* cr = &rover->conf;

    // geometry
    rover->voie = voie;
    rover->inclinaison = inclinaisonDeg * DegToRad;
    rover->quadri = quadri;
    if (const char* m = geodir_rover(cr, rover->voie, rover->inclinaison, rover->quadri))
        fail("In newScenario", m);
    if (const char* m = update_geometry(cr))
        fail("In newScenario", m);

    // rover dynamics
    rover->testLibre = testLibre;
    rover->fresults = nullptr;
    rover->verbose = verbose;
    rover->fdata = nullptr;
    dyn_defaults(rover);
    if (datadyn) {
        FILE* f = std::fopen(datadyn, "rt");
        if (!f)
            bad("fichier de donnees dynamiques illisible : %s (%s)", datadyn, std::strerror(errno));
        if (const char* m = loadDatadynrov(&rover->data, f))
            bad("fichier de donnees dynamiques %s : %s", datadyn, m);
    }
    if (results) {
        rover->fresults = std::fopen(results, "wt");
        if (!rover->fresults)
            bad("fichier resultats impossible a ecrire : %s (%s)", results, std::strerror(errno));
    }
    dyn_constants(rover);

    // terrain
    defauts_mnt(mnt);
    FILE* terrainFile = nullptr;
    if (mntFile) {
        terrainFile = std::fopen(mntFile, "r");
        if (!terrainFile)
            bad("fichier MNT illisible : %s (%s)", mntFile, std::strerror(errno));
    }
    mnt->fichier = terrainFile;
    mnt->typeMNT = mntType;
    mnt->typeDyn = solType;
    mnt->coefH = coefh;
    mnt->hBosses = bosses;
    mnt->dx = mnt->dy = cell;
    mnt->Xmin = xmin;
    mnt->Xmax = xmax;
    mnt->Ymin = ymin;
    mnt->Ymax = ymax;
    int built = new_mnt(mnt);
    if (built < 0)
        fail("In newScenario", "Echec initialisation MNT");
    if (built == 1)
        bad("fichier MNT inutilisable : %s", mntFile);

    // soil
    DynSol sol;
    ZonesSol* zones = nullptr;
    if (solType == 1) {
        zones = nouvellesZones(nullptr);
        if (!zones)
            fail("In newScenario", "Echec allocation !");
        if (zonesFile) {
            FILE* f = std::fopen(zonesFile, "r");
            if (!f)
                bad("fichier de zones illisible : %s (%s)", zonesFile, std::strerror(errno));
            if (const char* m = litZones(zones, f))
                bad("fichier de zones %s : %s", zonesFile, m);
        }
        mnt->sol = zones;
    } else {
        init_dynSol(&sol, phi0Deg * DegToRad, rover->data.g);
        if (hasKN)
            sol.kN = kN;
        if (hasFN)
            sol.fN = fN;
        if (hasKT)
            sol.kT = kT;
        if (hasFT)
            sol.fT = fT;
        mnt->sol = &sol;
    }

    // pose and configuration, then the placement
    if (hasPose) {
        for (int k = 0; k < 3; ++k)
            cr->pos[k] = pose[k];
        for (int k = 0; k < 3; ++k)
            cr->att[k] = pose[3 + k] * DegToRad;
    }
    if (hasAngles)
        for (int k = 0; k < NB_CONF; ++k)
            cr->q[k] = angles[k] * DegToRad;
    if (noPlace) {
        if (const char* m = update_geometry(cr))
            fail("In newScenario", m);
    } else if (const char* m = place_on_ground(cr, mnt)) {
        fail("In newScenario", m);
    }
    if (dynamic)
        dyn_reset(rover);

    FILE* out = nullptr;
    if (output) {
        out = std::fopen(output, "wt");
        if (!out)
            bad("fichier trajectoire impossible a ecrire : %s (%s)", output, std::strerror(errno));
        ecrit_ligne_conf(out, cr);
    }

    // ---- the ticks --------------------------------------------------------------
    const double dt = 0.001 * periodMs;
    const long ticks = std::lround(duration / dt);
    size_t next = 0;
    int status = 0;
    long done = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (long k = 0; k < ticks; ++k) {
        while (next < commands.size() && commands[next].t <= cr->temps + 1e-9) {
            vDes = commands[next].vDes;
            cDes = commands[next].cDes;
            ++next;
        }
        const char* m = dynamic ? dyn_step(rover, mnt, cDes, vDes, dt)
                                : kin_step(cr, mnt, cDes, vDes, dt);
        if (!dynamic)
            cr->temps += dt;
        ++done;
        if (out)
            ecrit_ligne_conf(out, cr);
        if (m) {
            std::fprintf(stderr, "kadmer-sim: t = %lf : %s", cr->temps, m);
            size_t n = std::strlen(m);
            if (n == 0 || m[n - 1] != '\n')
                std::fputc('\n', stderr);
            if (!keepGoing) {
                status = 1;
                break;
            }
        }
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double simulated = done * dt;

    if (out)
        std::fclose(out);
    if (rover->fresults)
        std::fclose(rover->fresults);
    std::printf("ticks=%ld time=%.3f substeps=%ld wall=%.3f rtf=%.1f\n", done, simulated,
                dynamic ? rover->sousPas : 0L, wall, wall > 0.0 ? simulated / wall : 0.0);

    libere_mnt(mnt);
    if (terrainFile)
        std::fclose(terrainFile);
    if (zones) {
        libereZones(zones);
        std::free(zones);
    }
    std::free(mnt);
    std::free(rover);
    return status;
}
