// Elevation models in raster formats (GeoTIFF and every raster the GDAL
// library opens) turned into the terrain grid of the model: band 1 as heights,
// a square window of the raster around a chosen centre, read at the raster's
// own resolution or decimated, in a local metric frame.
//
// Local frame: origin at the centre of the window, X east, Y north, metres;
// heights as stored in the raster, times coefH. A projected CRS is used as it
// is (its linear unit converted to metres); a geographic one (degrees, of the
// Earth or of any other body) is first warped to a transverse Mercator
// projection centred on the window; a raster without CRS is taken in metres,
// and one without geotransform as 1 m pixels, the first row to the north.
//
// Every failure leaves the terrain record without a grid and gives one French
// message; warnings (no CRS, holes filled, window cut at the raster's edge)
// come back in the same text when the import succeeds.
#ifndef KADMER_DEM_DEM_H
#define KADMER_DEM_DEM_H

#include <string>

struct Mnt;

// nodes per axis of an imported grid unless the request says otherwise: a
// 1025 x 1025 grid is 59 MB of terrain record and still draws interactively
enum { DemNoeudsMax = 1025 };

// what to take from the raster
struct DemFenetre {
    double cx, cy;   // window centre in the raster's own coordinates (projected:
                     // its easting and northing; geographic: longitude and
                     // latitude in degrees); NaN for the raster's centre
    double taille;   // side of the square window, m; 0 for the whole raster
    double pas;      // wanted grid step, m; 0 for the raster's resolution
    int noeudsMax;   // nodes per axis at most (the step grows to keep within
                     // it); 0 for DemNoeudsMax
};

// a window on the raster's centre, of the whole raster, at its resolution
DemFenetre dem_fenetre_defaut();

// what the terrain dialog shows of a raster before reading it
struct DemInfo {
    int largeur, hauteur;  // pixels along rows and columns
    int bandes;            // number of bands (heights are band 1)
    std::string pilote;    // format, as GDAL names it ("GTiff", ...)
    std::string scr;       // name of the CRS, or empty when there is none
    bool geographique;     // coordinates in degrees (the window is warped)
    double resX, resY;     // pixel size in the raster's own units (positive)
    double resMetres;      // smaller pixel side in metres (approximate when
                           // geographic)
    double cx, cy;         // centre of the raster in its own coordinates
    double etendue;        // smaller side of the raster, m (approximate when
                           // geographic)
    std::string unite;     // "m", "ft", "°", ... of the coordinates
};

// progress of a long read: fraction done in [0, 1]; returns false to stop
// the import (which then fails with "Lecture du MNT interrompue")
typedef bool (*DemProgres)(double fraction, void* arg);

// ---- recognising -----------------------------------------------------------

// true when the file is a raster for GDAL rather than a text matrix of
// heights: decided from the file's first bytes (a text of numbers only is the
// matrix, whatever its extension, except a ".xyz" point list)
bool dem_est_raster(const char* chemin);

// opens the raster and checks what a read needs (a height band, two pixels
// per axis, a north-up geotransform); returns false and the French message
// when the file cannot be used
bool dem_info(const char* chemin, DemInfo* info, std::string* message);

// ---- import ----------------------------------------------------------------

// fills the grid of the terrain record from the window of the raster: sets
// Xmin..Ymax to the window's local extent, applies the record's coefH and
// hBosses, and builds heights, differences and normals as new_mnt does. The
// record must hold no grid. Returns 0 when built (message: what was read, and
// the warnings), 1 when the file or the window cannot be used, -1 when memory
// is exhausted; on failure the record holds no grid and keeps its extent,
// and the message says why. progres, when given, is called along the read
int dem_charge(const char* chemin, const DemFenetre& fenetre, double coefH, Mnt* m,
               std::string* message, DemProgres progres = nullptr, void* arg = nullptr);

// ---- georeferencing ------------------------------------------------------------

// where the local frame of a window lies: a point (X, Y) of the terrain grid
// is (ox + X / u, oy + Y / u) in the CRS scr (a geographic raster: the
// transverse Mercator centred on the window that the import warps to)
struct DemRepere {
    std::string scr;  // the CRS as WKT, or empty when the raster has none
    double ox, oy;    // the local origin in the CRS's coordinates
    double u;         // metres per unit of the CRS's coordinates
};

// the frame dem_charge gives the window of the raster; false and the French
// message when the file cannot be used
bool dem_repere(const char* chemin, const DemFenetre& fenetre, DemRepere* repere, std::string* message);

#endif
