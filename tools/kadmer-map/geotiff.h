// The map as a GeoTIFF: one Float32 band per layer, named, with its nodata,
// georeferenced on the source's grid; written complete under a temporary name
// and then renamed. Tiles of a map are GeoTIFFs of their rows, merged into
// the whole map.
#ifndef KADMER_TOOLS_KADMER_MAP_GEOTIFF_H
#define KADMER_TOOLS_KADMER_MAP_GEOTIFF_H

#include <string>
#include <vector>

#include "carte.h"
#include "dem/dem.h"

// where the map's pixels lie: a geotransform and a CRS (WKT, empty: none)
struct CarteGeo {
    double gt[6];
    std::string scr;
};

// the georeferencing of the grid's whole map, in the frame repere (null: the
// terrain's local metres, no CRS)
CarteGeo carte_geo(const CarteGrille& g, const DemRepere* repere);

// empty when a file can be created at chemin (its folder exists and takes
// files), otherwise the message
std::string verifie_sortie(const std::string& chemin);

// writes the rows of carte (the whole map or a tile) as chemin; empty message,
// or why not (nothing is left at chemin then)
std::string ecrit_carte(const std::string& chemin, const Carte& carte, const CarteGeo& geo);

// the safe headings of the whole map written at chemin (grid g, in the
// terrain's metres) for its picture: every cell when both sides hold at most
// maxCote cells, otherwise one cell in f along each axis (f the least whole
// factor that fits; the last columns and rows short of f are left out), with
// the grid to match. Only the layer caps_surs is filled; empty message, or
// why not
std::string lit_apercu(const std::string& chemin, const CarteGrille& g, int maxCote, Carte* carte);

// merges the tiles (GeoTIFFs of rows of the same map, in any order) into the
// whole map at chemin; empty message, or why not (a missing row among them)
std::string fusionne_tuiles(const std::vector<std::string>& tuiles, const std::string& chemin);

#endif
