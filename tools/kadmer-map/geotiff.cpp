#include "geotiff.h"

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

void initialise()
{
    // no ".aux.xml" beside the map: the GeoTIFF holds everything
    CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
    GDALAllRegister();
}

// GDAL's last complaint, as " (text)", or nothing
std::string detail()
{
    const char* t = CPLGetLastErrorMsg();
    return t && *t ? std::string(" (") + t + ")" : std::string();
}

// GDAL's complaints kept for the messages while this object lives
struct Silence {
    Silence()
    {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~Silence() { CPLPopErrorHandler(); }
};

std::string dossier_de(const std::string& chemin)
{
    const std::filesystem::path p(chemin);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

} // namespace

CarteGeo carte_geo(const CarteGrille& g, const DemRepere* repere)
{
    CarteGeo geo;
    // the corner of the north-west cell, half a cell from its centre
    const double ox = repere ? repere->ox : 0.0, oy = repere ? repere->oy : 0.0;
    const double u = repere ? repere->u : 1.0;
    geo.gt[0] = ox + (g.x0 - 0.5 * g.pas) / u;
    geo.gt[1] = g.pas / u;
    geo.gt[2] = 0.0;
    geo.gt[3] = oy + (g.y0 + 0.5 * g.pas) / u;
    geo.gt[4] = 0.0;
    geo.gt[5] = -g.pas / u;
    if (repere)
        geo.scr = repere->scr;
    return geo;
}

std::string verifie_sortie(const std::string& chemin)
{
    if (chemin.empty() || chemin.back() == '/')
        return "fichier de sortie attendu, pas \"" + chemin + "\"";
    const std::string d = dossier_de(chemin);
    std::error_code e;
    if (!std::filesystem::is_directory(d, e))
        return "dossier de sortie inexistant : " + d;
    if (::access(d.c_str(), W_OK | X_OK) != 0)
        return "dossier de sortie impossible a ecrire : " + d + " (" + std::strerror(errno) + ")";
    if (std::filesystem::is_directory(chemin, e))
        return "la sortie " + chemin + " est un dossier";
    return std::string();
}

std::string ecrit_carte(const std::string& chemin, const Carte& carte, const CarteGeo& geo)
{
    initialise();
    Silence silence;
    const int nx = carte.g.nx, ny = carte.ligne1 - carte.ligne0;
    const std::string temp = chemin + ".partiel";
    GDALDriver* pilote = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (!pilote)
        return "Pilote GeoTIFF absent de GDAL";
    const char* options[] = {"COMPRESS=DEFLATE", "PREDICTOR=3", "TILED=YES", "BIGTIFF=IF_SAFER", nullptr};
    GDALDataset* ds = pilote->Create(temp.c_str(), nx, ny, NB_COUCHES, GDT_Float32, const_cast<char**>(options));
    if (!ds)
        return "Carte impossible a ecrire : " + chemin + detail();
    bool ok = true;
    // a tile: the rows it holds, shifted down from the whole map's corner
    double gt[6];
    std::memcpy(gt, geo.gt, sizeof gt);
    gt[3] += carte.ligne0 * gt[5];
    ok = ok && ds->SetGeoTransform(gt) == CE_None;
    if (!geo.scr.empty()) {
        OGRSpatialReference s;
        ok = ok && s.importFromWkt(geo.scr.c_str()) == OGRERR_NONE && ds->SetSpatialRef(&s) == CE_None;
    }
    if (carte.ligne0 != 0 || carte.ligne1 != carte.g.ny) {
        ds->SetMetadataItem("KADMER_LIGNE0", std::to_string(carte.ligne0).c_str());
        ds->SetMetadataItem("KADMER_LIGNES", std::to_string(carte.g.ny).c_str());
    }
    for (int c = 0; c < NB_COUCHES && ok; ++c) {
        GDALRasterBand* b = ds->GetRasterBand(c + 1);
        b->SetDescription(nomCouche[c]);
        ok = b->SetNoDataValue(CarteNodata) == CE_None &&
             b->RasterIO(GF_Write, 0, 0, nx, ny, const_cast<float*>(&carte.v[(size_t)c * nx * ny]), nx, ny,
                         GDT_Float32, 0, 0, nullptr) == CE_None;
    }
    std::string pourquoi = ok ? std::string() : detail();
    GDALClose(ds);
    if (ok && CPLGetLastErrorType() >= CE_Failure) {
        ok = false;
        pourquoi = detail();
    }
    if (ok && std::rename(temp.c_str(), chemin.c_str()) != 0) {
        ok = false;
        pourquoi = std::string(" (") + std::strerror(errno) + ")";
    }
    if (!ok) {
        std::remove(temp.c_str());
        return "Carte impossible a ecrire : " + chemin + pourquoi;
    }
    return std::string();
}

std::string lit_carte(const std::string& chemin, Carte* carte, CarteGeo* geo)
{
    initialise();
    Silence silence;
    GDALDatasetUniquePtr ds(GDALDataset::Open(chemin.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds)
        return "Carte illisible : " + chemin + detail();
    if (ds->GetRasterCount() != NB_COUCHES)
        return "Carte " + chemin + " : " + std::to_string(NB_COUCHES) + " bandes attendues";
    const int nx = ds->GetRasterXSize(), ny = ds->GetRasterYSize();
    const char* l0 = ds->GetMetadataItem("KADMER_LIGNE0");
    const char* lt = ds->GetMetadataItem("KADMER_LIGNES");
    carte->ligne0 = l0 ? std::atoi(l0) : 0;
    carte->ligne1 = carte->ligne0 + ny;
    carte->g.nx = nx;
    carte->g.ny = lt ? std::atoi(lt) : ny;
    if (carte->ligne0 < 0 || carte->ligne1 > carte->g.ny)
        return "Carte " + chemin + " : lignes hors de la carte";
    ds->GetGeoTransform(geo->gt);
    geo->gt[3] -= carte->ligne0 * geo->gt[5];
    carte->g.pas = geo->gt[1];
    carte->g.x0 = geo->gt[0] + 0.5 * geo->gt[1];
    carte->g.y0 = geo->gt[3] + 0.5 * geo->gt[5];
    geo->scr.clear();
    if (const OGRSpatialReference* s = ds->GetSpatialRef()) {
        char* wkt = nullptr;
        if (s->exportToWkt(&wkt) == OGRERR_NONE)
            geo->scr = wkt;
        CPLFree(wkt);
    }
    carte->v.assign((size_t)NB_COUCHES * nx * ny, CarteNodata);
    for (int c = 0; c < NB_COUCHES; ++c)
        if (ds->GetRasterBand(c + 1)->RasterIO(GF_Read, 0, 0, nx, ny, &carte->v[(size_t)c * nx * ny], nx, ny,
                                               GDT_Float32, 0, 0, nullptr) != CE_None)
            return "Carte illisible : " + chemin + detail();
    return std::string();
}

std::string fusionne_tuiles(const std::vector<std::string>& tuiles, const std::string& chemin)
{
    Carte entiere;
    CarteGeo geo{};
    std::vector<char> faite;
    for (const std::string& t : tuiles) {
        Carte c;
        CarteGeo g;
        std::string m = lit_carte(t, &c, &g);
        if (!m.empty())
            return m;
        if (faite.empty()) {
            entiere.g = c.g;
            entiere.ligne0 = 0;
            entiere.ligne1 = c.g.ny;
            entiere.v.assign((size_t)NB_COUCHES * c.g.nx * c.g.ny, CarteNodata);
            faite.assign(c.g.ny, 0);
            geo = g;
        } else if (c.g.nx != entiere.g.nx || c.g.ny != entiere.g.ny || std::memcmp(g.gt, geo.gt, sizeof g.gt) != 0) {
            return "Tuile " + t + " : d'une autre carte";
        }
        for (int k = 0; k < NB_COUCHES; ++k)
            for (int j = c.ligne0; j < c.ligne1; ++j) {
                std::memcpy(&entiere.at(k, 0, j), &c.at(k, 0, j), sizeof(float) * c.g.nx);
                faite[j] = 1;
            }
    }
    for (size_t j = 0; j < faite.size(); ++j)
        if (!faite[j])
            return "Tuiles incompletes : ligne " + std::to_string(j) + " de la carte absente";
    if (faite.empty())
        return "Aucune tuile a fusionner";
    return ecrit_carte(chemin, entiere, geo);
}
