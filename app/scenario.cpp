#include "app/scenario.h"

#include "app/modal.h"
#include "app/scenario_dialogs.h"
#include "rover/confrover.h"
#include "rover/dynamics.h"
#include "rover/dynrover.h"
#include "rover/solclassique.h"

#include <QCoreApplication>
#include <cstdlib>

// the angle of friction given to the simplified soil at creation: 30 degrees
static const double SoilAngle = 0.5235987755982988;

static QString translated(const char* text)
{
    return QCoreApplication::translate("Scenario", text);
}

// shows a creation failure and releases what was built; returns null so the
// caller can return it at once
static Scenario* fail(QWidget* parent, Scenario* s, const char* text)
{
    modal::critical(parent, "In newScenario", translated(text), QMessageBox::Ok);
    if (s && s->dynRover.fresults)
        fclose(s->dynRover.fresults);
    libereScenario(s);
    return nullptr;
}

void scenarioInitial(Scenario* s)
{
    s->terrain = &s->mnt;
    s->soil = &s->dynSol;
    s->zones = nullptr;
    s->dynRovers[0] = &s->dynRover;
    s->confRovers[0] = &s->dynRover.conf;
    s->nbRovers = 1;
    s->perspective = 1;
    s->fovy = 30.0;
    s->distance = 20.0;
    s->azimuth = -120.0;
    s->site = 20.0;
    s->panX = 0.0;
    s->panY = 0.0;
    s->lightPosition[0] = 0.0f;
    s->lightPosition[1] = 0.3f;
    s->lightPosition[2] = 1.0f;
    s->lightPosition[3] = 0.0f;
}

Scenario* newScenario(QWidget* parent)
{
    Scenario* s = static_cast<Scenario*>(calloc(1, sizeof(Scenario)));
    if (!s)
        return fail(parent, nullptr, "Echec allocation !");

    scenarioInitial(s);

    DynRover* dyn = &s->dynRover;
    ConfRover* conf = &dyn->conf;
    dyn->voie = 1.0;
    dyn->inclinaison = 0.0;
    dyn->quadri = 0;
    runGeoDialog(parent, dyn);

    if (const char* m = geodir_rover(conf, dyn->voie, dyn->inclinaison, dyn->quadri))
        return fail(parent, s, m);
    if (const char* m = update_geometry(conf))
        return fail(parent, s, m);

    dyn->testLibre = 0;
    dyn->fresults = nullptr;
    dyn->verbose = 0;
    dyn->fdata = nullptr;
    dyn_defaults(dyn);
    s->periodMs = 40;
    runRoverDialog(parent, dyn, &s->periodMs);

    dyn_constants(dyn);

    Mnt* mnt = &s->mnt;
    defauts_mnt(mnt);
    runMntDialog(parent, mnt, &s->raster);

    // a raster's grid comes already read from the terrain dialog; its heights
    // are the ground's own (hundreds or thousands of metres), so the observer
    // follows the rover rather than looking at the frame's origin
    const bool raster = mnt->h != nullptr;
    if (raster)
        s->follow = 1;
    const int terrain = raster ? 0 : new_mnt(mnt);
    if (terrain < 0)
        return fail(parent, s, "Echec initialisation MNT");
    if (terrain == 1) {
        // the file chosen was not the terrain built: the user learns it here
        // rather than from the error stream
        modal::warning(parent, translated("Terrain"),
                       translated("Le fichier MNT n'a pas pu être lu :\n%1\n"
                                  "Le MNT interne des paramètres choisis le remplace.")
                           .arg(QString::fromLocal8Bit(plainte_loada())));
        // the terrain of the run is the built-in one: nothing may name the
        // refused file as its source (a saved scenario would read it again)
        fclose(mnt->fichier);
        mnt->fichier = nullptr;
    }

    if (mnt->typeDyn == SolMacro || mnt->typeDyn == SolClassique) {
        s->zones = nouvellesZones(nullptr);
        if (!s->zones)
            return fail(parent, s, "Echec allocation !");
        runMacroSolDialog(parent, s->zones);
        // the classical law refuses a zone it cannot carry: the zones go
        // back to the dialog as entered until they pass or it is cancelled
        while (mnt->typeDyn == SolClassique) {
            const ParamClassique p = {mnt->c1, mnt->c2, mnt->n1};
            const char* m = verifie_zones_classiques(s->zones, &p, conf->rayonRoue,
                                                     conf->largeurRoue,
                                                     dyn->mtot * dyn->data.g / NB_CHAINES);
            if (!m)
                break;
            modal::warning(parent, translated("Modèle classique"), QString::fromLatin1(m));
            if (!runMacroSolDialog(parent, s->zones))
                return fail(parent, s, m);
        }
        mnt->sol = s->zones;
    } else {
        init_dynSol(&s->dynSol, SoilAngle, dyn->data.g);
        runDynSolDialog(parent, &s->dynSol);
        mnt->sol = &s->dynSol;
    }

    if (const char* m = place_on_ground(conf, mnt))
        return fail(parent, s, m);

    s->vDes = 0.0;
    s->cDes = 0.0;
    return s;
}

void libereScenario(Scenario* s)
{
    if (!s)
        return;
    libere_mnt(&s->mnt);
    free(s->raster.chemin);
    if (s->mnt.fichier)
        fclose(s->mnt.fichier);
    if (s->zones) {
        libereZones(s->zones);
        free(s->zones);
    }
    free(s);
}
