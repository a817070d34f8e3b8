#include "geotiff.h"

#include <cpl_conv.h>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogr_spatialref.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
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

namespace {

// names the bands of a source of the map's layers, sets their nodata and
// its georeferencing, the rows it holds when a tile
bool decrit(GDALDataset* ds, int ligne0, int lignes, const CarteGeo& geo)
{
    bool ok = true;
    double gt[6];
    std::memcpy(gt, geo.gt, sizeof gt);
    gt[3] += ligne0 * gt[5];
    ok = ok && ds->SetGeoTransform(gt) == CE_None;
    if (!geo.scr.empty()) {
        OGRSpatialReference s;
        ok = ok && s.importFromWkt(geo.scr.c_str()) == OGRERR_NONE && ds->SetSpatialRef(&s) == CE_None;
    }
    if (ligne0 != 0 || ds->GetRasterYSize() != lignes) {
        ds->SetMetadataItem("KADMER_LIGNE0", std::to_string(ligne0).c_str());
        ds->SetMetadataItem("KADMER_LIGNES", std::to_string(lignes).c_str());
    }
    for (int c = 0; c < NB_COUCHES && ok; ++c) {
        GDALRasterBand* b = ds->GetRasterBand(c + 1);
        b->SetDescription(nomCouche[c]);
        ok = b->SetNoDataValue(CarteNodata) == CE_None;
    }
    return ok;
}

// the GeoTIFF copy of source at chemin, under a temporary name then renamed:
// GDAL copies block after block in its own order, so that a map has the same
// bytes whatever its source (the whole map in memory, or its tiles); empty
// message, or why not (nothing left then)
std::string copie(GDALDataset* source, const std::string& chemin)
{
    const std::string temp = chemin + ".partiel";
    GDALDriver* pilote = GetGDALDriverManager()->GetDriverByName("GTiff");
    if (!pilote)
        return "Pilote GeoTIFF absent de GDAL";
    const char* options[] = {"COMPRESS=DEFLATE", "PREDICTOR=3", "TILED=YES", "BIGTIFF=IF_SAFER", nullptr};
    GDALDataset* ds = pilote->CreateCopy(temp.c_str(), source, FALSE, const_cast<char**>(options), nullptr, nullptr);
    bool ok = ds != nullptr;
    std::string pourquoi = ok ? std::string() : detail();
    if (ds)
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

} // namespace

std::string ecrit_carte(const std::string& chemin, const Carte& carte, const CarteGeo& geo)
{
    initialise();
    Silence silence;
    const int nx = carte.g.nx, ny = carte.ligne1 - carte.ligne0;
    // the layers in memory seen as a dataset, without a copy
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    GDALDatasetUniquePtr ds(mem ? mem->Create("", nx, ny, 0, GDT_Float32, nullptr) : nullptr);
    if (!ds)
        return "Carte impossible a ecrire : " + chemin + detail();
    for (int c = 0; c < NB_COUCHES; ++c) {
        char adresse[64];
        std::snprintf(adresse, sizeof adresse, "DATAPOINTER=%p", (void*)&carte.v[(size_t)c * nx * ny]);
        const char* options[] = {adresse, nullptr};
        if (ds->AddBand(GDT_Float32, const_cast<char**>(options)) != CE_None)
            return "Carte impossible a ecrire : " + chemin + detail();
    }
    if (!decrit(ds.get(), carte.ligne0, carte.g.ny, geo))
        return "Carte impossible a ecrire : " + chemin + detail();
    return copie(ds.get(), chemin);
}

std::string lit_apercu(const std::string& chemin, const CarteGrille& g, int maxCote, Carte* carte)
{
    initialise();
    Silence silence;
    GDALDatasetUniquePtr ds(GDALDataset::Open(chemin.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds || ds->GetRasterCount() != NB_COUCHES || ds->GetRasterXSize() != g.nx || ds->GetRasterYSize() != g.ny)
        return "Carte illisible : " + chemin + detail();
    const int f = std::max(1, (std::max(g.nx, g.ny) + maxCote - 1) / maxCote);
    carte->g.nx = g.nx / f;
    carte->g.ny = g.ny / f;
    carte->g.pas = f * g.pas;
    carte->g.x0 = g.x0 + 0.5 * (f - 1) * g.pas;
    carte->g.y0 = g.y0 - 0.5 * (f - 1) * g.pas;
    carte->ligne0 = 0;
    carte->ligne1 = carte->g.ny;
    const size_t n = (size_t)carte->g.nx * carte->g.ny;
    carte->v.assign(NB_COUCHES * n, CarteNodata);
    // nearest cell: a cell of the picture shows one cell of the map, as is
    if (ds->GetRasterBand(CoucheCapsSurs + 1)->RasterIO(GF_Read, 0, 0, carte->g.nx * f, carte->g.ny * f,
                                                        &carte->v[CoucheCapsSurs * n], carte->g.nx, carte->g.ny,
                                                        GDT_Float32, 0, 0, nullptr) != CE_None)
        return "Carte illisible : " + chemin + detail();
    return std::string();
}

std::string fusionne_tuiles(const std::vector<std::string>& tuiles, const std::string& chemin)
{
    initialise();
    Silence silence;
    // what each tile holds, from its header: rows of the same map covering it
    struct Tuile {
        std::string chemin;
        int ligne0, lignes;
    };
    std::vector<Tuile> liste;
    int nx = 0, total = 0;
    CarteGeo geo{};
    for (const std::string& t : tuiles) {
        GDALDatasetUniquePtr ds(GDALDataset::Open(t.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
        if (!ds || ds->GetRasterCount() != NB_COUCHES)
            return "Tuile illisible : " + t + detail();
        const char* l0 = ds->GetMetadataItem("KADMER_LIGNE0");
        const char* lt = ds->GetMetadataItem("KADMER_LIGNES");
        Tuile u{t, l0 ? std::atoi(l0) : 0, ds->GetRasterYSize()};
        double gt[6];
        ds->GetGeoTransform(gt);
        gt[3] -= u.ligne0 * gt[5];
        const int n = lt ? std::atoi(lt) : u.lignes;
        if (liste.empty()) {
            nx = ds->GetRasterXSize();
            total = n;
            std::memcpy(geo.gt, gt, sizeof gt);
            if (const OGRSpatialReference* s = ds->GetSpatialRef()) {
                char* wkt = nullptr;
                if (s->exportToWkt(&wkt) == OGRERR_NONE)
                    geo.scr = wkt;
                CPLFree(wkt);
            }
        } else if (ds->GetRasterXSize() != nx || n != total || std::memcmp(gt, geo.gt, sizeof gt) != 0) {
            return "Tuile " + t + " : d'une autre carte";
        }
        if (u.ligne0 < 0 || u.ligne0 + u.lignes > total)
            return "Tuile " + t + " : lignes hors de la carte";
        liste.push_back(u);
    }
    if (liste.empty())
        return "Aucune tuile a fusionner";
    std::sort(liste.begin(), liste.end(), [](const Tuile& a, const Tuile& b) { return a.ligne0 < b.ligne0; });
    int suivante = 0;
    for (const Tuile& u : liste) {
        if (u.ligne0 != suivante)
            return "Tuiles incompletes ou superposees : ligne " + std::to_string(suivante) + " de la carte";
        suivante = u.ligne0 + u.lignes;
    }
    if (suivante != total)
        return "Tuiles incompletes : ligne " + std::to_string(suivante) + " de la carte absente";

    // the tiles side by side in a virtual dataset, read a block at a time
    // while copied
    std::vector<const char*> noms;
    for (const Tuile& u : liste)
        noms.push_back(u.chemin.c_str());
    GDALBuildVRTOptions* o = GDALBuildVRTOptionsNew(nullptr, nullptr);
    int usage = 0;
    GDALDatasetH v = GDALBuildVRT("", (int)noms.size(), nullptr, noms.data(), o, &usage);
    GDALBuildVRTOptionsFree(o);
    if (!v)
        return "Tuiles impossibles a assembler" + detail();
    GDALDatasetUniquePtr vrt(GDALDataset::FromHandle(v));
    if (vrt->GetRasterXSize() != nx || vrt->GetRasterYSize() != total)
        return "Tuiles impossibles a assembler : carte de " + std::to_string(vrt->GetRasterXSize()) + " x " +
               std::to_string(vrt->GetRasterYSize()) + " pixels";
    if (!decrit(vrt.get(), 0, total, geo))
        return "Tuiles impossibles a assembler" + detail();
    return copie(vrt.get(), chemin);
}
