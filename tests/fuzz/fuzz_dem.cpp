// Raster elevation-model import: any bytes as a raster file (held in GDAL's
// memory file system), through the import entry with a whole-raster window
// and a small one, and height queries on the grid it gives.
#include "dem/dem.h"
#include "terrain/mnt.h"

#include <cpl_vsi.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {

// an import either builds a usable grid or leaves none, and says why
void importe(const char* chemin, const DemFenetre& f)
{
    Mnt m;
    defauts_mnt(&m);
    m.hBosses = 0.0;
    std::string message;
    const int r = dem_charge(chemin, f, 1.0, &m, &message);
    FUZZ_CHECK(r == 0 || r == 1 || r == -1);
    if (r != 0) {
        FUZZ_CHECK(!m.h && m.nx == 0 && !message.empty());
        FUZZ_CHECK(m.Xmin == -10.0 && m.Ymax == 10.0);
        return;
    }
    FUZZ_CHECK(m.h && m.nx >= 2 && m.ny >= 2);
    FUZZ_CHECK(m.nx <= (f.noeudsMax ? f.noeudsMax : DemNoeudsMax) + 1);
    FUZZ_CHECK(std::isfinite(m.dx) && m.dx > 0.0 && std::isfinite(m.dy) && m.dy > 0.0);
    FUZZ_CHECK(m.zmin <= m.zmax && std::fabs(m.zmin) <= 1e6 && std::fabs(m.zmax) <= 1e6);
    const size_t nn = static_cast<size_t>(m.nx) * m.ny;
    for (size_t k = 0; k < nn; ++k) FUZZ_CHECK(std::isfinite(m.h[k]));
    for (double x : {m.Xmin - 1.0, 0.5 * (m.Xmin + m.Xmax), m.Xmax})
        for (double y : {m.Ymin, 0.3 * m.Ymin + 0.7 * m.Ymax, m.Ymax + 2.0}) {
            double n[3];
            const double z = hauteur_mnt(&m, x, y, n);
            FUZZ_CHECK(std::isfinite(z) && std::isfinite(n[0]) && std::isfinite(n[1]) && n[2] > 0.0);
        }
    libere_mnt(&m);
}

}  // namespace

// GDAL's drivers and the CRS database load once, before the first input, so
// that no input is charged with their start-up. One thread and a fixed block
// cache: the paths run, so the inputs kept, then depend on the inputs alone,
// not on the scheduler or the machine's memory
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    CPLSetConfigOption("GDAL_NUM_THREADS", "1");
    CPLSetConfigOption("GDAL_CACHEMAX", "64");
    DemInfo info;
    std::string message;
    dem_info("/vsimem/absent.tif", &info, &message);
    OGRSpatialReference s;
    s.importFromEPSG(32631);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static int numero = 0;
    const std::string chemin = "/vsimem/fuzz_dem_" + std::to_string(numero++) + ".bin";
    VSILFILE* f = VSIFileFromMemBuffer(chemin.c_str(), const_cast<GByte*>(data), size, FALSE);
    if (!f) return 0;
    VSIFCloseL(f);

    DemInfo info;
    std::string message;
    const bool lisible = dem_info(chemin.c_str(), &info, &message);
    FUZZ_CHECK(lisible || !message.empty());
    // a header may promise any size: the reads stay within a few million
    // pixels, so that one input is one quick run
    if (lisible && static_cast<double>(info.largeur) * info.hauteur <= 4.0e6) {
        DemFenetre tout = dem_fenetre_defaut();
        tout.noeudsMax = 64;
        importe(chemin.c_str(), tout);
        DemFenetre petite = dem_fenetre_defaut();
        petite.taille = 4.0 * info.resMetres;
        importe(chemin.c_str(), petite);
    } else if (!lisible) {
        importe(chemin.c_str(), dem_fenetre_defaut());
    }
    VSIUnlink(chemin.c_str());
    return 0;
}
