// The start-up scenario the benchmarks time, with every dialog accepted on
// its defaults: unit rover, internal data, random terrain with bumps (or flat
// ground), the simplified soil or the one default zone under the macro or the
// classical law; the rover placed on the ground and its dynamics reset.
#pragma once

#include <cstdlib>
#include <cstring>

#include "rover/dynamics.h"
#include "rover/piloting.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

struct RoverScene {
    DynRover* rover;
    Mnt mnt;
    DynSol sol;
    ZonesSol* zones = nullptr;

    // modele: the soil model, SolSimplifie, SolMacro or SolClassique
    explicit RoverScene(int modele = SolSimplifie, bool flat = false)
    {
        rover = static_cast<DynRover*>(std::calloc(1, sizeof(DynRover)));
        rover->voie = 1.0;
        geodir_rover(&rover->conf, 1.0, 0.0, 0);
        update_geometry(&rover->conf);
        dyn_defaults(rover);
        dyn_constants(rover);
        std::memset(&mnt, 0, sizeof mnt);
        defauts_mnt(&mnt);
        if (flat) {
            mnt.typeMNT = MntPlat;
            mnt.hBosses = 0.0;
        }
        new_mnt(&mnt);
        razFiltresMacroSol();
        if (modele == SolMacro || modele == SolClassique) {
            zones = nouvellesZones(nullptr);
            mnt.typeDyn = modele;
            mnt.sol = zones;
        } else {
            init_dynSol(&sol, 0.5235987755982988, rover->data.g);
            mnt.sol = &sol;
        }
        place_on_ground(&rover->conf, &mnt);
        dyn_reset(rover);
    }
    ~RoverScene()
    {
        libere_mnt(&mnt);
        if (zones) {
            libereZones(zones);
            std::free(zones);
        }
        std::free(rover);
    }
    RoverScene(const RoverScene&) = delete;
    RoverScene& operator=(const RoverScene&) = delete;
};
