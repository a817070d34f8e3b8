// Dynamic data file reader: any bytes as a 50-line dynamic data file, read
// over the internal defaults; a file that reads must save and read back to
// the same text, and build a rover with its constants.
#include "rover/dynrover.h"

#include <cmath>

#include "fuzz/fuzz_support.h"

namespace {

std::string sauve(const DataDynRov& d)
{
    Ecrit e;
    saveDatadynrov(&d, e.f);  // closes the stream
    return e.texte();
}

const char* lit(DataDynRov* d, const std::string& texte)
{
    Octets o(texte);
    return loadDatadynrov(d, o.ouvre());  // closes the stream
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DataDynRov defauts = [] {
        DynRover r{};
        r.voie = 1.0;
        dyn_defaults(&r);
        return r.data;
    }();

    Octets octets(data, size);
    DataDynRov d = defauts;
    const char* msg = loadDatadynrov(&d, octets.ouvre());
    if (msg) {
        // a refused file changes nothing and names its line
        FUZZ_CHECK(std::memcmp(&d, &defauts, sizeof d) == 0);
        int ligne = 0;
        FUZZ_CHECK(std::sscanf(msg, "Erreur lecture donnees dynamiques ligne %d", &ligne) == 1);
        FUZZ_CHECK(ligne >= 1 && ligne <= NB_LIGNES_DATADYN);
        return 0;
    }

    const double* v = reinterpret_cast<const double*>(&d);
    for (int k = 0; k < NB_DATADYN; k++) FUZZ_CHECK(std::isfinite(v[k]));

    // saved, the values read back; saved again, they give the same text
    // (the first save already rounded them to what the file keeps)
    const std::string texte = sauve(d);
    DataDynRov relu = defauts;
    FUZZ_CHECK(lit(&relu, texte) == nullptr);
    FUZZ_CHECK(sauve(relu) == texte);

    // the rover the rover dialog would build from this file
    static FILE* resultats = std::fopen("/dev/null", "w");
    Octets o(texte);
    DynRover* rover = new_dynRover(1.0, 0.2, 1, o.ouvre(), 0, 40, resultats);
    FUZZ_CHECK(rover != nullptr);
    FUZZ_CHECK(std::memcmp(&rover->data, &relu, sizeof relu) == 0);
    free(rover);
    return 0;
}
