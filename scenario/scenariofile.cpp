#include "scenario/scenariofile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>
#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

using Json = nlohmann::ordered_json;

#define DONNEE(champ, n) {#champ, static_cast<int>(offsetof(DataDynRov, champ) / sizeof(double)), n}
const NomDonnee nomsDonnees[] = {
    DONNEE(g, 1),        DONNEE(m0, 1),         DONNEE(cdg0, 3),      DONNEE(rg0, 3),
    DONNEE(mTravL, 1),   DONNEE(rgTravL, 3),    DONNEE(mTravR, 1),    DONNEE(rgTravR, 3),
    DONNEE(mSupL, 1),    DONNEE(cdgSupL, 3),    DONNEE(rgSupL, 3),    DONNEE(mSupR, 1),
    DONNEE(cdgSupR, 3),  DONNEE(rgSupR, 3),     DONNEE(mSteer, 1),    DONNEE(cdgSteer, 2),
    DONNEE(rgSteer, 3),  DONNEE(mFourche, 1),   DONNEE(cdgFourche, 2), DONNEE(rgFourche, 3),
    DONNEE(mRoue, 1),    DONNEE(xRoue, 1),      DONNEE(rgRoue, 3),    DONNEE(redSteer, 1),
    DONNEE(jmSteer, 1),  DONNEE(fsSteer, 1),    DONNEE(fvSteer, 1),   DONNEE(redElev, 1),
    DONNEE(jmElev, 1),   DONNEE(fsElev, 1),     DONNEE(fvElev, 1),    DONNEE(redRoue, 1),
    DONNEE(jmRoue, 1),   DONNEE(fsRoue, 1),     DONNEE(fvRoue, 1),    DONNEE(cMaxRoue, 1),
    DONNEE(dXyz, 1),     DONNEE(dVitXyz, 1),    DONNEE(dLtr, 1),      DONNEE(dVitLtr, 1),
    DONNEE(dTrav, 1),    DONNEE(dVitTrav, 1),   DONNEE(dRoue, 1),     DONNEE(dVitRoue, 1),
    DONNEE(kpTravL, 1),  DONNEE(kvTravL, 1),    DONNEE(kpTravR, 1),   DONNEE(kvTravR, 1),
    DONNEE(vMax, 1),     DONNEE(cMax, 1),
};
#undef DONNEE
const int nbNomsDonnees = sizeof nomsDonnees / sizeof nomsDonnees[0];

namespace {

const char* const Formes[] = {"plat", "aleatoire", "sinus"};
const char* const Modeles[] = {"simplifie", "macro", "classique"};

// a refused value: "key : reason"
struct Faute {
    std::string message;
};

std::string texteNombre(const Json& v)
{
    std::string t = v.dump();
    return t.size() > 40 ? t.substr(0, 40) + "..." : t;
}

// one JSON object being read: its keys are checked against the allowed list
// first, then each is read, typed and checked by the calls below
class Objet {
public:
    Objet(const Json& j, std::string chemin, std::initializer_list<const char*> cles)
        : j_(j), chemin_(std::move(chemin))
    {
        if (!j.is_object())
            throw Faute{(chemin_.empty() ? std::string("scenario") : chemin_) +
                        " : objet JSON attendu"};
        std::set<std::string> permises;
        for (const char* c : cles)
            permises.insert(c);
        for (auto it = j.begin(); it != j.end(); ++it)
            if (!permises.count(it.key()))
                throw Faute{cle(it.key()) + " : cle inconnue"};
    }

    std::string cle(const std::string& k) const { return chemin_.empty() ? k : chemin_ + "." + k; }

    const Json* valeur(const char* k) const
    {
        auto it = j_.find(k);
        return it == j_.end() ? nullptr : &*it;
    }

    // a number within the test; why names the expected range
    template <class Test>
    bool nombre(const char* k, double* out, Test ok, const char* why) const
    {
        const Json* v = valeur(k);
        if (!v)
            return false;
        *out = nombreDe(*v, cle(k));
        if (!ok(*out))
            throw Faute{cle(k) + " : " + why + ", pas " + texteNombre(*v)};
        return true;
    }
    bool nombre(const char* k, double* out) const
    {
        return nombre(k, out, [](double) { return true; }, "");
    }

    // a number within one of the limits a run accepts
    bool borne(const char* k, double* out, std::string (*refus)(double)) const
    {
        const Json* v = valeur(k);
        if (!v)
            return false;
        *out = nombreDe(*v, cle(k));
        std::string raison = refus(*out);
        if (!raison.empty())
            throw Faute{cle(k) + " : " + raison + ", pas " + texteNombre(*v)};
        return true;
    }
    bool borne(const char* k, int* out, std::string (*refus)(double)) const
    {
        double x;
        if (!borne(k, &x, refus))
            return false;
        *out = static_cast<int>(x);
        return true;
    }

    bool entier(const char* k, int* out, double lo, double hi) const
    {
        double x;
        const Json* v = valeur(k);
        if (!v)
            return false;
        x = nombreDe(*v, cle(k));
        if (x != std::floor(x) || x < lo || x > hi) {
            char why[96];
            std::snprintf(why, sizeof why, "entier de %.0f a %.0f attendu", lo, hi);
            throw Faute{cle(k) + " : " + why + ", pas " + texteNombre(*v)};
        }
        *out = static_cast<int>(x);
        return true;
    }

    bool booleen(const char* k, bool* out) const
    {
        const Json* v = valeur(k);
        if (!v)
            return false;
        if (!v->is_boolean())
            throw Faute{cle(k) + " : true ou false attendu, pas " + texteNombre(*v)};
        *out = v->get<bool>();
        return true;
    }

    // one of the given words; its index
    bool mot(const char* k, int* out, std::initializer_list<const char*> mots) const
    {
        const Json* v = valeur(k);
        if (!v)
            return false;
        std::string attendu;
        int i = 0;
        for (const char* m : mots) {
            if (v->is_string() && v->get<std::string>() == m) {
                *out = i;
                return true;
            }
            attendu += (i ? (i + 1 == (int)mots.size() ? " ou \"" : ", \"") : "\"") +
                       std::string(m) + "\"";
            ++i;
        }
        throw Faute{cle(k) + " : " + attendu + " attendu, pas " + texteNombre(*v)};
    }

    // exactly n numbers
    bool nombres(const char* k, double* out, int n) const
    {
        const Json* v = valeur(k);
        if (!v)
            return false;
        if (!v->is_array() || (int)v->size() != n)
            throw Faute{cle(k) + " : liste de " + std::to_string(n) + " nombres attendue"};
        for (int i = 0; i < n; ++i)
            out[i] = nombreDe((*v)[i], cle(k) + "[" + std::to_string(i) + "]");
        return true;
    }

    static double nombreDe(const Json& v, const std::string& cle)
    {
        if (!v.is_number())
            throw Faute{cle + " : nombre attendu, pas " + texteNombre(v)};
        double x = v.get<double>();
        if (!std::isfinite(x))
            throw Faute{cle + " : nombre fini attendu"};
        return x;
    }

private:
    const Json& j_;
    std::string chemin_;
};

// a path taken from the folder of the file; null stands for none
class Chemins {
public:
    explicit Chemins(std::string dossier) : dossier_(std::move(dossier)) {}

    std::string resolu(const std::string& p) const
    {
        if (p.empty() || p[0] == '/' || dossier_.empty())
            return p;
        return dossier_ + "/" + p;
    }

    // a file written by the run
    bool sortie(const Objet& o, const char* k, std::string* out) const
    {
        const Json* v = o.valeur(k);
        if (!v)
            return false;
        if (v->is_null()) {
            out->clear();
            return true;
        }
        if (!v->is_string() || v->get<std::string>().empty())
            throw Faute{o.cle(k) + " : nom de fichier attendu, pas " + texteNombre(*v)};
        *out = resolu(v->get<std::string>());
        return true;
    }

    // a file read by the run: it must exist and be a file
    bool entree(const Objet& o, const char* k, std::string* out) const
    {
        if (!sortie(o, k, out) || out->empty())
            return false;
        existe(o.cle(k), *out);
        return true;
    }

    static void existe(const std::string& cle, const std::string& chemin)
    {
        struct stat st;
        if (stat(chemin.c_str(), &st) != 0)
            throw Faute{cle + " : fichier introuvable : " + chemin + " (" + std::strerror(errno) +
                        ")"};
        if (!S_ISREG(st.st_mode))
            throw Faute{cle + " : pas un fichier : " + chemin};
    }

private:
    std::string dossier_;
};

bool positif(double x) { return x > 0.0; }
bool positifOuNul(double x) { return x >= 0.0; }
bool angleAiguOuNul(double x) { return x >= 0.0 && x < 90.0; }

void litGeometrie(const Json& j, ScenarioFile* s)
{
    Objet o(j, "geometrie", {"voie", "inclinaison", "quadri"});
    o.borne("voie", &s->voie, refusVoie);
    o.borne("inclinaison", &s->inclinaison, refusInclinaison);
    o.booleen("quadri", &s->quadri);
}

void litDonnees(const Json& j, const std::string& chemin, ScenarioFile* s)
{
    // the allowed keys are the names of the table
    std::set<std::string> noms;
    for (int k = 0; k < nbNomsDonnees; ++k)
        noms.insert(nomsDonnees[k].nom);
    for (auto it = j.begin(); it != j.end(); ++it)
        if (!noms.count(it.key()))
            throw Faute{chemin + "." + it.key() + " : cle inconnue"};
    for (int k = 0; k < nbNomsDonnees; ++k) {
        const NomDonnee& d = nomsDonnees[k];
        auto it = j.find(d.nom);
        if (it == j.end())
            continue;
        std::string cle = chemin + "." + d.nom;
        if (d.nombre == 1) {
            s->donnees[d.indice] = Objet::nombreDe(*it, cle);
        } else {
            if (!it->is_array() || (int)it->size() != d.nombre)
                throw Faute{cle + " : liste de " + std::to_string(d.nombre) + " nombres attendue"};
            for (int i = 0; i < d.nombre; ++i)
                s->donnees[d.indice + i] =
                    Objet::nombreDe((*it)[i], cle + "[" + std::to_string(i) + "]");
        }
        for (int i = 0; i < d.nombre; ++i)
            s->donneeDonnee[d.indice + i] = true;
    }
}

void litDynamique(const Json& j, const Chemins& ch, ScenarioFile* s)
{
    Objet o(j, "dynamique", {"test_libre", "periode", "verbosite", "resultats", "donnees"});
    o.booleen("test_libre", &s->testLibre);
    o.borne("periode", &s->periode, refusPeriode);
    o.borne("verbosite", &s->verbosite, refusVerbosite);
    ch.sortie(o, "resultats", &s->resultats);
    if (const Json* v = o.valeur("donnees")) {
        if (v->is_string() || v->is_null())
            ch.entree(o, "donnees", &s->donneesFichier);
        else if (v->is_object())
            litDonnees(*v, o.cle("donnees"), s);
        else
            throw Faute{o.cle("donnees") + " : nom de fichier ou objet de valeurs attendu"};
    }
}

void litTerrain(const Json& j, const Chemins& ch, ScenarioFile* s)
{
    Objet o(j, "terrain",
            {"fichier", "forme", "cellule", "xmin", "xmax", "ymin", "ymax", "bosses", "coef_h",
             "graine", "raster"});
    ch.entree(o, "fichier", &s->terrainFichier);
    o.mot("forme", &s->forme, {Formes[0], Formes[1], Formes[2]});
    o.borne("cellule", &s->cellule, refusCellule);
    o.nombre("xmin", &s->xmin);
    o.nombre("xmax", &s->xmax);
    o.nombre("ymin", &s->ymin);
    o.nombre("ymax", &s->ymax);
    s->aBosses = o.nombre("bosses", &s->bosses, positifOuNul,
                          "hauteur positive ou nulle attendue") || s->aBosses;
    o.nombre("coef_h", &s->coefH);
    double graine;
    if (o.nombre("graine", &graine,
                 [](double g) { return g == std::floor(g) && g >= 0 && g <= 4294967295.0; },
                 "entier de 0 a 4294967295 attendu"))
        s->graine = static_cast<unsigned>(graine);
    if (const Json* v = o.valeur("raster")) {
        Objet r(*v, o.cle("raster"), {"fichier", "fenetre", "pas"});
        if (!ch.entree(r, "fichier", &s->raster))
            throw Faute{r.cle("fichier") + " : cle manquante"};
        s->aFenetre = r.nombres("fenetre", s->fenetre, 3);
        if (s->aFenetre && !refusFenetre(s->fenetre[2]).empty())
            throw Faute{r.cle("fenetre") + "[2] : " + refusFenetre(s->fenetre[2])};
        r.borne("pas", &s->pas, refusPas);
        if (!s->terrainFichier.empty())
            throw Faute{o.cle("raster") + " : pas avec terrain.fichier, un seul terrain"};
    }
}

void litZone(const Json& j, const std::string& chemin, ZoneScenario* z)
{
    Objet o(j, chemin,
            {"hzone", "X", "Y", "R", "c", "phi", "Xc", "kc", "kphi", "n", "rhod", "lbda", "K"});
    o.entier("hzone", &z->hzone, -1000000, 1000000);
    o.nombre("X", &z->X);
    o.nombre("Y", &z->Y);
    o.nombre("R", &z->R, positif, "rayon positif attendu");
    o.nombre("c", &z->c, positifOuNul, "cohesion positive ou nulle attendue");
    o.nombre("phi", &z->phi, angleAiguOuNul, "angle de 0 a 90 degres (exclu) attendu");
    o.nombre("Xc", &z->Xc);
    o.nombre("kc", &z->kc);
    o.nombre("kphi", &z->kphi);
    o.nombre("n", &z->n, positif, "exposant positif attendu");
    o.nombre("rhod", &z->rhod, positif, "masse volumique positive attendue");
    // 0: no rebound behind the wheel, the classical rigid wheel
    o.nombre("lbda", &z->lbda, positifOuNul, "rapport positif ou nul attendu");
    o.nombre("K", &z->K, positif, "module positif attendu");
}

void litSol(const Json& j, const Chemins& ch, ScenarioFile* s)
{
    Objet o(j, "sol", {"modele", "simplifie", "classique", "zones"});
    o.mot("modele", &s->modele, {Modeles[0], Modeles[1], Modeles[2]});
    if (const Json* v = o.valeur("classique")) {
        Objet p(*v, o.cle("classique"), {"c1", "c2", "n1"});
        const char* why = "nombre positif ou nul attendu";
        p.nombre("c1", &s->c1, positifOuNul, why);
        p.nombre("c2", &s->c2, positifOuNul, why);
        p.nombre("n1", &s->n1, positifOuNul, why);
        if (!(s->c1 + s->c2 < 1.0))
            throw Faute{p.cle("c2") + " : c1 + c2 inferieur a 1 attendu, pas " +
                        std::to_string(s->c1 + s->c2)};
    }
    if (const Json* v = o.valeur("simplifie")) {
        Objet p(*v, o.cle("simplifie"), {"phi0", "kN", "fN", "kT", "fT"});
        p.borne("phi0", &s->phi0, refusPhi0);
        const char* why = "nombre positif ou nul attendu";
        s->aKN = p.nombre("kN", &s->kN, positifOuNul, why) || s->aKN;
        s->aFN = p.nombre("fN", &s->fN, positifOuNul, why) || s->aFN;
        s->aKT = p.nombre("kT", &s->kT, positifOuNul, why) || s->aKT;
        s->aFT = p.nombre("fT", &s->fT, positifOuNul, why) || s->aFT;
    }
    if (const Json* v = o.valeur("zones")) {
        if (v->is_string() || v->is_null()) {
            ch.entree(o, "zones", &s->zonesFichier);
        } else if (v->is_array()) {
            s->zones.clear();
            for (size_t i = 0; i < v->size(); ++i) {
                ZoneScenario z;
                litZone((*v)[i], o.cle("zones") + "[" + std::to_string(i) + "]", &z);
                s->zones.push_back(z);
            }
        } else {
            throw Faute{o.cle("zones") + " : nom de fichier ou liste de zones attendu"};
        }
    }
}

void litDepart(const Json& j, ScenarioFile* s)
{
    Objet o(j, "depart", {"pose", "angles", "placer"});
    s->aPose = o.nombres("pose", s->pose, 6) || s->aPose;
    s->aAngles = o.nombres("angles", s->angles, NB_CONF) || s->aAngles;
    o.booleen("placer", &s->placer);
}

// a key that must be there
const Json& requise(const Objet& o, const char* k)
{
    const Json* v = o.valeur(k);
    if (!v)
        throw Faute{o.cle(k) + " : cle manquante"};
    return *v;
}

void litCommandePlan(const Json& j, const std::string& chemin, CommandePlan* k)
{
    Objet o(j, chemin, {"arc", "droit", "cap", "point", "vitesse"});
    int types = 0;
    for (const char* t : {"arc", "droit", "cap", "point"})
        types += o.valeur(t) != nullptr;
    if (types != 1)
        throw Faute{chemin + " : une commande arc, droit, cap ou point attendue"};
    *k = CommandePlan{};
    o.nombre("vitesse", &k->vitesse, positif, "vitesse positive attendue");
    if (const Json* v = o.valeur("arc")) {
        k->type = PlanArc;
        Objet a(*v, o.cle("arc"), {"rayon", "longueur"});
        requise(a, "rayon");
        requise(a, "longueur");
        a.nombre("rayon", &k->rayon, [](double r) { return r != 0.0; }, "rayon non nul attendu");
        a.nombre("longueur", &k->longueur);
    } else if (const Json* v = o.valeur("droit")) {
        k->type = PlanDroit;
        k->longueur = Objet::nombreDe(*v, o.cle("droit"));
    } else if (const Json* v = o.valeur("cap")) {
        k->type = PlanCap;
        k->cap = Objet::nombreDe(*v, o.cle("cap"));
        if (!(std::fabs(k->cap) <= 3600.0))
            throw Faute{o.cle("cap") + " : cap de -3600 a 3600 degres attendu, pas " +
                        texteNombre(*v)};
    } else {
        k->type = PlanPoint;
        Objet p(*o.valeur("point"), o.cle("point"), {"x", "y", "tolerance", "delai"});
        requise(p, "x");
        requise(p, "y");
        requise(p, "tolerance");
        p.nombre("x", &k->x);
        p.nombre("y", &k->y);
        p.nombre("tolerance", &k->tolerance, positif, "tolerance positive attendue");
        p.nombre("delai", &k->delai, positif, "delai positif attendu");
    }
}

void litPlan(const Json& j, const std::string& chemin, ScenarioFile* s)
{
    Objet o(j, chemin, {"vitesse", "commandes", "zones_interdites", "limites"});
    s->aPlan = true;
    o.nombre("vitesse", &s->planVitesse, positif, "vitesse positive attendue");
    const Json& cs = requise(o, "commandes");
    if (!cs.is_array() || cs.empty())
        throw Faute{o.cle("commandes") + " : liste d'au moins une commande attendue"};
    s->planCommandes.clear();
    for (size_t i = 0; i < cs.size(); ++i) {
        CommandePlan k;
        litCommandePlan(cs[i], o.cle("commandes") + "[" + std::to_string(i) + "]", &k);
        s->planCommandes.push_back(k);
    }
    s->zonesInterdites.clear();
    if (const Json* v = o.valeur("zones_interdites")) {
        if (!v->is_array())
            throw Faute{o.cle("zones_interdites") + " : liste de {x, y, rayon} attendue"};
        for (size_t i = 0; i < v->size(); ++i) {
            Objet z((*v)[i], o.cle("zones_interdites") + "[" + std::to_string(i) + "]",
                    {"x", "y", "rayon"});
            ZoneInterdite zi{};
            requise(z, "x");
            requise(z, "y");
            requise(z, "rayon");
            z.nombre("x", &zi.x);
            z.nombre("y", &zi.y);
            z.nombre("rayon", &zi.rayon, positif, "rayon positif attendu");
            s->zonesInterdites.push_back(zi);
        }
    }
    if (const Json* v = o.valeur("limites")) {
        Objet l(*v, o.cle("limites"),
                {"inclinaison", "marge", "glissement", "controle_glissement", "garde_sol",
                 "enfoncement"});
        LimitesPlan& L = s->limites;
        l.nombre("inclinaison", &L.inclinaison, [](double a) { return a > 0.0 && a <= 90.0; },
                 "angle de 0 (exclu) a 90 degres attendu");
        l.nombre("marge", &L.marge, [](double a) { return a >= 0.0 && a < 90.0; },
                 "angle de 0 a 90 degres (exclu) attendu");
        l.nombre("glissement", &L.glissement, [](double g) { return g > 0.0 && g <= 1.0; },
                 "glissement de 0 (exclu) a 1 attendu");
        l.nombre("controle_glissement", &L.controleGlissement, positif,
                 "longueur positive attendue");
        l.nombre("garde_sol", &L.gardeSol, positifOuNul, "hauteur positive ou nulle attendue");
        l.nombre("enfoncement", &L.enfoncement, positif, "enfoncement positif attendu");
    }
}

void litPilotage(const Json& j, const Chemins& ch, ScenarioFile* s)
{
    Objet o(j, "pilotage", {"mode", "v", "c", "commandes", "continuer", "plan"});
    int mode;
    if (o.mot("mode", &mode, {"kin", "dyn"}))
        s->dynamique = mode == 1;
    o.nombre("v", &s->v);
    o.nombre("c", &s->c);
    o.booleen("continuer", &s->continuer);
    if (const Json* p = o.valeur("plan")) {
        if (o.valeur("commandes"))
            throw Faute{o.cle("plan") + " : pas avec pilotage.commandes, l'un ou l'autre"};
        litPlan(*p, o.cle("plan"), s);
    }
    const Json* v = o.valeur("commandes");
    if (!v)
        return;
    if (v->is_string() || v->is_null()) {
        ch.entree(o, "commandes", &s->commandesFichier);
        return;
    }
    if (!v->is_array())
        throw Faute{o.cle("commandes") + " : nom de fichier ou liste de [t, v, c] attendu"};
    s->commandes.clear();
    for (size_t i = 0; i < v->size(); ++i) {
        std::string cle = o.cle("commandes") + "[" + std::to_string(i) + "]";
        const Json& e = (*v)[i];
        if (!e.is_array() || e.size() != 3)
            throw Faute{cle + " : liste [t, v, c] attendue"};
        CommandeScenario c{Objet::nombreDe(e[0], cle + "[0]"), Objet::nombreDe(e[1], cle + "[1]"),
                           Objet::nombreDe(e[2], cle + "[2]")};
        if (!s->commandes.empty() && c.t < s->commandes.back().t)
            throw Faute{cle + " : temps decroissant"};
        s->commandes.push_back(c);
    }
}

void litSorties(const Json& j, const Chemins& ch, ScenarioFile* s)
{
    Objet o(j, "sorties", {"trajectoire", "telemetrie", "rapport", "carte"});
    ch.sortie(o, "trajectoire", &s->trajectoire);
    ch.sortie(o, "telemetrie", &s->telemetrie);
    ch.sortie(o, "rapport", &s->rapport);
    ch.sortie(o, "carte", &s->carte);
}

// checks between keys, once everything is read
void litEnsemble(const ScenarioFile& s)
{
    if (!(s.xmax > s.xmin))
        throw Faute{"terrain.xmax : plus grand que terrain.xmin attendu"};
    if (!(s.ymax > s.ymin))
        throw Faute{"terrain.ymax : plus grand que terrain.ymin attendu"};
    if (s.terrainFichier.empty() && s.raster.empty()) {
        std::string raison = refusGrille(s.xmax - s.xmin, s.ymax - s.ymin, s.cellule);
        if (!raison.empty())
            throw Faute{"terrain.cellule : " + raison};
        // a waypoint off a generated terrain (a file's extent is known once read)
        for (size_t i = 0; i < s.planCommandes.size(); ++i) {
            const CommandePlan& k = s.planCommandes[i];
            if (k.type == PlanPoint &&
                !(k.x >= s.xmin && k.x <= s.xmax && k.y >= s.ymin && k.y <= s.ymax))
            {
                char ou[160];
                std::snprintf(ou, sizeof ou,
                              "].point : point sur le terrain [%g, %g] x [%g, %g] attendu, pas "
                              "(%g, %g)",
                              s.xmin, s.xmax, s.ymin, s.ymax, k.x, k.y);
                throw Faute{"pilotage.plan.commandes[" + std::to_string(i) + ou};
            }
        }
    }
    if (!s.rapport.empty() && !s.aPlan)
        throw Faute{"sorties.rapport : un rapport ne sert qu'avec pilotage.plan"};
    if (!s.carte.empty() && !s.aPlan)
        throw Faute{"sorties.carte : une carte ne sert qu'avec pilotage.plan"};
}

// line and column of a byte offset, for the syntax messages
std::string position(const std::string& texte, size_t octet)
{
    int ligne = 1, colonne = 1;
    for (size_t i = 0; i < octet && i < texte.size(); ++i) {
        if (texte[i] == '\n') {
            ++ligne;
            colonne = 1;
        } else {
            ++colonne;
        }
    }
    return "ligne " + std::to_string(ligne) + ", colonne " + std::to_string(colonne);
}

} // namespace

std::string litScenarioTexte(const std::string& texte, const std::string& dossier,
                             ScenarioFile* s)
{
    Json j;
    try {
        j = Json::parse(texte);
    } catch (const Json::parse_error& e) {
        return "JSON illisible, " + position(texte, e.byte > 0 ? e.byte - 1 : 0);
    } catch (const Json::out_of_range&) {
        return "JSON illisible, nombre hors des limites d'un double";
    } catch (const Json::exception&) {
        return "JSON illisible";
    }
    try {
        Chemins ch(dossier);
        Objet o(j, "", {"version", "geometrie", "dynamique", "terrain", "sol", "depart",
                        "pilotage", "duree", "sorties"});
        int version = 1;
        o.entier("version", &version, 1, 1);
        if (const Json* v = o.valeur("geometrie"))
            litGeometrie(*v, s);
        if (const Json* v = o.valeur("dynamique"))
            litDynamique(*v, ch, s);
        if (const Json* v = o.valeur("terrain"))
            litTerrain(*v, ch, s);
        if (const Json* v = o.valeur("sol"))
            litSol(*v, ch, s);
        if (const Json* v = o.valeur("depart"))
            litDepart(*v, s);
        if (const Json* v = o.valeur("pilotage"))
            litPilotage(*v, ch, s);
        s->aDuree = o.borne("duree", &s->duree, refusDuree) || s->aDuree;
        if (const Json* v = o.valeur("sorties"))
            litSorties(*v, ch, s);
        litEnsemble(*s);
    } catch (const Faute& f) {
        return f.message;
    }
    return std::string();
}

// ---- the values a run accepts --------------------------------------------------

namespace {

// the grid a run may generate: 4 million nodes (224 MB of grid arrays)
const double NoeudsMax = 4.0e6;
// the longest simulated time, s
const double DureeMax = 1.0e6;
// the tick period, ms
const int PeriodeMin = 1, PeriodeMax = 10000;
const int VerbositeMax = 200;

std::string sauf(bool accepte, const char* raison) { return accepte ? std::string() : raison; }

} // namespace

std::string refusVoie(double voie) { return sauf(voie > 0.0, "largeur positive attendue"); }

std::string refusInclinaison(double inclinaison)
{
    // from the limit on, the rear legs have no length left
    const double limite = inclinaison_max() * 57.29577951308232;
    if (inclinaison >= 0.0 && inclinaison < limite)
        return std::string();
    char raison[80];
    std::snprintf(raison, sizeof raison, "angle de 0 a %.2f degres (exclu) attendu", limite);
    return raison;
}

std::string refusPeriode(double periode)
{
    return sauf(periode == std::floor(periode) && periode >= PeriodeMin && periode <= PeriodeMax,
                "periode entiere de 1 a 10000 ms attendue");
}

std::string refusVerbosite(double verbosite)
{
    return sauf(verbosite == std::floor(verbosite) && verbosite >= 0 && verbosite <= VerbositeMax,
                "entier de 0 a 200 attendu");
}

std::string refusCellule(double cellule)
{
    return sauf(cellule > 0.0, "dimension de cellule positive attendue");
}

std::string refusPhi0(double phi0)
{
    return sauf(phi0 > 0.0 && phi0 < 90.0, "angle de 0 a 90 degres (exclus) attendu");
}

std::string refusDuree(double duree)
{
    return sauf(duree >= 0.0 && duree <= DureeMax, "duree de 0 a 1000000 s attendue");
}

std::string refusFenetre(double taille) { return sauf(taille > 0.0, "taille positive attendue"); }

std::string refusPas(double pas) { return sauf(pas >= 0.0, "pas positif ou nul attendu"); }

std::string refusGrille(double largeur, double profondeur, double cellule)
{
    // as the terrain builder counts them; an overflow counts as too many
    const double noeuds = (largeur / cellule + 1.5) * (profondeur / cellule + 1.5);
    if (noeuds <= NoeudsMax)
        return std::string();
    std::string raison = "grille de plus de 4000000 noeuds sur l'etendue";
    if (std::isfinite(noeuds)) {
        char combien[40];
        std::snprintf(combien, sizeof combien, " (%.3g noeuds)", noeuds);
        raison += combien;
    }
    return raison;
}

std::string litScenario(const std::string& path, ScenarioFile* s)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::string("fichier illisible (") + std::strerror(errno) + ")";
    std::string texte;
    char bloc[65536];
    size_t n;
    while ((n = std::fread(bloc, 1, sizeof bloc, f)) > 0)
        texte.append(bloc, n);
    bool erreur = std::ferror(f);
    std::fclose(f);
    if (erreur)
        return "fichier illisible (erreur de lecture)";
    size_t barre = path.rfind('/');
    std::string dossier = barre == std::string::npos ? std::string(".") : path.substr(0, barre);
    if (dossier.empty())
        dossier = "/";
    return litScenarioTexte(texte, dossier, s);
}

// ---- writing -------------------------------------------------------------------

namespace {

// JSON with two-space indentation, lists of numbers on one line
void ecritJson(const Json& j, int retrait, std::string& out)
{
    const std::string ici(retrait, ' '), dedans(retrait + 2, ' ');
    if (j.is_object() && !j.empty()) {
        out += "{\n";
        size_t i = 0;
        for (auto it = j.begin(); it != j.end(); ++it, ++i) {
            out += dedans + Json(it.key()).dump() + ": ";
            ecritJson(it.value(), retrait + 2, out);
            out += i + 1 < j.size() ? ",\n" : "\n";
        }
        out += ici + "}";
    } else if (j.is_array() && !j.empty()) {
        bool plate = true;
        for (const Json& e : j)
            plate = plate && e.is_primitive();
        out += plate ? "[" : "[\n";
        for (size_t i = 0; i < j.size(); ++i) {
            if (!plate)
                out += dedans;
            ecritJson(j[i], retrait + 2, out);
            if (i + 1 < j.size())
                out += plate ? ", " : ",\n";
        }
        out += plate ? "]" : "\n" + ici + "]";
    } else {
        out += j.dump();
    }
}

Json liste(const double* v, int n)
{
    Json a = Json::array();
    for (int i = 0; i < n; ++i)
        a.push_back(v[i]);
    return a;
}

} // namespace

std::string texteScenario(const ScenarioFile& s)
{
    Json j;
    j["version"] = 1;
    j["geometrie"] = {{"voie", s.voie}, {"inclinaison", s.inclinaison}, {"quadri", s.quadri}};

    Json dyn = {{"test_libre", s.testLibre}, {"periode", s.periode}, {"verbosite", s.verbosite}};
    if (!s.resultats.empty())
        dyn["resultats"] = s.resultats;
    if (!s.donneesFichier.empty()) {
        dyn["donnees"] = s.donneesFichier;
    } else {
        Json d = Json::object();
        for (int k = 0; k < nbNomsDonnees; ++k) {
            const NomDonnee& n = nomsDonnees[k];
            if (!s.donneeDonnee[n.indice])
                continue;
            d[n.nom] = n.nombre == 1 ? Json(s.donnees[n.indice]) : liste(s.donnees + n.indice, n.nombre);
        }
        if (!d.empty())
            dyn["donnees"] = d;
    }
    j["dynamique"] = dyn;

    Json ter = Json::object();
    if (!s.terrainFichier.empty())
        ter["fichier"] = s.terrainFichier;
    ter["forme"] = Formes[s.forme >= 0 && s.forme < 3 ? s.forme : 1];
    ter["cellule"] = s.cellule;
    ter["xmin"] = s.xmin;
    ter["xmax"] = s.xmax;
    ter["ymin"] = s.ymin;
    ter["ymax"] = s.ymax;
    ter["bosses"] = s.bosses;
    ter["coef_h"] = s.coefH;
    ter["graine"] = s.graine;
    if (!s.raster.empty()) {
        Json r = {{"fichier", s.raster}};
        if (s.aFenetre)
            r["fenetre"] = liste(s.fenetre, 3);
        r["pas"] = s.pas;
        ter["raster"] = r;
    }
    j["terrain"] = ter;

    Json sol = {{"modele", Modeles[s.modele == 1 || s.modele == 2 ? s.modele : 0]}};
    if (s.modele == 2)
        sol["classique"] = {{"c1", s.c1}, {"c2", s.c2}, {"n1", s.n1}};
    Json simp = {{"phi0", s.phi0}};
    if (s.aKN)
        simp["kN"] = s.kN;
    if (s.aFN)
        simp["fN"] = s.fN;
    if (s.aKT)
        simp["kT"] = s.kT;
    if (s.aFT)
        simp["fT"] = s.fT;
    sol["simplifie"] = simp;
    if (!s.zonesFichier.empty()) {
        sol["zones"] = s.zonesFichier;
    } else if (!s.zones.empty()) {
        Json zs = Json::array();
        for (const ZoneScenario& z : s.zones)
            zs.push_back({{"hzone", z.hzone}, {"X", z.X}, {"Y", z.Y}, {"R", z.R}, {"c", z.c},
                          {"phi", z.phi}, {"Xc", z.Xc}, {"kc", z.kc}, {"kphi", z.kphi},
                          {"n", z.n}, {"rhod", z.rhod}, {"lbda", z.lbda}, {"K", z.K}});
        sol["zones"] = zs;
    }
    j["sol"] = sol;

    Json dep = Json::object();
    if (s.aPose)
        dep["pose"] = liste(s.pose, 6);
    if (s.aAngles)
        dep["angles"] = liste(s.angles, NB_CONF);
    dep["placer"] = s.placer;
    j["depart"] = dep;

    Json pil = {{"mode", s.dynamique ? "dyn" : "kin"}, {"v", s.v}, {"c", s.c}};
    if (!s.commandesFichier.empty()) {
        pil["commandes"] = s.commandesFichier;
    } else if (!s.commandes.empty()) {
        Json cs = Json::array();
        for (const CommandeScenario& c : s.commandes)
            cs.push_back(Json::array({c.t, c.v, c.c}));
        pil["commandes"] = cs;
    }
    if (s.aPlan) {
        Json plan = Json::object();
        if (s.planVitesse > 0.0)
            plan["vitesse"] = s.planVitesse;
        Json cs = Json::array();
        for (const CommandePlan& k : s.planCommandes) {
            Json c = Json::object();
            switch (k.type) {
            case PlanArc:
                c["arc"] = {{"rayon", k.rayon}, {"longueur", k.longueur}};
                break;
            case PlanDroit:
                c["droit"] = k.longueur;
                break;
            case PlanCap:
                c["cap"] = k.cap;
                break;
            default: {
                Json p = {{"x", k.x}, {"y", k.y}, {"tolerance", k.tolerance}};
                if (k.delai > 0.0)
                    p["delai"] = k.delai;
                c["point"] = p;
            }
            }
            if (k.vitesse > 0.0)
                c["vitesse"] = k.vitesse;
            cs.push_back(c);
        }
        plan["commandes"] = cs;
        if (!s.zonesInterdites.empty()) {
            Json zs = Json::array();
            for (const ZoneInterdite& z : s.zonesInterdites)
                zs.push_back({{"x", z.x}, {"y", z.y}, {"rayon", z.rayon}});
            plan["zones_interdites"] = zs;
        }
        const LimitesPlan& L = s.limites;
        Json l = Json::object();
        for (auto [cle, x] : {std::pair<const char*, double>{"inclinaison", L.inclinaison},
                              {"marge", L.marge},
                              {"glissement", L.glissement},
                              {"controle_glissement", L.controleGlissement},
                              {"garde_sol", L.gardeSol},
                              {"enfoncement", L.enfoncement}})
            if (std::isfinite(x))
                l[cle] = x;
        plan["limites"] = l;
        pil["plan"] = plan;
    }
    pil["continuer"] = s.continuer;
    j["pilotage"] = pil;

    // a plan without a bound on the time runs to its end
    if (!s.aPlan || s.aDuree)
        j["duree"] = s.duree;

    Json sor = Json::object();
    if (!s.trajectoire.empty())
        sor["trajectoire"] = s.trajectoire;
    if (!s.telemetrie.empty())
        sor["telemetrie"] = s.telemetrie;
    if (!s.rapport.empty())
        sor["rapport"] = s.rapport;
    if (!s.carte.empty())
        sor["carte"] = s.carte;
    j["sorties"] = sor;
    std::string texte;
    ecritJson(j, 0, texte);
    return texte + "\n";
}

std::string ecritScenario(const ScenarioFile& s, const std::string& path)
{
    std::string texte = texteScenario(s);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return std::string("fichier impossible a ecrire (") + std::strerror(errno) + ")";
    bool ok = std::fwrite(texte.data(), 1, texte.size(), f) == texte.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        return "fichier impossible a ecrire (ecriture incomplete)";
    return std::string();
}

// ---- from a built model -----------------------------------------------------------

namespace {

const double DegParRad = 57.29577951308232;
const double RadParDeg = 0.017453292519943295;

// an angle in degrees that the programs turn back into the same radians (they
// multiply by RadParDeg): the rounded one when it does, a neighbour otherwise
double degres(double rad)
{
    const double d = rad * DegParRad;
    const double arrondi = std::round(d * 1e9) / 1e9;
    for (double essai : {arrondi, d, std::nextafter(d, 1e308), std::nextafter(d, -1e308)})
        if (essai * RadParDeg == rad)
            return essai;
    return d;
}

} // namespace

std::string cheminDuFlux(FILE* f)
{
    if (!f)
        return std::string();
    int fd = fileno(f);
    if (fd < 0)
        return std::string();
    char lien[64], cible[4096];
    std::snprintf(lien, sizeof lien, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(lien, cible, sizeof cible - 1);
    if (n <= 0)
        return std::string();
    cible[n] = '\0';
    // the link must still lead to the very file the stream is open on
    struct stat parFlux, parNom;
    if (fstat(fd, &parFlux) != 0 || stat(cible, &parNom) != 0 || !S_ISREG(parNom.st_mode) ||
        parFlux.st_dev != parNom.st_dev || parFlux.st_ino != parNom.st_ino)
        return std::string();
    return cible;
}

double celluleDuMnt(const Mnt* m)
{
    const double ex = m->Xmax - m->Xmin, ey = m->Ymax - m->Ymin;
    if (m->nx < 2 || m->ny < 2)
        return m->dx;
    // the cell sizes that give nx nodes: ex / c + 1.5 in [nx, nx + 1)
    auto donne = [&](double c) {
        return static_cast<int>(ex / c + 1.5) == m->nx && static_cast<int>(ey / c + 1.5) == m->ny;
    };
    if (donne(m->dx))
        return m->dx;
    if (donne(m->dy))
        return m->dy;
    double bas = std::max(ex / (m->nx - 0.5), ey / (m->ny - 0.5));
    double haut = std::min(ex / (m->nx - 1.5), ey / (m->ny - 1.5));
    double c = 0.5 * (bas + haut);
    return donne(c) ? c : m->dx;
}

bool terrainGenere(const Mnt* m)
{
    if (m->fichier || !m->h)
        return false;
    Mnt g;
    defauts_mnt(&g);
    g.typeMNT = m->typeMNT;
    g.coefH = m->coefH;
    g.hBosses = m->hBosses;
    g.graine = m->graine;
    g.dx = g.dy = celluleDuMnt(m);
    g.Xmin = m->Xmin, g.Xmax = m->Xmax, g.Ymin = m->Ymin, g.Ymax = m->Ymax;
    bool meme = new_mnt(&g) == 0 && g.nx == m->nx && g.ny == m->ny &&
                std::memcmp(g.h, m->h, sizeof(double) * g.nx * g.ny) == 0;
    libere_mnt(&g);
    return meme;
}

ScenarioFile scenarioDuModele(const DynRover* rover, int periodeMs, const Mnt* mnt,
                              const DynSol* sol, const ZonesSol* zones, bool dynamique,
                              double v, double c)
{
    ScenarioFile s;
    s.voie = rover->voie;
    s.inclinaison = degres(rover->inclinaison);
    s.quadri = rover->quadri != 0;

    s.testLibre = rover->testLibre != 0;
    s.periode = periodeMs;
    s.verbosite = rover->verbose;
    s.resultats = cheminDuFlux(rover->fresults);
    std::memcpy(s.donnees, &rover->data, sizeof s.donnees);
    for (bool& d : s.donneeDonnee)
        d = true;

    s.terrainFichier = cheminDuFlux(mnt->fichier);
    s.forme = mnt->typeMNT >= 0 && mnt->typeMNT <= 2 ? mnt->typeMNT : 1;
    s.cellule = celluleDuMnt(mnt);
    s.xmin = mnt->Xmin;
    s.xmax = mnt->Xmax;
    s.ymin = mnt->Ymin;
    s.ymax = mnt->Ymax;
    s.bosses = mnt->hBosses;
    s.coefH = mnt->coefH;
    s.graine = mnt->graine;

    s.modele = mnt->typeDyn == SolMacro ? 1 : mnt->typeDyn == SolClassique ? 2 : 0;
    s.c1 = mnt->c1;
    s.c2 = mnt->c2;
    s.n1 = mnt->n1;
    if (sol) {
        // the angle whose tangent init_dynSol gives back, when there is one
        s.phi0 = degres(std::atan(sol->tanPhi0));
        const double arrondi = std::round(s.phi0 * 1e9) / 1e9;
        if (std::tan(arrondi * RadParDeg) == sol->tanPhi0)
            s.phi0 = arrondi;
        s.aKN = s.aFN = s.aKT = s.aFT = true;
        s.kN = sol->kN;
        s.fN = sol->fN;
        s.kT = sol->kT;
        s.fT = sol->fT;
    }
    if (zones)
        for (const ZoneSol* z = zones->premiere; z; z = z->suivante) {
            ZoneScenario e;
            e.hzone = z->hzone;
            e.X = z->X, e.Y = z->Y, e.R = z->R;
            e.c = z->c, e.phi = degres(z->phi), e.Xc = degres(z->Xc);
            e.kc = z->kc, e.kphi = z->kphi, e.n = z->n;
            e.rhod = z->rhod, e.lbda = z->lbda, e.K = z->K;
            s.zones.push_back(e);
        }

    const ConfRover* cr = &rover->conf;
    s.aPose = s.aAngles = true;
    for (int k = 0; k < 3; ++k) {
        s.pose[k] = cr->pos[k];
        s.pose[3 + k] = degres(cr->att[k]);
    }
    for (int k = 0; k < NB_CONF; ++k)
        s.angles[k] = degres(cr->q[k]);
    s.placer = false;

    s.dynamique = dynamique;
    s.v = v;
    s.c = c;
    return s;
}
