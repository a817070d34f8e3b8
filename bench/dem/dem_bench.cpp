// Read times of windows of a large elevation model: a 10 000 x 10 000 pixel
// GeoTIFF at 1 m (Float32, 256-pixel tiles, deflate), written once into
// KADMER_DEM_BENCH_DIR (default /tmp) and kept for later runs, and the same
// area in geographic degrees for the warped read.
//
//   build/bench/dem/dem_bench [--benchmark_filter=...]
#include "dem/dem.h"
#include "terrain/mnt.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "dem/rasters.h"

namespace {

const int Cote = 10000;

std::string dossier()
{
    const char* d = std::getenv("KADMER_DEM_BENCH_DIR");
    return d ? d : "/tmp";
}

// rolling hills: a few sines, so that the deflate has work like on real data
double colline(double e, double n)
{
    return 500.0 + 40.0 * std::sin(e / 700.0) * std::cos(n / 900.0) + 3.0 * std::sin((e + 2 * n) / 37.0);
}

// the file, written on first use (about a minute, 200 MB)
std::string grand(bool geographique)
{
    const std::string p = dossier() + (geographique ? "/kadmer-dem-bench-geo.tif" : "/kadmer-dem-bench-utm.tif");
    if (std::filesystem::exists(p)) return p;
    Raster r;
    r.W = r.H = Cote;
    r.type = GDT_Float32;
    r.options = {"TILED=YES", "COMPRESS=DEFLATE", "BIGTIFF=IF_SAFER"};
    if (geographique) {
        const double pix = 1.0 / 111320.0;  // about 1 m of latitude
        const double g[6] = {2.0, pix, 0.0, 45.0 + Cote * pix, 0.0, -pix};
        std::copy(g, g + 6, r.gt);
        r.scr = "EPSG:4326";
    } else {
        const double g[6] = {500000.0, 1.0, 0.0, 4650000.0 + Cote, 0.0, -1.0};
        std::copy(g, g + 6, r.gt);
        r.scr = "EPSG:32631";
    }
    r.hauteur = [](int c, int l, double, double) { return colline(c, l); };
    const std::string tmp = p + ".tmp.tif";
    if (!r.ecrit(tmp)) return std::string();
    std::filesystem::rename(tmp, p);
    return p;
}

// one import of a square window of side `taille` m (0: the whole raster) at
// the centre of the raster, at its resolution within the node limit
void fenetre(benchmark::State& state, bool geographique, double taille, double pas)
{
    const std::string p = grand(geographique);
    if (p.empty()) {
        state.SkipWithError("raster not written");
        return;
    }
    long noeuds = 0;
    for (auto _ : state) {
        Mnt m;
        defauts_mnt(&m);
        m.hBosses = 0.0;
        DemFenetre f = dem_fenetre_defaut();
        f.taille = taille;
        f.pas = pas;
        std::string message;
        if (dem_charge(p.c_str(), f, 1.0, &m, &message) != 0) {
            state.SkipWithError(message.c_str());
            return;
        }
        noeuds = static_cast<long>(m.nx) * m.ny;
        libere_mnt(&m);
    }
    state.counters["noeuds"] = static_cast<double>(noeuds);
}

void BM_Utm200m(benchmark::State& s) { fenetre(s, false, 200.0, 0.0); }
void BM_Utm1km(benchmark::State& s) { fenetre(s, false, 1000.0, 0.0); }
void BM_Utm5kmStep5m(benchmark::State& s) { fenetre(s, false, 5000.0, 5.0); }
void BM_UtmWhole10km(benchmark::State& s) { fenetre(s, false, 0.0, 0.0); }
void BM_Geo200m(benchmark::State& s) { fenetre(s, true, 200.0, 0.0); }
void BM_Geo1km(benchmark::State& s) { fenetre(s, true, 1000.0, 0.0); }

}  // namespace

BENCHMARK(BM_Utm200m)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Utm1km)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Utm5kmStep5m)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_UtmWhole10km)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_Geo200m)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Geo1km)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
