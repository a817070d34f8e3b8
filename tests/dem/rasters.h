// Real raster files for the tests of the elevation-model import, written
// through GDAL itself into a temporary folder: a plane or any height
// function over a grid of pixels, in a CRS given as EPSG code or WKT.
#ifndef KADMER_TESTS_DEM_RASTERS_H
#define KADMER_TESTS_DEM_RASTERS_H

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// a fresh folder removed with its files at the end of the test
struct Dossier {
    std::filesystem::path p;
    Dossier()
    {
        char gabarit[] = "/tmp/kadmer-dem-XXXXXX";
        p = mkdtemp(gabarit);
    }
    ~Dossier() { std::filesystem::remove_all(p); }
    std::string operator/(const std::string& nom) const { return (p / nom).string(); }
};

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

#endif
