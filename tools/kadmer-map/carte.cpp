#include "carte.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "rover/confrover.h"
#include "rover/gardesol.h"
#include "rover/telemetry.h"
#include "terrain/mnt.h"

const char* const nomCouche[NB_COUCHES] = {"inclinaison_max_deg", "inclinaison_min_deg", "garde_sol_min_m",
                                           "marge_min_deg",       "ecart_roue_max_m",    "caps_surs",
                                           "pente_deg"};

namespace {

const double RadToDeg = 57.29577951308232;
const double Pi = 3.141592653589793;

// a copy of the rover the placements may overwrite, freed with it
struct Copie {
    DynRover* r;
    explicit Copie(const DynRover* modele)
    {
        r = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
        if (r) {
            std::memcpy(r, modele, sizeof(DynRover));
            r->fresults = nullptr;
            r->fdata = nullptr;
        }
    }
    ~Copie() { std::free(r); }
    Copie(const Copie&) = delete;
    Copie& operator=(const Copie&) = delete;
};

// the rover above (x, y) at azimut psi, in the start configuration, then
// placed on the ground; returns the placement's message
const char* place(ConfRover* cr, const ConfRover* modele, const Mnt* mnt, double x, double y, double psi)
{
    cr->pos[0] = x;
    cr->pos[1] = y;
    cr->pos[2] = (mnt ? hauteur_mnt(mnt, x, y, nullptr) : 0.0) + cr->hNominale;
    cr->att[ATT_SITE] = 0.0;
    cr->att[ATT_GITE] = 0.0;
    cr->att[ATT_AZIMUT] = psi;
    std::memcpy(cr->q, modele->q, sizeof cr->q);
    for (int t = 0; t < 3; ++t)
        cr->q[Q_TRAV + t] = 0.0;
    for (int c = 0; c < NB_CHAINES; ++c) {
        cr->normale[c][0] = 0.0;
        cr->normale[c][1] = 0.0;
        cr->normale[c][2] = 1.0;
    }
    return place_on_ground(cr, mnt);
}

// the largest gap between a wheel's lowest point and the ground, m (0 when
// every wheel touches)
double ecart_roues(const ConfRover* cr, const Mnt* mnt)
{
    double pire = 0.0;
    for (int c = 0; c < NB_CHAINES; ++c) {
        double n[3];
        const double h = hauteur_mnt(mnt, cr->contact[c][0], cr->contact[c][1], n);
        pire = std::fmax(pire, (cr->contact[c][2] - h) * n[2]);
    }
    return pire;
}

// the clearance at the underside's centre, along the body's z axis: where
// the cells are wider than the body no node lies under it
double garde_centre(const ConfRover* cr, const Mnt* mnt)
{
    double l, y0, y1, zb;
    dessous_caisse(cr, &l, &y0, &y1, &zb);
    double p[3] = {0.0, 0.5 * (y0 + y1), zb}, c[3];
    frame_apply(c, cr->caisse, p);
    return (c[2] - (mnt ? hauteur_mnt(mnt, c[0], c[1], nullptr) : 0.0)) * frame_rot(cr->caisse)[8];
}

} // namespace

LimitesPlan limites_carte(const LimitesPlan& l)
{
    LimitesPlan c = l;
    if (std::isnan(c.inclinaison))
        c.inclinaison = 30.0;
    if (std::isnan(c.marge))
        c.marge = 10.0;
    if (std::isnan(c.gardeSol))
        c.gardeSol = 0.1;
    return c;
}

const char* refus_limites_carte(const LimitesPlan& l)
{
    if (!(l.inclinaison > 0.0 && l.inclinaison <= 90.0))
        return "limites : inclinaison de 0 (exclu) a 90 degres attendue";
    if (!(l.marge >= 0.0 && l.marge < 90.0))
        return "limites : marge de 0 a 90 degres (exclu) attendue";
    if (!(l.gardeSol >= 0.0 && l.gardeSol <= 100.0))
        return "limites : garde_sol de 0 a 100 m attendue";
    return nullptr;
}

std::string carte_grille(const Mnt* mnt, double pas, CarteGrille* g)
{
    if (pas == 0.0)
        pas = mnt->dx;
    if (!(pas > 0.0) || !std::isfinite(pas))
        return "--pas : pas de la carte strictement positif attendu";
    const double lx = mnt->Xmax - mnt->Xmin, ly = mnt->Ymax - mnt->Ymin;
    const double nx = std::floor(lx / pas + 1e-9) + 1, ny = std::floor(ly / pas + 1e-9) + 1;
    if (nx > 1e6 || ny > 1e6)
        return "--pas : pas trop petit pour le terrain, plus d'un million de cellules par axe";
    g->nx = (int)nx;
    g->ny = (int)ny;
    g->pas = pas;
    g->x0 = mnt->Xmin;
    g->y0 = mnt->Ymax;
    return std::string();
}

double rayon_emprise(const DynRover* modele)
{
    Copie c(modele);
    if (!c.r)
        return 0.0;
    ConfRover* cr = &c.r->conf;
    place(cr, &modele->conf, nullptr, 0.0, 0.0, 0.0);
    double R = 0.0;
    const double marge = std::fmax(cr->rayonRoue, cr->largeurRoue);
    for (int k = 0; k < NB_CHAINES; ++k)
        R = std::fmax(R, std::hypot(cr->contact[k][0], cr->contact[k][1]) + marge);
    double l, y0, y1, zb;
    dessous_caisse(cr, &l, &y0, &y1, &zb);
    R = std::fmax(R, std::hypot(l, std::fmax(-y0, y1)));
    return R;
}

void carte_cellule(DynRover* scratch, const DynRover* modele, const Mnt* mnt, double x, double y, int caps,
                   const LimitesPlan& limites, float out[NB_COUCHES])
{
    ConfRover* cr = &scratch->conf;
    double incMax = -1.0, incMin = 1e300, garde = 1e300, marge = 1e300, ecart = 0.0;
    int surs = 0;
    for (int k = 0; k < caps; ++k) {
        const char* m = place(cr, &modele->conf, mnt, x, y, 2.0 * Pi * k / caps);
        const double inc = plan_inclinaison(cr);  // degrees
        double g = garde_sol(cr, mnt);
        if (!std::isfinite(g))
            g = garde_centre(cr, mnt);
        double G[3];
        rover_centre_of_mass(scratch, G);
        const double mg = tip_over_margin(cr->contact, NB_CHAINES, G) * RadToDeg;
        incMax = std::fmax(incMax, inc);
        incMin = std::fmin(incMin, inc);
        garde = std::fmin(garde, g);
        marge = std::fmin(marge, mg);
        ecart = std::fmax(ecart, ecart_roues(cr, mnt));
        if (!m && inc <= limites.inclinaison && mg >= limites.marge && g >= limites.gardeSol)
            ++surs;
    }
    out[CoucheInclinaisonMax] = (float)incMax;
    out[CoucheInclinaisonMin] = (float)incMin;
    out[CoucheGardeSol] = (float)garde;
    out[CoucheMarge] = (float)marge;
    out[CoucheEcartRoue] = (float)ecart;
    out[CoucheCapsSurs] = (float)surs;
}

std::string carte_calcule(const DynRover* modele, const Mnt* mnt, const CarteReglages& r, Carte* carte,
                          const CarteProgres& progres)
{
    std::string m = carte_grille(mnt, r.pas, &carte->g);
    if (!m.empty())
        return m;
    const CarteGrille g = carte->g;
    if (r.caps < 1 || r.caps > 360)
        return "--caps : de 1 a 360 caps attendus";
    if (const char* l = refus_limites_carte(r.limites))
        return l;
    carte->ligne0 = std::max(0, r.ligne0);
    carte->ligne1 = r.ligne1 < 0 ? g.ny : std::min(r.ligne1, g.ny);
    if (carte->ligne1 <= carte->ligne0)
        return "Aucune ligne de la carte a calculer";
    const long lignes = carte->ligne1 - carte->ligne0;
    try {
        carte->v.assign((size_t)NB_COUCHES * g.nx * lignes, CarteNodata);
    } catch (const std::bad_alloc&) {
        return "Memoire insuffisante pour la carte";
    }
    const double R = rayon_emprise(modele);

    // rows handed out one at a time; each thread fills its own rows
    std::atomic<long> suivante(carte->ligne0), faites(0);
    std::atomic<bool> arret(false), manque(false);
    auto travail = [&]() {
        Copie c(modele);
        if (!c.r) {
            manque = true;
            return;
        }
        float cell[NB_COUCHES];
        for (;;) {
            const long j = suivante++;
            if (j >= carte->ligne1 || arret)
                return;
            const double y = g.y0 - j * g.pas;
            for (int i = 0; i < g.nx; ++i) {
                const double x = g.x0 + i * g.pas;
                double n[3];
                hauteur_mnt(mnt, x, y, n);
                carte->at(CouchePente, i, (int)j) = (float)(std::acos(std::fmin(1.0, n[2])) * RadToDeg);
                if (x - R < mnt->Xmin || x + R > mnt->Xmax || y - R < mnt->Ymin || y + R > mnt->Ymax)
                    continue;
                carte_cellule(c.r, modele, mnt, x, y, r.caps, r.limites, cell);
                for (int k = 0; k < NB_COUCHES; ++k)
                    if (k != CouchePente)
                        carte->at(k, i, (int)j) = cell[k];
            }
            ++faites;
        }
    };
    int n = r.jobs > 0 ? r.jobs : (int)std::max(1u, std::thread::hardware_concurrency());
    n = (int)std::min<long>(n, lignes);
    // with a report to make, the calling thread only reports
    std::vector<std::thread> fils;
    for (int k = progres ? 0 : 1; k < n; ++k)
        fils.emplace_back(travail);
    if (!progres) {
        travail();
    } else {
        while (faites < lignes && !manque) {
            if (!progres(faites, lignes)) {
                arret = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }
    for (std::thread& t : fils)
        t.join();
    if (manque)
        return "Memoire insuffisante pour la carte";
    if (arret)
        return "Calcul interrompu";
    if (progres)
        progres(lignes, lignes);
    return std::string();
}
