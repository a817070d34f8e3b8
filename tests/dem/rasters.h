// Real raster files for the tests of the elevation-model import, written
// through GDAL itself into a temporary folder (support/files.h): a plane or
// any height function over a grid of pixels, in a CRS given as EPSG code or WKT.
#ifndef KADMER_TESTS_DEM_RASTERS_H
#define KADMER_TESTS_DEM_RASTERS_H

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "support/files.h"

struct Raster {
    int W = 10, H = 10;
    double gt[6] = {0, 1, 0, 0, 0, -1};
    std::string scr;      // "EPSG:32631", a WKT, or empty for none
    int bandes = 1;
    GDALDataType type = GDT_Float64;
    bool nodata = false;
    double valeurNodata = -9999.0;
    const char* pilote = "GTiff";
    std::vector<const char*> options;  // creation options, null-ended on use
    // height of pixel (col, row), given its centre in the raster's coordinates
    std::function<double(int c, int r, double e, double n)> hauteur = [](int, int, double, double) {
        return 0.0;
    };

    // writes the raster; false when GDAL refused
    bool ecrit(const std::string& chemin) const
    {
        GDALAllRegister();
        CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
        GDALDriver* d = GetGDALDriverManager()->GetDriverByName(pilote);
        if (!d) return false;
        std::vector<const char*> o = options;
        o.push_back(nullptr);
        GDALDataset* ds = d->Create(chemin.c_str(), W, H, bandes, type, const_cast<char**>(o.data()));
        if (!ds) return false;
        ds->SetGeoTransform(const_cast<double*>(gt));
        if (!scr.empty()) {
            OGRSpatialReference s;
            s.SetFromUserInput(scr.c_str());
            ds->SetSpatialRef(&s);
        }
        std::vector<double> v(static_cast<size_t>(W) * H);
        for (int r = 0; r < H; ++r)
            for (int c = 0; c < W; ++c)
                v[static_cast<size_t>(r) * W + c] = hauteur(c, r, gt[0] + (c + 0.5) * gt[1] + (r + 0.5) * gt[2],
                                                          gt[3] + (c + 0.5) * gt[4] + (r + 0.5) * gt[5]);
        bool ok = true;
        for (int b = 1; b <= bandes; ++b) {
            GDALRasterBand* band = ds->GetRasterBand(b);
            if (nodata) band->SetNoDataValue(valeurNodata);
            ok = ok && band->RasterIO(GF_Write, 0, 0, W, H, v.data(), W, H, GDT_Float64, 0, 0, nullptr) == CE_None;
        }
        GDALClose(ds);
        return ok;
    }
};

// W x H level pixels of `pixel` metres in UTM 31N, north up, the top-left
// corner at (500000, 4649000)
inline Raster rasterUtm(int W, int H, double pixel)
{
    Raster r;
    r.W = W;
    r.H = H;
    const double g[6] = {500000.0, pixel, 0.0, 4649000.0, 0.0, -pixel};
    std::copy(g, g + 6, r.gt);
    r.scr = "EPSG:32631";
    return r;
}

// a tilted plane over 200 x 150 pixels of 2 m in UTM 31N, z0 high at the
// raster's corner (500000, 4649000)
inline Raster planUtm(double z0 = 120.0)
{
    Raster r = rasterUtm(200, 150, 2.0);
    r.hauteur = [z0](int, int, double e, double n) { return z0 + 0.05 * (e - 500000.0) - 0.03 * (n - 4649000.0); };
    return r;
}

// a real-looking ground of W x H pixels of `pixel` metres: rolling
// fractal relief a few metres high and fresh craters of 6 to 30 m across,
// the same for the same seed
inline std::vector<double> reliefCratere(int W, int H, double pixel, unsigned graine = 7)
{
    std::mt19937 tirage(graine);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    // value noise on lattices of halving wavelength, cubic-smoothed
    std::vector<double> h(static_cast<size_t>(W) * H, 0.0);
    double amplitude = 5.0, longueur = 60.0 / pixel;
    for (int octave = 0; octave < 6; ++octave, amplitude *= 0.45, longueur *= 0.5) {
        const int nx = static_cast<int>(W / longueur) + 2, ny = static_cast<int>(H / longueur) + 2;
        std::vector<double> g(static_cast<size_t>(nx) * ny);
        for (double& v : g) v = 2.0 * u(tirage) - 1.0;
        for (int r = 0; r < H; ++r)
            for (int c = 0; c < W; ++c) {
                const double x = c / longueur, y = r / longueur;
                const int i = static_cast<int>(x), j = static_cast<int>(y);
                double tx = x - i, ty = y - j;
                tx = tx * tx * (3 - 2 * tx);
                ty = ty * ty * (3 - 2 * ty);
                const double a = g[j * nx + i], b = g[j * nx + i + 1], cc = g[(j + 1) * nx + i],
                             d = g[(j + 1) * nx + i + 1];
                h[static_cast<size_t>(r) * W + c] +=
                    amplitude * ((1 - ty) * ((1 - tx) * a + tx * b) + ty * ((1 - tx) * cc + tx * d));
            }
    }
    // craters: a bowl a fifth of the radius deep inside a raised rim
    for (int k = 0; k < 14; ++k) {
        const double cx = u(tirage) * W * pixel, cy = u(tirage) * H * pixel;
        const double R = 3.0 + 12.0 * std::pow(u(tirage), 2.0);
        for (int r = 0; r < H; ++r)
            for (int c = 0; c < W; ++c) {
                const double dx = (c + 0.5) * pixel - cx, dy = (r + 0.5) * pixel - cy;
                const double q = std::sqrt(dx * dx + dy * dy) / R;
                if (q > 2.5) continue;
                double z = 0.12 * R * std::exp(-(q - 1.0) * (q - 1.0) / 0.08);
                if (q < 1.0) z -= 0.3 * R * (1.0 - q * q);
                h[static_cast<size_t>(r) * W + c] += z;
            }
    }
    return h;
}

#endif
