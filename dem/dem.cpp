// Raster elevation models into the terrain grid: opening and checking through
// GDAL, the window in pixels, block-averaged decimation, the warp of
// geographic rasters to a local transverse Mercator, and the filling of holes.
#include "dem/dem.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal_alg.h>
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <ogr_spatialref.h>

#include "terrain/mnt.h"

namespace {

// heights beyond this are no ground of any body: an undeclared fill value
// (-3.4e38, -32768 scaled...) that would flatten the view to a line
const double HauteurMax = 1.0e6;

// a pixel longer than this many times its width is no elevation model's
// (the widest seen are geographic tiles near the poles, a few to one)
const double PixelAllongementMax = 100.0;

// the largest block of the file read at once for band 1, bytes
const double BlocMax = 256.0e6;

// a window whose nodes hold less than this share of values is refused
const double PartValideMin = 0.5;

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* fmt, ...)
{
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

void initialise()
{
    static std::once_flag fait;
    std::call_once(fait, [] {
        // no ".aux.xml" left beside the user's data
        CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
        GDALAllRegister();
    });
}

// GDAL's complaints are collected for the message instead of going to the
// error stream, for as long as this object lives (per thread)
struct ErreursGdal {
    ErreursGdal()
    {
        CPLPushErrorHandler(CPLQuietErrorHandler);
        CPLErrorReset();
    }
    ~ErreursGdal() { CPLPopErrorHandler(); }
    // the last complaint, as " (text)", or nothing
    static std::string detail()
    {
        const char* t = CPLGetLastErrorMsg();
        if (!t || !*t) return std::string();
        std::string s(t);
        if (s.size() > 200) s = s.substr(0, 200) + "...";
        return " (" + s + ")";
    }
};

GDALDatasetUniquePtr ouvre(const char* chemin, std::string* message)
{
    GDALDatasetUniquePtr ds(GDALDataset::Open(chemin, GDAL_OF_RASTER | GDAL_OF_READONLY));
    if (!ds)
        *message = format("Fichier MNT illisible ou de format inconnu : %s", chemin)
                 + ErreursGdal::detail();
    return ds;
}

// what a raster must offer to be read: a band of heights (not the colours
// of an image), two pixels per axis, a geotransform without rotation
bool verifie(GDALDataset* ds, double gt[6], bool* sansGeo, std::string* message)
{
    const int n = ds->GetRasterCount();
    if (n < 1) {
        *message = "Le fichier ne contient aucune bande de hauteurs";
        return false;
    }
    GDALRasterBand* b = ds->GetRasterBand(1);
    const GDALColorInterp ci = b->GetColorInterpretation();
    const bool couleurs = ci == GCI_RedBand || ci == GCI_PaletteIndex || ci == GCI_HueBand
                       || ci == GCI_CyanBand || ci == GCI_YCbCr_YBand
                       || (n >= 3 && ds->GetRasterBand(2)->GetColorInterpretation() == GCI_GreenBand);
    if (couleurs) {
        *message = format("Image en couleurs (%d bande%s) : la bande 1 ne porte pas de hauteurs",
                          n, n > 1 ? "s" : "");
        return false;
    }
    if (GDALDataTypeIsComplex(b->GetRasterDataType())) {
        *message = "Valeurs complexes dans la bande 1 : pas de hauteurs";
        return false;
    }
    // reading band 1 loads whole blocks, of every band when they are
    // interleaved by pixel: a header may promise blocks of gigabytes
    int bx = 0, by = 0;
    b->GetBlockSize(&bx, &by);
    const char* entrelace = ds->GetMetadataItem("INTERLEAVE", "IMAGE_STRUCTURE");
    const int parBloc = entrelace && EQUAL(entrelace, "PIXEL") ? n : 1;
    const double octets = static_cast<double>(bx) * by * parBloc * GDALGetDataTypeSizeBytes(b->GetRasterDataType());
    if (!(octets <= BlocMax)) {
        *message = format("Blocs du MNT trop grands : %d x %d pixels de %d bande%s, %.0f Mo par bloc (au plus %.0f Mo)",
                          bx, by, parBloc, parBloc > 1 ? "s" : "", octets / 1e6, BlocMax / 1e6);
        return false;
    }
    if (ds->GetRasterXSize() < 2 || ds->GetRasterYSize() < 2) {
        *message = format("MNT trop petit (%d x %d pixels) : au moins 2 noeuds par axe",
                          ds->GetRasterXSize(), ds->GetRasterYSize());
        return false;
    }
    *sansGeo = ds->GetGeoTransform(gt) != CE_None;
    if (*sansGeo) {
        // an image without georeferencing: 1 m pixels, the first row north
        const double g[6] = {0.0, 1.0, 0.0, 0.0, 0.0, -1.0};
        std::copy(g, g + 6, gt);
    }
    for (int k = 0; k < 6; ++k)
        if (!std::isfinite(gt[k])) {
            *message = "Géoréférencement du MNT non fini";
            return false;
        }
    if (gt[2] != 0.0 || gt[4] != 0.0) {
        *message = "MNT tourné ou cisaillé (géoréférencement non orienté au nord) : non pris en charge";
        return false;
    }
    if (!(gt[1] > 0.0) || gt[5] == 0.0) {
        *message = "Pas de pixel du MNT nul ou orienté vers l'ouest : non pris en charge";
        return false;
    }
    return true;
}

// metres per unit of a CRS's coordinates (1 without CRS)
double metresParUnite(const OGRSpatialReference* srs)
{
    if (!srs || srs->IsGeographic()) return 1.0;
    const double u = srs->GetLinearUnits();
    return u > 0.0 && std::isfinite(u) ? u : 1.0;
}

// metres per degree of longitude and of latitude at latitude lat on the body
// of srs (a sphere of its semi-major axis: enough for sizes and steps)
void metresParDegre(const OGRSpatialReference* srs, double lat, double* mLon, double* mLat)
{
    OGRErr e = OGRERR_NONE;
    double a = srs->GetSemiMajor(&e);
    if (e != OGRERR_NONE || !(a > 0.0)) a = 6378137.0;
    *mLat = a * M_PI / 180.0;
    *mLon = *mLat * std::cos(lat * M_PI / 180.0);
}

// pixel sizes and coordinates of a ground someone drives on: each side of a
// pixel from a tenth of a millimetre to a hundred kilometres, a pixel at most
// PixelAllongementMax times longer than wide (the grid keeps the pixel's
// shape, and its slopes and normals lose every digit on a sliver), within a
// million kilometres of the origin, degrees within the sphere
bool verifieEchelle(const double gt[6], const OGRSpatialReference* srs, std::string* message)
{
    double rx, ry, lim;
    if (srs && srs->IsGeographic()) {
        double mLon, mLat;
        metresParDegre(srs, 0.0, &mLon, &mLat);
        rx = gt[1] * mLat;
        ry = std::fabs(gt[5]) * mLat;
        lim = 720.0;
    } else {
        const double u = metresParUnite(srs);
        rx = gt[1] * u;
        ry = std::fabs(gt[5]) * u;
        lim = 1.0e9 / u;
    }
    auto dansLimites = [](double r) { return r >= 1.0e-4 && r <= 1.0e5; };
    if (!dansLimites(rx) || !dansLimites(ry)) {
        *message = format("Résolution du MNT hors limites : pixel de %g x %g m (chaque côté de 0,0001 à 100 000 m"
                          " attendu)", rx, ry);
        return false;
    }
    const double rapport = std::max(rx, ry) / std::min(rx, ry);
    if (!(rapport <= PixelAllongementMax)) {
        *message = format("Pixels du MNT trop allongés : %g x %g m, un côté %.3g fois l'autre (au plus %g)", rx, ry,
                          rapport, PixelAllongementMax);
        return false;
    }
    if (!(std::fabs(gt[0]) <= lim && std::fabs(gt[3]) <= lim)) {
        *message = format("Géoréférencement du MNT hors limites : origine (%g, %g)", gt[0], gt[3]);
        return false;
    }
    return true;
}

// ---- reading a north-up window --------------------------------------------

struct Lecture {
    int c0, r0;        // first pixel column and row of the window
    int nx, ny;        // nodes along X (east) and Y (north)
    int d;             // pixels per node along each axis (block side)
    std::vector<double> h;  // node heights, X-major, south row first
    std::vector<unsigned char> valide;  // 1 where the node has a value
    long trous = 0;    // nodes without value
};

// reads nodes of d x d pixel blocks (their mean, holes left out) from band 1
// of ds; r0 is the top row of the window in the file's row order, and rows
// go south when gt[5] < 0. Returns an empty message when read
std::string litFenetre(GDALDataset* ds, Lecture* L, bool versLeSud, DemProgres progres, void* arg)
{
    GDALRasterBand* b = ds->GetRasterBand(1);
    int aNodata = 0;
    const double nodata = b->GetNoDataValue(&aNodata);
    const bool nodataNan = aNodata && std::isnan(nodata);
    const int d = L->d, nx = L->nx, ny = L->ny;
    const int largeur = nx * d;
    const size_t nn = static_cast<size_t>(nx) * ny;
    try {
        L->h.assign(nn, 0.0);
        L->valide.assign(nn, 0);
    } catch (const std::bad_alloc&) {
        return "Mémoire insuffisante pour la fenêtre du MNT";
    }
    std::vector<double> ligne, somme(nx), compte(nx);
    try {
        ligne.resize(static_cast<size_t>(largeur) * d);
    } catch (const std::bad_alloc&) {
        return "Mémoire insuffisante pour la fenêtre du MNT";
    }
    L->trous = 0;
    // a text grid finds a row by reading every row above it, and a row it
    // could not read is sought again from each row below, so that a file
    // cut short costs exponential time: the rows above the window are read
    // in order first, and the first one missing stops the read
    const char* pilote = ds->GetDriver() ? ds->GetDriver()->GetDescription() : "";
    if (EQUAL(pilote, "AAIGrid") || EQUAL(pilote, "GRASSASCIIGrid") || EQUAL(pilote, "ISG"))
        for (int r = 0; r < L->r0; ++r) {
            double v;
            if (b->RasterIO(GF_Read, 0, r, 1, 1, &v, 1, 1, GDT_Float64, 0, 0, nullptr) != CE_None)
                return "Lecture du MNT impossible : fichier tronqué ou corrompu" + ErreursGdal::detail();
        }
    for (int jb = 0; jb < ny; ++jb) {
        if (b->RasterIO(GF_Read, L->c0, L->r0 + jb * d, largeur, d, ligne.data(), largeur, d,
                        GDT_Float64, 0, 0, nullptr)
            != CE_None)
            return "Lecture du MNT impossible : fichier tronqué ou corrompu" + ErreursGdal::detail();
        std::fill(somme.begin(), somme.end(), 0.0);
        std::fill(compte.begin(), compte.end(), 0.0);
        for (int r = 0; r < d; ++r) {
            const double* p = ligne.data() + static_cast<size_t>(r) * largeur;
            for (int c = 0; c < largeur; ++c) {
                const double v = p[c];
                if (aNodata && (v == nodata || (nodataNan && std::isnan(v)))) continue;
                if (!std::isfinite(v))
                    return format("Valeur non finie dans le MNT (colonne %d, ligne %d)", L->c0 + c,
                                  L->r0 + jb * d + r);
                if (std::fabs(v) > HauteurMax)
                    return format("Hauteur hors limites dans le MNT : %g en (colonne %d, ligne %d) ;"
                                  " valeur d'absence non déclarée ?",
                                  v, L->c0 + c, L->r0 + jb * d + r);
                somme[c / d] += v;
                compte[c / d] += 1.0;
            }
        }
        // file row order to the grid's: south row first
        const int j = versLeSud ? ny - 1 - jb : jb;
        for (int i = 0; i < nx; ++i) {
            const size_t k = static_cast<size_t>(i) * ny + j;
            if (compte[i] > 0.0) {
                L->h[k] = somme[i] / compte[i];
                L->valide[k] = 1;
            } else {
                ++L->trous;
            }
        }
        if (progres && !progres(static_cast<double>(jb + 1) / ny, arg))
            return "Lecture du MNT interrompue";
    }
    return std::string();
}

// fills the holes of the nodes from their neighbours (GDAL's inverse-distance
// fill, searching as far as the whole grid)
std::string bouche(Lecture* L)
{
    const int nx = L->nx, ny = L->ny;
    GDALDriver* mem = GetGDALDriverManager()->GetDriverByName("MEM");
    if (!mem) return "Pilote mémoire de GDAL absent";
    GDALDatasetUniquePtr ds(mem->Create("", nx, ny, 2, GDT_Float64, nullptr));
    if (!ds) return "Mémoire insuffisante pour boucher les trous du MNT";
    // band 1 the heights, band 2 the mask (0 where a hole), both in image
    // order: row 0 is the grid's last (north) row
    std::vector<double> img(static_cast<size_t>(nx) * ny), masque(img.size());
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) {
            const size_t k = static_cast<size_t>(i) * ny + j;
            const size_t p = static_cast<size_t>(ny - 1 - j) * nx + i;
            // a hole the fill cannot reach stays NaN, and is seen after
            img[p] = L->valide[k] ? L->h[k] : std::nan("");
            masque[p] = L->valide[k] ? 1.0 : 0.0;
        }
    GDALRasterBand* bh = ds->GetRasterBand(1);
    GDALRasterBand* bm = ds->GetRasterBand(2);
    if (bh->RasterIO(GF_Write, 0, 0, nx, ny, img.data(), nx, ny, GDT_Float64, 0, 0, nullptr) != CE_None
        || bm->RasterIO(GF_Write, 0, 0, nx, ny, masque.data(), nx, ny, GDT_Float64, 0, 0, nullptr)
               != CE_None)
        return "Echec du bouchage des trous du MNT" + ErreursGdal::detail();
    const double distance = static_cast<double>(std::max(nx, ny));
    if (GDALFillNodata(bh, bm, distance, 0, 0, nullptr, nullptr, nullptr) != CE_None)
        return "Echec du bouchage des trous du MNT" + ErreursGdal::detail();
    if (bh->RasterIO(GF_Read, 0, 0, nx, ny, img.data(), nx, ny, GDT_Float64, 0, 0, nullptr) != CE_None)
        return "Echec du bouchage des trous du MNT" + ErreursGdal::detail();
    for (int i = 0; i < nx; ++i)
        for (int j = 0; j < ny; ++j) {
            const size_t k = static_cast<size_t>(i) * ny + j;
            const size_t p = static_cast<size_t>(ny - 1 - j) * nx + i;
            if (L->valide[k]) continue;
            if (!std::isfinite(img[p]))
                return "Trous du MNT impossibles à boucher";
            L->h[k] = img[p];
        }
    return std::string();
}

// extent of pixels whose centres lie within [a - t/2, a + t/2] along one
// axis, for pixel centres at o + (k + 0.5)*s, k in [0, n); false when fewer
// than one pixel
void plage(double a, double t, double o, double s, int n, int* k0, int* k1)
{
    double u0 = (a - 0.5 * t - o) / s - 0.5, u1 = (a + 0.5 * t - o) / s - 0.5;
    if (u0 > u1) std::swap(u0, u1);
    const double e = 1e-9;
    double f0 = std::ceil(u0 - e), f1 = std::floor(u1 + e);
    f0 = std::max(f0, 0.0);
    f1 = std::min(f1, static_cast<double>(n - 1));
    *k0 = static_cast<int>(f0);
    *k1 = static_cast<int>(std::max(f1, f0 - 1.0));
}

// the whole import once the dataset is metric and north-up: the window in
// pixels, the read, the holes, the grid. u metres per unit, (cx, cy) the
// window centre in the dataset's units, taille and pas in metres
int importeMetrique(GDALDataset* ds, const double gt[6], double u, double cx, double cy,
                    double taille, double pas, int noeudsMax, double coefH, Mnt* m,
                    std::string* message, std::string* notes, DemProgres progres, void* arg)
{
    const int W = ds->GetRasterXSize(), H = ds->GetRasterYSize();
    const double x0 = gt[0], x1 = gt[0] + W * gt[1];
    const double y0 = std::min(gt[3], gt[3] + H * gt[5]), y1 = std::max(gt[3], gt[3] + H * gt[5]);
    if (!(cx >= x0 && cx <= x1 && cy >= y0 && cy <= y1)) {
        *message = format("Centre de la fenêtre (%.10g, %.10g) hors du MNT [%.10g, %.10g] x [%.10g, %.10g]",
                          cx, cy, x0, x1, y0, y1);
        return 1;
    }
    const double T = taille > 0.0 ? taille / u : std::max(x1 - x0, y1 - y0) * 2.0;
    int c0, c1, r0, r1;
    plage(cx, T, gt[0], gt[1], W, &c0, &c1);
    plage(cy, T, gt[3], gt[5], H, &r0, &r1);
    const int nc = c1 - c0 + 1, nr = r1 - r0 + 1;
    if (nc < 2 || nr < 2) {
        *message = format("Fenêtre trop petite : %d x %d pixels, au moins 2 noeuds par axe", std::max(nc, 0),
                          std::max(nr, 0));
        return 1;
    }
    if (taille > 0.0) {
        // cut at the raster's edge: said, since the rover may reach it
        const double tx = nc * gt[1] * u, ty = nr * std::fabs(gt[5]) * u;
        if (tx < taille - 1.5 * gt[1] * u || ty < taille - 1.5 * std::fabs(gt[5]) * u)
            *notes += format("Fenêtre rognée au bord du MNT : %.1f x %.1f m\n", tx, ty);
    }

    // decimation: whole blocks of d x d pixels, d from the wanted step, then
    // grown until both axes hold at most noeudsMax nodes
    const double px = gt[1] * u, py = std::fabs(gt[5]) * u;
    int d = 1;
    if (pas > 0.0) d = std::max(1, static_cast<int>(std::lround(pas / std::min(px, py))));
    const int dMin = std::max((nc + noeudsMax - 1) / noeudsMax, (nr + noeudsMax - 1) / noeudsMax);
    d = std::max(d, std::max(dMin, 1));
    while (nc / d > noeudsMax || nr / d > noeudsMax) ++d;
    Lecture L;
    L.c0 = c0;
    L.r0 = r0;
    L.d = d;
    L.nx = nc / d;
    L.ny = nr / d;
    if (L.nx < 2 || L.ny < 2) {
        *message = format("Pas de %.3g m trop grand pour la fenêtre : moins de 2 noeuds par axe", d * std::min(px, py));
        return 1;
    }
    std::string e = litFenetre(ds, &L, gt[5] < 0.0, progres, arg);
    if (!e.empty()) {
        *message = e;
        return e.compare(0, 7, "Mémoire") == 0 ? -1 : 1;
    }
    const double nn = static_cast<double>(L.nx) * L.ny;
    if (L.trous > 0) {
        if (L.trous > (1.0 - PartValideMin) * nn) {
            *message = format("Fenêtre du MNT presque vide : %ld noeuds sur %.0f sans valeur", L.trous, nn);
            return 1;
        }
        e = bouche(&L);
        if (!e.empty()) {
            *message = e;
            return 1;
        }
        *notes += format("%ld noeud%s sans valeur bouché%s par %s voisins\n", L.trous, L.trous > 1 ? "s" : "",
                         L.trous > 1 ? "s" : "", L.trous > 1 ? "leurs" : "ses");
    }

    // the limit holds for the ground driven on, after the multiplier: a file
    // of sound heights times 1e8 is as far from any body's ground
    double hMax = 0.0;
    for (double v : L.h) hMax = std::max(hMax, std::fabs(v));
    if (!(hMax * std::fabs(coefH) <= HauteurMax)) {
        *message = format("Hauteur hors limites dans le MNT après le coefficient multiplicateur en Z (%g) :"
                          " %g m, au plus %g m attendu",
                          coefH, hMax * std::fabs(coefH), HauteurMax);
        return 1;
    }

    // node (i, j) at the centre of its block, relative to the window centre
    const double ex = gt[0] + (c0 + 0.5 * d) * gt[1];
    const double nFirst = gt[3] + (r0 + 0.5 * d) * gt[5];
    const double nLast = gt[3] + (r0 + (L.ny - 1) * d + 0.5 * d) * gt[5];
    m->Xmin = (ex - cx) * u;
    m->Xmax = m->Xmin + (L.nx - 1) * d * px;
    m->Ymin = (std::min(nFirst, nLast) - cy) * u;
    m->Ymax = m->Ymin + (L.ny - 1) * d * py;
    m->coefH = coefH;
    m->nx = m->ny = 0;
    m->h = nullptr;
    const int r = new_mnt_grille(m, L.h.data(), L.nx, L.ny);
    if (r != 0) {
        *message = r == -1 ? "Mémoire insuffisante pour la grille du MNT" : "Grille du MNT inutilisable";
        return r == -1 ? -1 : 1;
    }
    *notes = format("%d x %d noeuds au pas de %.4g x %.4g m sur [%.2f, %.2f] x [%.2f, %.2f] m%s\n", m->nx, m->ny,
                    m->dx, m->dy, m->Xmin, m->Xmax, m->Ymin, m->Ymax,
                    d > 1 ? format(" (1 noeud pour %d x %d pixels)", d, d).c_str() : "")
           + *notes;
    return 0;
}

// the geographic raster's window warped to a transverse Mercator centred on
// it, at the wanted step: a new metric dataset in memory
GDALDatasetUniquePtr warpe(GDALDataset* ds, const OGRSpatialReference* src, double lon, double lat,
                           double taille, double pas, int noeudsMax, std::string* message,
                           DemProgres progres, void* arg)
{
    OGRSpatialReference tm;
    tm.CopyGeogCSFrom(src);
    tm.SetTM(lat, lon, 1.0, 0.0, 0.0);
    tm.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    char* wkt = nullptr;
    if (tm.exportToWkt(&wkt) != OGRERR_NONE) {
        CPLFree(wkt);
        *message = "Projection locale du MNT impossible" + ErreursGdal::detail();
        return nullptr;
    }
    std::string tmWkt(wkt);
    CPLFree(wkt);

    // nodes at k*step, k in [-m, m]: the window centre is a node
    int m = static_cast<int>(std::floor(0.5 * taille / pas + 1e-9));
    if (2 * m + 1 > noeudsMax) {
        pas = taille / (noeudsMax - 1);
        m = (noeudsMax - 1) / 2;
    }
    if (m < 1) {
        *message = format("Fenêtre trop petite pour le pas de %.3g m : au moins 2 noeuds par axe", pas);
        return nullptr;
    }
    const double e = (m + 0.5) * pas;
    const std::string n = format("%d", 2 * m + 1), emin = format("%.17g", -e), emax = format("%.17g", e);
    // bilinear is exact on planes when the step does not shrink the raster;
    // -et 0: the exact transformer (the approximate one errs by centimetres).
    // Every core unless GDAL_NUM_THREADS says otherwise, as GDAL's own tools do
    const std::string threads = std::string("NUM_THREADS=") + CPLGetConfigOption("GDAL_NUM_THREADS", "ALL_CPUS");
    std::vector<std::string> args = {"-of", "MEM", "-t_srs", tmWkt, "-te", emin, emin, emax, emax,
                                     "-ts", n, n, "-r", "bilinear", "-dstnodata", "nan",
                                     "-ot", "Float64", "-wt", "Float64", "-et", "0",
                                     "-wo", threads};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    GDALWarpAppOptions* opts = GDALWarpAppOptionsNew(argv.data(), nullptr);
    if (!opts) {
        *message = "Options de reprojection refusées" + ErreursGdal::detail();
        return nullptr;
    }
    struct Relais {
        DemProgres f;
        void* arg;
    } relais{progres, arg};
    if (progres)
        GDALWarpAppOptionsSetProgress(
            opts,
            [](double f, const char*, void* a) -> int {
                Relais* r = static_cast<Relais*>(a);
                return r->f(0.9 * f, r->arg) ? TRUE : FALSE;
            },
            &relais);
    // the heights are band 1: the warp would carry every other band along,
    // and a header may declare tens of thousands of them
    GDALDatasetH source = GDALDataset::ToHandle(ds);
    GDALDatasetUniquePtr bande1;
    if (ds->GetRasterCount() > 1) {
        const char* a[] = {"-of", "VRT", "-b", "1", nullptr};
        GDALTranslateOptions* to = GDALTranslateOptionsNew(const_cast<char**>(a), nullptr);
        GDALDatasetH v = to ? GDALTranslate("", source, to, nullptr) : nullptr;
        GDALTranslateOptionsFree(to);
        if (!v) {
            GDALWarpAppOptionsFree(opts);
            *message = "Reprojection du MNT impossible" + ErreursGdal::detail();
            return nullptr;
        }
        bande1.reset(GDALDataset::FromHandle(v));
        source = v;
    }
    int usage = 0;
    GDALDatasetH h = GDALWarp("", nullptr, 1, &source, opts, &usage);
    GDALWarpAppOptionsFree(opts);
    if (!h) {
        *message = "Reprojection du MNT impossible" + ErreursGdal::detail();
        if (CPLGetLastErrorNo() == CPLE_UserInterrupt) *message = "Lecture du MNT interrompue";
        return nullptr;
    }
    GDALDatasetUniquePtr out(GDALDataset::FromHandle(h));
    // the warped band says nothing of its holes unless told
    out->GetRasterBand(1)->SetNoDataValue(std::nan(""));
    return out;
}

// the file opened and checked as every reading starts; null, with the
// message, when it cannot be read
GDALDatasetUniquePtr ouvreVerifie(const char* chemin, double gt[6], bool* sansGeo, std::string* message)
{
    GDALDatasetUniquePtr ds = ouvre(chemin, message);
    if (ds && !verifie(ds.get(), gt, sansGeo, message)) ds.reset();
    return ds;
}

}  // namespace

DemFenetre dem_fenetre_defaut()
{
    DemFenetre f;
    f.cx = std::nan("");
    f.cy = std::nan("");
    f.taille = 0.0;
    f.pas = 0.0;
    f.noeudsMax = 0;
    return f;
}

bool dem_est_raster(const char* chemin)
{
    FILE* f = std::fopen(chemin, "rb");
    if (!f) return false;
    unsigned char tete[4096];
    const size_t n = std::fread(tete, 1, sizeof tete, f);
    std::fclose(f);
    if (n == 0) return false;
    // the text matrix: numbers, their signs and exponents, blanks
    bool texte = true;
    for (size_t k = 0; k < n && texte; ++k)
        texte = std::strchr("0123456789+-.eE \t\r\n", tete[k]) && tete[k] != '\0';
    const size_t l = std::strlen(chemin);
    const bool xyz = l > 4 && (!strcasecmp(chemin + l - 4, ".xyz"));
    if (texte && !xyz) return false;
    initialise();
    ErreursGdal silence;
    if (GDALIdentifyDriverEx(chemin, GDAL_OF_RASTER, nullptr, nullptr) != nullptr) return true;
    // binary bytes no format claims: an unknown raster rather than a text
    bool binaire = false;
    for (size_t k = 0; k < n && !binaire; ++k)
        binaire = tete[k] < 0x20 && !std::strchr("\t\r\n\f\v", tete[k]);
    return binaire;
}

bool dem_info(const char* chemin, DemInfo* info, std::string* message)
{
    initialise();
    ErreursGdal silence;
    double gt[6];
    bool sansGeo = false;
    GDALDatasetUniquePtr ds = ouvreVerifie(chemin, gt, &sansGeo, message);
    if (!ds) return false;
    const OGRSpatialReference* srs = ds->GetSpatialRef();
    if (!verifieEchelle(gt, srs, message)) return false;
    info->largeur = ds->GetRasterXSize();
    info->hauteur = ds->GetRasterYSize();
    info->bandes = ds->GetRasterCount();
    info->pilote = ds->GetDriver() ? ds->GetDriver()->GetDescription() : "";
    info->scr = srs && srs->GetName() ? srs->GetName() : "";
    info->geographique = srs && srs->IsGeographic();
    info->resX = gt[1];
    info->resY = std::fabs(gt[5]);
    info->cx = gt[0] + 0.5 * info->largeur * gt[1];
    info->cy = gt[3] + 0.5 * info->hauteur * gt[5];
    if (info->geographique) {
        double mLon, mLat;
        metresParDegre(srs, info->cy, &mLon, &mLat);
        info->resMetres = std::min(gt[1] * mLon, std::fabs(gt[5]) * mLat);
        info->etendue = std::min(info->largeur * gt[1] * mLon, info->hauteur * std::fabs(gt[5]) * mLat);
        info->unite = "°";
    } else {
        const double u = metresParUnite(srs);
        info->resMetres = std::min(gt[1], std::fabs(gt[5])) * u;
        info->etendue = std::min(info->largeur * gt[1], info->hauteur * std::fabs(gt[5])) * u;
        const char* nom = nullptr;
        if (srs) srs->GetLinearUnits(&nom);
        info->unite = !srs || u == 1.0 ? "m" : (nom ? nom : "?");
    }
    return true;
}

int dem_charge(const char* chemin, const DemFenetre& fenetre, double coefH, Mnt* m, std::string* message,
               DemProgres progres, void* arg)
{
    initialise();
    ErreursGdal silence;
    message->clear();
    const double sauve[4] = {m->Xmin, m->Xmax, m->Ymin, m->Ymax};
    auto echec = [&](int r) {
        m->Xmin = sauve[0];
        m->Xmax = sauve[1];
        m->Ymin = sauve[2];
        m->Ymax = sauve[3];
        return r;
    };
    if (m->h) {
        *message = "Le MNT a déjà une grille";
        return 1;
    }
    if (!std::isfinite(coefH)) {
        *message = "Coefficient multiplicateur en Z non fini";
        return 1;
    }
    if (!(fenetre.taille >= 0.0) || !std::isfinite(fenetre.taille) || !(fenetre.pas >= 0.0)
        || !std::isfinite(fenetre.pas) || std::isinf(fenetre.cx) || std::isinf(fenetre.cy)
        || std::isnan(fenetre.cx) != std::isnan(fenetre.cy) || fenetre.noeudsMax < 0
        || fenetre.noeudsMax == 1) {
        *message = "Fenêtre du MNT invalide : centre fini, taille et pas positifs ou nuls attendus";
        return 1;
    }
    const int noeudsMax = fenetre.noeudsMax > 0 ? fenetre.noeudsMax : DemNoeudsMax;

    double gt[6];
    bool sansGeo = false;
    GDALDatasetUniquePtr ds = ouvreVerifie(chemin, gt, &sansGeo, message);
    if (!ds) return 1;
    const OGRSpatialReference* srs = ds->GetSpatialRef();
    if (!verifieEchelle(gt, srs, message)) return 1;
    std::string notes;
    if (sansGeo)
        notes += "MNT sans géoréférencement : pixels de 1 m, la première ligne au nord\n";
    else if (!srs)
        notes += "MNT sans système de coordonnées : coordonnées prises en mètres\n";

    double cx = std::isnan(fenetre.cx) ? gt[0] + 0.5 * ds->GetRasterXSize() * gt[1] : fenetre.cx;
    double cy = std::isnan(fenetre.cy) ? gt[3] + 0.5 * ds->GetRasterYSize() * gt[5] : fenetre.cy;
    int r;
    if (srs && srs->IsGeographic()) {
        const int W = ds->GetRasterXSize(), H = ds->GetRasterYSize();
        const double lon0 = gt[0], lon1 = gt[0] + W * gt[1];
        const double lat0 = std::min(gt[3], gt[3] + H * gt[5]), lat1 = std::max(gt[3], gt[3] + H * gt[5]);
        if (!(cx >= lon0 && cx <= lon1 && cy >= lat0 && cy <= lat1) || std::fabs(cy) >= 89.9) {
            *message = format("Centre de la fenêtre (%.10g°, %.10g°) hors du MNT [%.10g, %.10g] x [%.10g, %.10g]",
                              cx, cy, lon0, lon1, lat0, lat1);
            return echec(1);
        }
        double mLon, mLat;
        metresParDegre(srs, cy, &mLon, &mLat);
        const double natif = std::min(gt[1] * mLon, std::fabs(gt[5]) * mLat);
        const double pas = fenetre.pas > 0.0 ? fenetre.pas : natif;
        // the whole raster: the largest square around the centre inside it
        double taille = fenetre.taille;
        if (taille == 0.0)
            taille = 2.0 * std::min(std::min(cx - lon0, lon1 - cx) * mLon, std::min(cy - lat0, lat1 - cy) * mLat);
        GDALDatasetUniquePtr w = warpe(ds.get(), srs, cx, cy, taille, pas, noeudsMax, message, progres, arg);
        if (!w) return echec(1);
        double gw[6];
        w->GetGeoTransform(gw);
        struct Fin {
            DemProgres f;
            void* arg;
        } fin{progres, arg};
        DemProgres suite = nullptr;
        if (progres)
            suite = [](double f, void* a) -> bool {
                Fin* p = static_cast<Fin*>(a);
                return p->f(0.9 + 0.1 * f, p->arg);
            };
        // the warped grid is the window already: read it whole, node for pixel
        r = importeMetrique(w.get(), gw, 1.0, 0.0, 0.0, 0.0, 0.0, noeudsMax + 1, coefH, m, message, &notes,
                            suite, &fin);
        if (r == 0)
            notes = format("SCR géographique %s : reprojeté en Mercator transverse centré sur (%.8g°, %.8g°)\n",
                           srs->GetName() ? srs->GetName() : "?", cx, cy)
                  + notes;
    } else {
        r = importeMetrique(ds.get(), gt, metresParUnite(srs), cx, cy, fenetre.taille, fenetre.pas, noeudsMax,
                            coefH, m, message, &notes, progres, arg);
    }
    if (r != 0) return echec(r);
    if (!notes.empty() && notes.back() == '\n') notes.pop_back();
    *message = notes;
    return 0;
}

bool dem_repere(const char* chemin, const DemFenetre& fenetre, DemRepere* repere, std::string* message)
{
    initialise();
    ErreursGdal silence;
    double gt[6];
    bool sansGeo = false;
    GDALDatasetUniquePtr ds = ouvreVerifie(chemin, gt, &sansGeo, message);
    if (!ds) return false;
    const OGRSpatialReference* srs = ds->GetSpatialRef();
    const double cx = std::isnan(fenetre.cx) ? gt[0] + 0.5 * ds->GetRasterXSize() * gt[1] : fenetre.cx;
    const double cy = std::isnan(fenetre.cy) ? gt[3] + 0.5 * ds->GetRasterYSize() * gt[5] : fenetre.cy;
    repere->scr.clear();
    if (srs && srs->IsGeographic()) {
        // the same projection as warpe: the window centre is its origin
        OGRSpatialReference tm;
        tm.CopyGeogCSFrom(srs);
        tm.SetTM(cy, cx, 1.0, 0.0, 0.0);
        char* wkt = nullptr;
        if (tm.exportToWkt(&wkt) != OGRERR_NONE) {
            CPLFree(wkt);
            *message = "Projection locale du MNT impossible" + ErreursGdal::detail();
            return false;
        }
        repere->scr = wkt;
        CPLFree(wkt);
        repere->ox = repere->oy = 0.0;
        repere->u = 1.0;
        return true;
    }
    if (srs) {
        char* wkt = nullptr;
        if (srs->exportToWkt(&wkt) == OGRERR_NONE) repere->scr = wkt;
        CPLFree(wkt);
    }
    repere->ox = cx;
    repere->oy = cy;
    repere->u = metresParUnite(srs);
    return true;
}
