// Soil zones file reader: any bytes as a soil data file; the list always ends
// with a zone, a refused file leaves the one default zone, and the zones of a
// file that reads save and read back to the same values.
#include "terrain/zonesol.h"

#include <cfloat>
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

// a value filed with "%lf" reads back within half its last printed decimal,
// give or take the rounding of the double itself (and, for the angles, of
// their conversion to degrees and back)
bool relu(double avant, double apres)
{
    return std::fabs(apres - avant) <= 1e-6 + 8 * DBL_EPSILON * std::fabs(avant);
}

bool memeZone(const ZoneSol* a, const ZoneSol* b)
{
    return a->hzone == b->hzone && std::strcmp(a->nom, b->nom) == 0 && relu(a->X, b->X)
        && relu(a->Y, b->Y) && relu(a->R, b->R) && relu(a->c, b->c) && relu(a->phi, b->phi)
        && relu(a->Xc, b->Xc) && relu(a->kc, b->kc) && relu(a->kphi, b->kphi)
        && relu(a->n, b->n) && relu(a->rhod, b->rhod) && relu(a->lbda, b->lbda)
        && relu(a->K, b->K);
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

        // saved, the zones read back to their values
        Octets o(sauve(&zs));
        ZonesSol lues{};
        FUZZ_CHECK(litZones(&lues, o.ouvre()) == nullptr);
        FUZZ_CHECK(lues.nbZones == zs.nbZones);
        for (const ZoneSol *a = zs.premiere, *b = lues.premiere; a && b; a = a->suivante, b = b->suivante)
            FUZZ_CHECK(memeZone(a, b));
        libereZones(&lues);
    }
    FUZZ_CHECK(chercheZone(&zs, 0.0, 0.0) != nullptr);
    FUZZ_CHECK(chercheZone(&zs, NAN, 1e308) != nullptr);

    libereZones(&zs);
    libereZones(nouvelles);
    free(nouvelles);
    return 0;
}
