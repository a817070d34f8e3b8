// The map a person reads: the terrain in shaded relief under the cells
// coloured by how many headings are safe, with a legend, axes in metres and
// a scale bar, drawn by QPainter into a PNG.
#ifndef KADMER_TOOLS_KADMER_MAP_DESSIN_H
#define KADMER_TOOLS_KADMER_MAP_DESSIN_H

#include <string>

#include "carte.h"

struct Mnt;

// the colour of a cell with surs of caps headings safe: green every heading,
// yellow some, red none; alpha 0 for nodata. 0xAARRGGBB
unsigned couleur_cellule(float surs, int caps);

// draws the whole map carte (its grid in the terrain's metres) over mnt as
// the PNG chemin; empty message, or why not. Needs a QGuiApplication; makes
// one on the offscreen platform when there is none
std::string dessine_carte(const std::string& chemin, const Carte& carte, const Mnt* mnt, int caps);

#endif
