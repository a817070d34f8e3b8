// Soil zones file reader: any bytes as a soil data file; the list always ends
// with a zone, a refused file leaves the one default zone, and a file that
// reads saves and reads back to the same text.
#include "terrain/zonesol.h"

#include <cmath>

#include "fuzz/fuzz_support.h"

namespace {

std::string sauve(const ZonesSol* zs)
{
    Ecrit e;
    ecritZones(zs, e.f);  // closes the stream
    return e.texte();
}

int compte(const ZonesSol* zs)
{
    int n = 0;
    for (const ZoneSol* z = zs->premiere; z; z = z->suivante) n++;
    return n;
}

bool zoneParDefaut(const ZoneSol* z)
{
    return z->hzone == 0 && z->X == 0.0 && z->Y == 0.0 && z->R == 9999.0 && !z->suivante
        && std::strcmp(z->nom, "Zone 0") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Octets octets(data, size);

    // the scenario's way: a new list, the message dropped
    ZonesSol* nouvelles = nouvellesZones(octets.ouvre());
    FUZZ_CHECK(nouvelles && nouvelles->nbZones >= 1);
    FUZZ_CHECK(compte(nouvelles) == nouvelles->nbZones);

    // the dialog's way: the message kept
    ZonesSol zs{};
    const char* msg = litZones(&zs, octets.ouvre());
    FUZZ_CHECK(zs.nbZones == nouvelles->nbZones);
    FUZZ_CHECK(compte(&zs) == zs.nbZones);
    if (msg) {
        int ligne = 0;
        FUZZ_CHECK(std::sscanf(msg, "Erreur lecture donnees sols ligne %d", &ligne) == 1);
        FUZZ_CHECK(ligne >= 1);
        FUZZ_CHECK(zs.nbZones == 1 && zoneParDefaut(zs.premiere));
    } else {
        for (const ZoneSol* z = zs.premiere; z; z = z->suivante) {
            FUZZ_CHECK(std::isfinite(z->X) && std::isfinite(z->Y) && std::isfinite(z->R));
            FUZZ_CHECK(std::strlen(z->nom) < NomZoneMax);
            // the lookup at a zone's centre finds a zone
            FUZZ_CHECK(chercheZone(&zs, z->X, z->Y) != nullptr);
        }

        // saved, the zones read back; saved again, they give the same text
        const std::string texte = sauve(&zs);
        Octets o(texte);
        ZonesSol relu{};
        FUZZ_CHECK(litZones(&relu, o.ouvre()) == nullptr);
        FUZZ_CHECK(relu.nbZones == zs.nbZones);
        FUZZ_CHECK(sauve(&relu) == texte);
        libereZones(&relu);
    }
    FUZZ_CHECK(chercheZone(&zs, 0.0, 0.0) != nullptr);
    FUZZ_CHECK(chercheZone(&zs, NAN, 1e308) != nullptr);

    libereZones(&zs);
    libereZones(nouvelles);
    free(nouvelles);
    return 0;
}
