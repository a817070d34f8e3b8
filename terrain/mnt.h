// The digital terrain model: a regular grid of heights over a rectangle of the
// horizontal plane, read from a text file or generated from a built-in shape,
// with per-node differences and normals, and the bicubic Hermite query of the
// height and normal anywhere on the grid.
//
// World frame: X, Y horizontal, Z up, metres. Node (i, j), i in [0, nx) along
// X and j in [0, ny) along Y, lies at (Xmin + i*dx, Ymin + j*dy) and is stored
// at k = i*ny + j in every grid array (X-major: one X column is contiguous).
#ifndef KADMER_TERRAIN_MNT_H
#define KADMER_TERRAIN_MNT_H

#include <cstdio>

#include "numeric/vecmat.h"

// built-in shapes (typeMNT), in the order of the terrain dialog's list
enum { MntPlat = 0, MntAleatoire = 1, MntSinus = 2 };
// soil models (typeDyn): visco-elastic law, or soil zones with the macro law
// or the classical rigid-wheel law
enum { SolSimplifie = 0, SolMacro = 1, SolClassique = 2 };

struct Mnt {
    // ---- parameters, set by the scenario creation and the terrain dialog
    FILE* fichier;  // terrain file, or null for a generated terrain; owned by
                    // the caller, rewound before each reading pass, left open
    int typeMNT;    // built-in shape: 0 flat, 1 random surface, 2 cylindrical
                    // sine along Y (used when there is no file or it fails)
    int typeDyn;    // soil model: 0 visco-elastic (DynSol), 1 macro (ZonesSol),
                    // 2 classical (ZonesSol)
    void* sol;      // soil parameters of the chosen model: a DynSol* when
                    // typeDyn is 0, a ZonesSol* when it is 1 or 2; set by the
                    // scenario creation after the build, never owned here
    double coefH;   // multiplier of every base height (bumps excluded), -
    double hBosses; // height of the random bumps, m; 0 means no bumps
    unsigned graine; // seed of the random bumps (1234567 unless a scenario
                     // file gives another)
    double c1, c2;  // classical law: angle of the greatest normal stress as
                    // a share of the entry angle, c1 + c2 * slip, - (0.43,
                    // 0.32)
    double n1;      // classical law: growth of the sinkage exponent with
                    // |slip|, - (0)

    // ---- grid, derived by new_mnt (one allocation of 7*nx*ny doubles)
    int nx, ny;       // number of nodes along X and along Y
    double* h;        // node heights, m (nx*ny, X-major); owns the allocation
    double* dzx;      // height difference along X per grid step, m (nx*ny)
    double* dzy;      // height difference along Y per grid step, m (nx*ny)
    double* dzxy;     // mixed difference per grid step squared, m (nx*ny)
    Vec3* normale;    // unit upward node normals (nx*ny x 3)
    double dx, dy;    // in: wanted cell size of a generated grid, m;
                      // out: actual grid spacings, m
    double Xmin, Xmax, Ymin, Ymax;  // extent of the grid, m; inputs, unchanged
    double zmin, zmax;  // lowest and highest node height after coefH and
                        // before the bumps, m
};

// ---- construction ----------------------------------------------------------

// sets the parameter fields to those a new scenario starts from (no file,
// random shape, macro soil off, coefH 1, bumps 0.1 m from seed 1234567, 0.25 m
// cells over [-10, 10] x [-10, 10]) and clears the grid fields; the record must not hold
// a grid
void defauts_mnt(Mnt* m);

// builds the grid from the parameter fields; returns 0 when built (from the
// file, or generated when there is none), 1 when the file could not be used
// and the generated terrain was built instead, -1 when memory is exhausted
// (no grid), -2 when the extent, cell size or coefficients give no usable
// grid (no grid); every complaint goes to the error stream. The grid fields
// are overwritten: release a previous grid with libere_mnt first
int new_mnt(Mnt* m);

// builds the grid from a matrix of base heights b (X-major, nx*ny, before
// coefH) over the record's extent, as new_mnt does with a file's values:
// coefH, bumps, differences and normals; b stays the caller's. Returns 0 when
// built, -1 when memory is exhausted, -2 when the extent, the coefficients
// or fewer than 2 nodes on an axis give no usable grid (no grid then); every
// complaint goes to the error stream. Release a previous grid first
int new_mnt_grille(Mnt* m, const double* b, int nx, int ny);

// reads a terrain file (one line per row along Y, one number per node along
// X) into a new X-major matrix of nx*ny doubles that the caller frees;
// returns null, the message written to the error stream, when the file cannot
// be used
double* loada(FILE* f, int* nx, int* ny);

// the last message of loada, without its line end; empty when its last
// reading went through
const char* plainte_loada(void);

// releases the grid of the record and clears its grid fields (nx, ny, arrays)
void libere_mnt(Mnt* m);

// ---- queries ---------------------------------------------------------------

// height of the ground at (x, y), m; writes the unit upward normal when
// normale is not null. Outside the grid the nearest edge answers; a record
// without a grid answers 0 and (0, 0, 1)
double hauteur_mnt(const Mnt* m, double x, double y, double normale[3]);

#endif
