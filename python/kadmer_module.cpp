// The Python module `kadmer`: the rover model itself for scripts, notebooks
// and optimisers. A Simulation is the very run kadmer-sim makes of a scenario
// (same builder, same ticks, same telemetry), stepped from Python; the terrain
// queries and the single-wheel rig are vectorised over numpy arrays.
//
// A new entry point is one binding in this file: a function or class that
// takes plain Python values or numpy arrays, calls the model's or a companion
// program's library, and returns numpy arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kadmer-map/carte.h"
#include "kadmer-rig/banc.h"
#include "rover/confrover.h"
#include "rover/telemetry.h"
#include "scenario/scenariofile.h"
#include "terrain/mnt.h"
#include "tools/kadmer-sim/options.h"
#include "tools/kadmer-sim/simrun.h"

namespace py = pybind11;

namespace {

// ---- errors --------------------------------------------------------------------

// raised by a step whose model said the drive ends there; the tick is done
// (time, pose and telemetry include it) and the simulation may go on
py::object StepError, OffTerrainError, RolloverError, SinkageError;

[[noreturn]] void raise_step(const std::string& message, double t)
{
    std::string text = message;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    py::object type = StepError;
    if (text == "Rover hors du terrain")
        type = OffTerrainError;
    else if (text == "Rover renverse")
        type = RolloverError;
    else if (text.rfind("Roue enlisee", 0) == 0)
        type = SinkageError;
    PyObject* e = PyObject_CallFunction(type.ptr(), "s", text.c_str());
    if (!e)
        throw py::error_already_set();
    py::object err = py::reinterpret_steal<py::object>(e);
    err.attr("time") = t;
    err.attr("message") = text;
    PyErr_SetObject(type.ptr(), err.ptr());
    throw py::error_already_set();
}

// ---- the simulation ------------------------------------------------------------

class Simulation {
public:
    explicit Simulation(const py::object& scenario)
    {
        ScenarioFile file;
        std::string message;
        std::string nom;
        if (py::isinstance<py::dict>(scenario)) {
            // the dict's keys are the file's: read through the same checks,
            // relative paths from the working folder
            py::object dumps = py::module_::import("json").attr("dumps");
            const std::string text = dumps(scenario).cast<std::string>();
            message = litScenarioTexte(text, ".", &file);
            nom = "scenario";
        } else {
            nom = py::str(py::module_::import("os").attr("fspath")(scenario)).cast<std::string>();
            message = litScenario(nom, &file);
        }
        if (!message.empty())
            throw py::value_error(message);
        SimOptions o;
        try {
            options_from_scenario(file, o);
            o.scenario = nom;
            check_options(o);
            run_ = std::make_unique<SimRun>();
            sim_build(o, run_.get());
        } catch (const SimRefus& r) {
            run_.reset();
            throw py::value_error(r.message);
        }
        duration_ = o.duration;
        enregistre();  // the start, as the telemetry has it at time 0
    }

    // ticks of the piloting; v or c given hold from now on, in place of the
    // scenario's schedule
    void step(py::object v, py::object c, long ticks)
    {
        if (ticks < 0)
            throw py::value_error("ticks : un nombre de pas positif ou nul est attendu");
        if (!v.is_none() || !c.is_none()) {
            manual_ = true;
            if (!v.is_none())
                set_v(v.cast<double>());
            if (!c.is_none())
                set_c(c.cast<double>());
        }
        avance(ticks);
    }

    void run(double duration)
    {
        if (!(duration >= 0.0) || !std::isfinite(duration))
            throw py::value_error("duration : une durée finie positive ou nulle est attendue (s)");
        avance(std::lround(duration / run_->dt));
    }

    double time() const { return run_->rover->conf.temps; }
    double v() const { return run_->vDes; }
    double c() const { return run_->cDes; }
    double dt() const { return run_->dt; }
    double duration() const { return duration_; }
    bool dynamic() const { return run_->dynamic; }

    void set_v(double v)
    {
        if (!std::isfinite(v))
            throw py::value_error("v : une vitesse finie est attendue (m/s)");
        run_->vDes = v;
        manual_ = true;
    }
    void set_c(double c)
    {
        if (!std::isfinite(c))
            throw py::value_error("c : une courbure finie est attendue (1/m)");
        run_->cDes = c;
        manual_ = true;
    }

    // X, Y, Z (m), site, gite, azimut (rad), as a trajectory line has them
    py::tuple pose() const
    {
        const ConfRover* cr = &run_->rover->conf;
        return py::make_tuple(cr->pos[0], cr->pos[1], cr->pos[2], cr->att[0], cr->att[1], cr->att[2]);
    }

    py::array_t<double> angles() const
    {
        py::array_t<double> a(NB_CONF);
        std::memcpy(a.mutable_data(), run_->rover->conf.q, sizeof(double) * NB_CONF);
        return a;
    }

    // every column of the telemetry so far, one row per tick and one at the
    // start: one copy of each column, whatever the number of ticks
    py::dict telemetry() const
    {
        py::dict d;
        const size_t n = rows_.size() / TELEMETRY_COLONNES;
        char name[32];
        for (int k = 0; k < TELEMETRY_COLONNES; ++k) {
            py::array_t<double> col(n);
            double* out = col.mutable_data();
            for (size_t i = 0; i < n; ++i)
                out[i] = rows_[i * TELEMETRY_COLONNES + k];
            telemetry_column_name(k, name);
            d[name] = col;
        }
        return d;
    }

    py::array_t<double> height(py::array_t<double, py::array::forcecast> x,
                               py::array_t<double, py::array::forcecast> y) const
    {
        const Mnt* m = run_->mnt;
        return py::vectorize([m](double a, double b) { return hauteur_mnt(m, a, b, nullptr); })(x, y);
    }

    // unit normals of the ground, shape (..., 3)
    py::array_t<double> normal(py::array_t<double, py::array::forcecast> x,
                               py::array_t<double, py::array::forcecast> y) const
    {
        py::buffer_info bx = x.request(), by = y.request();
        if (bx.size != by.size)
            throw py::value_error("x et y : des tableaux de même taille sont attendus");
        std::vector<py::ssize_t> shape(bx.shape.begin(), bx.shape.end());
        shape.push_back(3);
        py::array_t<double> out(shape);
        const double* px = x.data();
        const double* py_ = y.data();
        double* o = out.mutable_data();
        {
            py::gil_scoped_release libre;
            for (py::ssize_t i = 0; i < bx.size; ++i)
                hauteur_mnt(run_->mnt, px[i], py_[i], o + 3 * i);
        }
        return out;
    }

    // the traversability map of the terrain for the rover: one 2-D array per
    // layer (rows from the north), as kadmer-map computes it
    py::dict traversability(double pas, int caps, const py::object& limites, int jobs) const
    {
        CarteReglages r;
        r.pas = pas;
        r.caps = caps;
        r.jobs = jobs;
        if (!limites.is_none()) {
            py::dict l = limites.cast<py::dict>();
            for (auto item : l) {
                const std::string cle = item.first.cast<std::string>();
                double* champ = cle == "inclinaison" ? &r.limites.inclinaison
                              : cle == "marge"       ? &r.limites.marge
                              : cle == "garde_sol"   ? &r.limites.gardeSol
                                                     : nullptr;
                if (!champ)
                    throw py::value_error("limites : cle inconnue \"" + cle + "\" (inclinaison, marge, garde_sol attendues)");
                *champ = item.second.cast<double>();
            }
        }
        Carte c;
        std::string message;
        {
            py::gil_scoped_release libre;
            message = carte_calcule(run_->rover, run_->mnt, r, &c);
        }
        if (!message.empty())
            throw py::value_error(message);
        py::dict d;
        const size_t n = (size_t)c.g.nx * c.g.ny;
        for (int k = 0; k < NB_COUCHES; ++k) {
            py::array_t<float> a({c.g.ny, c.g.nx});
            std::copy(c.v.begin() + k * n, c.v.begin() + (k + 1) * n, a.mutable_data());
            d[nomCouche[k]] = a;
        }
        d["x0"] = c.g.x0;
        d["y0"] = c.g.y0;
        d["pas"] = c.g.pas;
        d["nodata"] = CarteNodata;
        return d;
    }

    // the drive plan's state: None without a plan; its status, the command in
    // force (1-based, n + 1 once ended) and one record per command as the
    // report has it
    py::object plan() const
    {
        if (!run_->hasPlan)
            return py::none();
        const EtatPlan& e = run_->plan;
        py::list commandes;
        for (int k = 0; k < e.plan.nbCommandes; ++k) {
            const ResultatCommande& r = e.resultats[k];
            py::dict c;
            c["type"] = nomCommandePlan[e.plan.commandes[k].type];
            c["statut"] = nomStatutPlan[r.statut];
            c["t_debut_s"] = r.tDebut;
            c["t_fin_s"] = r.tFin;
            c["x_m"] = r.x;
            c["y_m"] = r.y;
            c["cap_deg"] = r.cap;
            c["odometrie_m"] = r.odometrie;
            c["distance_m"] = r.distance;
            c["inclinaison_max_deg"] = r.inclinaisonMax;
            c["marge_min_deg"] = r.margeMin;
            c["garde_sol_min_m"] = r.gardeSolMin;
            c["enfoncement_max_m"] = r.enfoncementMax;
            c["energie_J"] = r.energie;
            commandes.append(c);
        }
        py::dict d;
        d["statut"] = nomStatutPlan[e.statut];
        d["commande"] = e.courante + 1;
        d["commandes"] = commandes;
        d["message"] = std::string(e.message);
        return d;
    }

    py::tuple extent() const
    {
        const Mnt* m = run_->mnt;
        return py::make_tuple(m->Xmin, m->Xmax, m->Ymin, m->Ymax);
    }

private:
    void enregistre()
    {
        double v[TELEMETRY_COLONNES];
        telemetry_values(&run_->tel, v);
        rows_.insert(rows_.end(), v, v + TELEMETRY_COLONNES);
    }

    // n ticks without the interpreter's lock; the first message of the model
    // stops them and is raised
    void avance(long n)
    {
        std::string message;
        {
            py::gil_scoped_release libre;
            for (long k = 0; k < n; ++k) {
                if (!manual_)
                    sim_apply_schedule(run_.get());
                const char* m = sim_tick(run_.get(), true);
                enregistre();
                if (m) {
                    message = m;
                    break;
                }
            }
        }
        if (!message.empty())
            raise_step(message, time());
    }

    std::unique_ptr<SimRun> run_;
    std::vector<double> rows_;  // telemetry rows, TELEMETRY_COLONNES each
    bool manual_ = false;       // the caller drives: the schedule is left
    double duration_ = 0.0;     // the scenario's duration, s
};

// ---- the single-wheel rig ------------------------------------------------------

py::dict rig(const py::object& soil, const std::string& model, const py::object& slipValues, py::object load,
             double voie)
{
    if (slipValues.is_none())
        throw py::value_error("slip : les glissements des points sont attendus");
    py::array_t<double, py::array::forcecast> slip(slipValues);
    Banc banc;
    if (const char* m = initBanc(&banc, voie))
        throw py::value_error(m);
    if (py::isinstance<py::str>(soil)) {
        const std::string nom = soil.cast<std::string>();
        const PresetSol* p = cherchePreset(nom.c_str());
        if (!p)
            throw py::value_error("soil : sol inconnu \"" + nom + "\"");
        appliquePreset(&banc, p);
    } else if (py::isinstance<py::dict>(soil)) {
        const double DegToRad = 0.017453292519943295;
        for (auto item : soil.cast<py::dict>()) {
            const std::string k = item.first.cast<std::string>();
            const double v = item.second.cast<double>();
            if (k == "n") banc.zone.n = v;
            else if (k == "kc") banc.zone.kc = v;
            else if (k == "kphi") banc.zone.kphi = v;
            else if (k == "c") banc.zone.c = v;
            else if (k == "phi") {
                banc.zone.phi = v * DegToRad;
                banc.zone.tanPhi = std::tan(banc.zone.phi);
            } else if (k == "K") banc.zone.K = v;
            else if (k == "rhod") banc.zone.rhod = v;
            else if (k == "lbda") banc.zone.lbda = v;
            else if (k == "c1") banc.classique.c1 = v;
            else if (k == "c2") banc.classique.c2 = v;
            else if (k == "n1") banc.classique.n1 = v;
            else throw py::value_error("soil : clé inconnue \"" + k + "\"");
        }
    } else if (!soil.is_none()) {
        throw py::value_error("soil : un nom de sol ou un dict de valeurs est attendu");
    }
    // after the soil: a preset also sets the macro law
    if (model == "macro")
        banc.typeSol = SolBancMacro;
    else if (model == "classique")
        banc.typeSol = SolBancClassique;
    else if (model == "visco")
        banc.typeSol = SolBancVisco;
    else
        throw py::value_error("model : \"macro\", \"classique\" ou \"visco\" attendu, pas \"" + model + "\"");
    if (!load.is_none())
        banc.W = load.cast<double>();
    if (const char* m = verifieBanc(&banc))
        throw py::value_error(m);
    py::buffer_info b = slip.request();
    const double* s = slip.data();
    for (py::ssize_t i = 0; i < b.size; ++i)
        if (const char* m = verifieGlissement(s[i]))
            throw py::value_error(std::string("slip : ") + m);

    const char* noms[] = {"slip", "sinkage_m", "DP_N", "T_Nm", "t_s", "regime"};
    std::vector<py::array_t<double>> cols;
    for (int k = 0; k < 6; ++k)
        cols.emplace_back(b.size);
    std::vector<double*> o;
    for (auto& c : cols)
        o.push_back(c.mutable_data());
    {
        py::gil_scoped_release libre;
        for (py::ssize_t i = 0; i < b.size; ++i) {
            PointBanc p;
            pointGlissement(&banc, s[i], &p);
            o[0][i] = p.slip;
            o[1][i] = p.sinkage;
            o[2][i] = p.DP;
            o[3][i] = p.T;
            o[4][i] = p.t;
            o[5][i] = p.regime;
        }
    }
    py::dict d;
    for (int k = 0; k < 6; ++k)
        d[noms[k]] = cols[k];
    d["load_N"] = banc.W;
    d["radius_m"] = banc.r;
    d["width_m"] = banc.b;
    return d;
}

}  // namespace

PYBIND11_MODULE(kadmer, m)
{
    m.doc() = "Le modèle du rover Kadmer : simulations de scénarios, terrain, banc à une roue";

    py::object runtime = py::module_::import("builtins").attr("RuntimeError");
    StepError = py::reinterpret_steal<py::object>(
        PyErr_NewExceptionWithDoc("kadmer.StepError", "Le pas du modèle a signalé la fin d'une marche", runtime.ptr(),
                                  nullptr));
    OffTerrainError = py::reinterpret_steal<py::object>(
        PyErr_NewExceptionWithDoc("kadmer.OffTerrainError", "Rover hors du terrain", StepError.ptr(), nullptr));
    RolloverError = py::reinterpret_steal<py::object>(
        PyErr_NewExceptionWithDoc("kadmer.RolloverError", "Rover renversé", StepError.ptr(), nullptr));
    SinkageError = py::reinterpret_steal<py::object>(
        PyErr_NewExceptionWithDoc("kadmer.SinkageError", "Roue enlisée", StepError.ptr(), nullptr));
    m.attr("StepError") = StepError;
    m.attr("SinkageError") = SinkageError;
    m.attr("OffTerrainError") = OffTerrainError;
    m.attr("RolloverError") = RolloverError;

    py::class_<Simulation>(m, "Simulation",
                           "Une simulation construite d'un fichier de scénario (chemin) ou d'un dict de ses clés")
        .def(py::init<const py::object&>(), py::arg("scenario"))
        .def("step", &Simulation::step, py::arg("v") = py::none(), py::arg("c") = py::none(),
             py::arg("ticks") = 1,
             "Avance de `ticks` périodes ; v (m/s) et c (1/m) donnés remplacent dès lors le programme de commandes")
        .def("run", &Simulation::run, py::arg("duration"), "Avance de `duration` secondes simulées")
        .def_property_readonly("time", &Simulation::time, "temps simulé, s")
        .def_property_readonly("dt", &Simulation::dt, "période, s")
        .def_property_readonly("duration", &Simulation::duration, "durée du scénario, s")
        .def_property_readonly("dynamic", &Simulation::dynamic, "pilotage dynamique")
        .def_property("v", &Simulation::v, &Simulation::set_v, "commande de vitesse, m/s")
        .def_property("c", &Simulation::c, &Simulation::set_c, "commande de courbure, 1/m")
        .def_property_readonly("pose", &Simulation::pose, "X, Y, Z (m), site, gite, azimut (rad)")
        .def_property_readonly("angles", &Simulation::angles, "les 21 valeurs de configuration, rad")
        .def_property_readonly("extent", &Simulation::extent, "Xmin, Xmax, Ymin, Ymax du terrain, m")
        .def_property_readonly("plan", &Simulation::plan,
                               "Le plan de marche : None sans plan ; statut, commande en cours, une fiche par commande")
        .def("telemetry", &Simulation::telemetry, "La télémétrie : un tableau numpy par colonne du CSV")
        .def("height", &Simulation::height, py::arg("x"), py::arg("y"), "Hauteur du terrain, m")
        .def("normal", &Simulation::normal, py::arg("x"), py::arg("y"), "Normale unitaire du terrain")
        .def("traversability", &Simulation::traversability, py::arg("pas") = 0.0, py::arg("caps") = 8,
             py::arg("limites") = py::none(), py::arg("jobs") = 0,
             "Carte de franchissabilité du terrain, comme kadmer-map : un tableau par couche (lignes depuis le "
             "nord), centre de la cellule nord-ouest (x0, y0), pas, nodata");

    m.def("rig", &rig, py::arg("soil") = py::none(), py::arg("model") = "macro", py::arg("slip") = py::none(),
          py::arg("load") = py::none(), py::arg("voie") = 1.0,
          "Banc à une roue : points établis aux glissements donnés ; soil un nom de sol publié ou un dict "
          "(n, kc, kphi, c, phi, K, rhod, lbda, c1, c2, n1), model \"macro\", \"classique\" ou \"visco\"");
}
