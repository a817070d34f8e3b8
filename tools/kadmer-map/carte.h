// Traversability maps: at every cell centre of a grid laid over the terrain
// and for several headings, the rover placed on the ground as the kinematic
// piloting places it, then measured (tilt, belly clearance, tip-over margin,
// wheel gaps) and checked against the limits. Seven layers per cell; the
// cells whose rover would leave the terrain are nodata.
//
// Every placement starts from the same pose above its cell, so a cell's
// values depend on nothing but the cell: rows may be computed by any number
// of threads, in any order, in tiles, and give the same numbers.
#ifndef KADMER_TOOLS_KADMER_MAP_CARTE_H
#define KADMER_TOOLS_KADMER_MAP_CARTE_H

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "rover/dynrover.h"
#include "rover/plan.h"

struct Mnt;

// ---- layers ------------------------------------------------------------------

enum {
    CoucheInclinaisonMax = 0,  // tilt of the worst heading, degrees
    CoucheInclinaisonMin,      // tilt of the best heading, degrees
    CoucheGardeSol,            // least belly clearance over the headings, m
    CoucheMarge,               // least tip-over margin over the headings, degrees
    CoucheEcartRoue,           // largest gap between a wheel and the ground, m
    CoucheCapsSurs,            // number of headings within every limit
    CouchePente,               // slope of the terrain at the cell, degrees
    NB_COUCHES
};

// the band descriptions of the layers, in layer order
extern const char* const nomCouche[NB_COUCHES];

// the value of a cell the rover cannot stand on without leaving the terrain
const float CarteNodata = -9999.0f;

// ---- the grid and the settings -------------------------------------------------

// cells of side pas; cell (i, j), column i from the west and row j from the
// north, centred at (x0 + i pas, y0 - j pas) in the terrain frame
struct CarteGrille {
    int nx, ny;      // columns and rows
    double x0, y0;   // centre of the north-west cell, m
    double pas;      // cell side, m
};

// the limits a map checks: those of l (a drive plan's, NaN: not given), the
// map's defaults for the others: inclinaison 30 degrees, marge 10 degrees,
// garde_sol 0.1 m. The plan's limits of a run (slip, sinkage) do not apply
// to a pose
LimitesPlan limites_carte(const LimitesPlan& l);

// null when the three limits a map checks are within their ranges (tilt in
// (0, 90], margin in [0, 90), clearance in [0, 100] m), otherwise the message
const char* refus_limites_carte(const LimitesPlan& l);

struct CarteReglages {
    double pas = 0;                    // cell side, m; 0: the terrain's grid step
    int caps = 8;                      // headings, equally spaced from azimut 0
    LimitesPlan limites = limites_carte(LimitesPlan());
    int jobs = 0;                      // threads; 0: every core
    int ligne0 = 0, ligne1 = -1;       // rows computed; -1: up to the last
};

// the values of rows [ligne0, ligne1): layer after layer, each row after row
// from the north, nx values a row
struct Carte {
    CarteGrille g;
    int ligne0, ligne1;
    std::vector<float> v;  // NB_COUCHES * nx * (ligne1 - ligne0)
    // the value of layer c at cell (i, j), j in [ligne0, ligne1)
    float& at(int c, int i, int j)
    {
        return v[((size_t)c * (ligne1 - ligne0) + (j - ligne0)) * g.nx + i];
    }
};

// ---- computing -------------------------------------------------------------------

// the grid of cells of side pas over the terrain's nodes: the cells are
// centred on the nodes when pas is the grid step; empty message, or why not
std::string carte_grille(const Mnt* mnt, double pas, CarteGrille* g);

// the radius of the disc the rover covers seen from above around its body
// origin, whatever its heading, m
double rayon_emprise(const DynRover* modele);

// called with the rows done and the rows to do; returns false to stop
typedef std::function<bool(long faits, long total)> CarteProgres;

// computes the rows of the settings with the rover modele (its geometry,
// masses and start configuration angles) on mnt; empty message, or why not
// ("Calcul interrompu" when progres stopped it). progres is called from the
// calling thread, about five times a second
std::string carte_calcule(const DynRover* modele, const Mnt* mnt, const CarteReglages& r, Carte* carte,
                          const CarteProgres& progres = nullptr);

// the number of headings within every limit of one cell, and its measures:
// what carte_calcule writes for the cell at (x, y); scratch is a copy of the
// rover the placements may overwrite. out[NB_COUCHES] as the layers
void carte_cellule(DynRover* scratch, const DynRover* modele, const Mnt* mnt, double x, double y, int caps,
                   const LimitesPlan& limites, float out[NB_COUCHES]);

#endif
