// The digital terrain model: reading and generation of the height grid, node
// differences and normals, and the Hermite height-and-normal query.
#include "terrain/mnt.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// ---- reading the terrain file ----------------------------------------------

// a line buffer that grows to hold the longest line of the file
struct Ligne {
    char* buf;
    size_t cap;
};

enum { LigneLue = 1, FinFichier = 0, EchecTampon = -1 };

// the last complaint of the reader, for the program to show; the error
// stream gets it as it is written
thread_local char plainte[128];

void seplaint(const char* texte)
{
    fputs(texte, stderr);
    const char* t = texte;
    while (*t == ' ')
        t++;
    snprintf(plainte, sizeof plainte, "%s", t);
    const size_t n = strlen(plainte);
    if (n > 0 && plainte[n - 1] == '\n')
        plainte[n - 1] = '\0';
}

// reads one line, without its line feed, into l; *nul is set when the line
// holds a zero byte (the rest of the line would be invisible to strtod)
int litLigne(FILE* f, Ligne* l, bool* nul)
{
    *nul = false;
    size_t n = 0;
    int c = getc(f);
    if (c == EOF) return FinFichier;
    for (; c != EOF && c != '\n'; c = getc(f)) {
        if (n + 1 >= l->cap) {
            // doubling keeps a very long line linear to read
            size_t cap = l->cap ? 2 * l->cap : 128;
            char* b = static_cast<char*>(realloc(l->buf, cap));
            if (!b) return EchecTampon;
            l->buf = b;
            l->cap = cap;
        }
        if (c == '\0') *nul = true;
        l->buf[n++] = static_cast<char>(c);
    }
    if (!l->buf) {
        l->buf = static_cast<char*>(malloc(128));
        if (!l->buf) return EchecTampon;
        l->cap = 128;
    }
    l->buf[n] = '\0';
    return LigneLue;
}

enum { ValeursLues = 0, TexteIllisible = 1, ValeurNonFinie = 2 };

// walks the numbers of a line: while the rest of the line holds a digit, one
// number is converted with strtod. Counts them, and stores them at out[0],
// out[stride], ... when out is not null (at most max of them). Text where a
// number should start, or a value that is not finite, stops the walk
int valeursLigne(const char* s, int* count, double* out, size_t stride, int max)
{
    int n = 0;
    const char* p = s;
    while (strpbrk(p, "0123456789")) {
        char* fin;
        double v = strtod(p, &fin);
        if (fin == p) {
            *count = n;
            return TexteIllisible;
        }
        if (!std::isfinite(v)) {
            *count = n;
            return ValeurNonFinie;
        }
        if (out && n < max) out[static_cast<size_t>(n) * stride] = v;
        ++n;
        p = fin;
    }
    *count = n;
    return ValeursLues;
}

void messageValeur(int etat)
{
    if (etat == ValeurNonFinie)
        seplaint(" Valeur non finie dans loada() !\n");
    else
        seplaint(" Erreur lecture dans loada() !\n");
}

// ---- generation ------------------------------------------------------------

// base height of node (i, j) of a generated shape, before coefH
double hauteurForme(int type, int i, int j, int nx, int ny, double dx, double dy,
                    double Ymin, double Ymax)
{
    if (type == MntPlat) return 0.0;
    if (type == MntSinus)
        return 2.0 * (1.0 + cos(6.283185307179586 * j * dy / (Ymax - Ymin)));
    // a smooth random-looking surface: a sum of three gaussian hills and
    // holes over a centred square of +-0.3 times the extent
    double X = (3.0 * i * dx + 1.5 * (1 - nx) * dx) / 5.0;
    double Y = (3.0 * j * dy + 1.5 * (1 - ny) * dy) / 5.0;
    double P = 3.0 * (1.0 - X) * (1.0 - X) * exp(-X * X - (Y + 1.0) * (Y + 1.0))
             - 10.0 * (X / 5.0 - X * X * X - Y * Y * Y * Y * Y) * exp(-X * X - Y * Y)
             - (1.0 / 3.0) * exp(-(X + 1.0) * (X + 1.0) - Y * Y);
    return 0.5 * (P / 3.5 - 0.25);
}

// number of nodes covering extent e with cells of about d; 0 when fewer than
// 2, -1 when too many to index with an int
int nombreNoeuds(double e, double d)
{
    if (!(d > 0.0) || !std::isfinite(d)) return 0;
    double u = e / d + 1.5;
    if (!(u >= 2.0)) return 0;
    if (u >= 2147483647.0) return -1;
    return static_cast<int>(u);
}

// one block of 7*nx*ny doubles carved into the five grid arrays
bool alloueGrille(Mnt* m, int nx, int ny)
{
    size_t nn = static_cast<size_t>(nx) * static_cast<size_t>(ny);
    if (nn > SIZE_MAX / (7 * sizeof(double))) return false;
    double* bloc = static_cast<double*>(malloc(7 * nn * sizeof(double)));
    if (!bloc) return false;
    m->nx = nx;
    m->ny = ny;
    m->h = bloc;
    m->dzx = bloc + nn;
    m->dzy = bloc + 2 * nn;
    m->dzxy = bloc + 3 * nn;
    m->normale = reinterpret_cast<Vec3*>(bloc + 4 * nn);
    return true;
}

// heights already in h (after coefH): extremes, bumps, differences, normals
void finitGrille(Mnt* m)
{
    const int nx = m->nx, ny = m->ny;
    const size_t nn = static_cast<size_t>(nx) * ny;
    double* h = m->h;

    m->zmin = 1.0e12;
    m->zmax = -1.0e12;
    for (size_t k = 0; k < nn; ++k) {
        if (h[k] < m->zmin) m->zmin = h[k];
        if (h[k] > m->zmax) m->zmax = h[k];
    }

    // always seeded, so that every build with the same parameters gives the
    // same bumps; each draw is reduced to 0..32767 whatever the generator's
    // range, so a node rises by at most hBosses
    srand(m->graine);
    if (m->hBosses != 0.0) {
        for (size_t k = 0; k < nn; ++k) {
            int tirage = static_cast<int>(rand() / (static_cast<double>(RAND_MAX) + 1.0) * 32768.0);
            h[k] += m->hBosses * tirage / 32767.0;
        }
    }

    // centred differences inside, one-sided on the edges, in grid steps; the
    // mixed difference is divided by the sum of the step counts
    for (int i = 0; i < nx; ++i) {
        const int ip = i + 1 < nx ? i + 1 : i;
        const int im = i > 0 ? i - 1 : i;
        const int sx = ip - im;
        for (int j = 0; j < ny; ++j) {
            const int jp = j + 1 < ny ? j + 1 : j;
            const int jm = j > 0 ? j - 1 : j;
            const int sy = jp - jm;
            const size_t k = static_cast<size_t>(i) * ny + j;
            const size_t cp = static_cast<size_t>(ip) * ny, cm = static_cast<size_t>(im) * ny;
            const size_t ci = static_cast<size_t>(i) * ny;
            m->dzx[k] = (h[cp + j] - h[cm + j]) / sx;
            m->dzy[k] = (h[ci + jp] - h[ci + jm]) / sy;
            m->dzxy[k] = (h[cp + jp] + h[cm + jm] - h[cp + jm] - h[cm + jp]) / (sx + sy);
        }
    }

    // node normal: (-dz/dx, -dz/dy, 1) scaled by dx*dy before normalising
    const double dx = m->dx, dy = m->dy;
    for (size_t k = 0; k < nn; ++k) {
        double a = -m->dzx[k] * dy, b = -m->dzy[k] * dx, c = dx * dy;
        double s = sqrt(a * a + b * b + c * c);
        m->normale[k][0] = a / s;
        m->normale[k][1] = b / s;
        m->normale[k][2] = c / s;
    }
}

// ---- the query -------------------------------------------------------------

// cell index and fraction along one axis: the lower edge answers below the
// grid, the last cell with t = 1 at and beyond the upper edge (a query at
// the edge within 1e-9 of a step lands exactly on the last node)
inline void cellule(double e, double d, int n, int* i, double* t)
{
    double u = e > 0.0 ? e / d : 0.0;
    if (u >= (n - 1) - 1e-9) {
        *i = n - 2;
        *t = 1.0;
    } else {
        int k = static_cast<int>(u);
        *i = k;
        *t = u - k;
    }
}

}  // namespace

// ---- construction ----------------------------------------------------------

void defauts_mnt(Mnt* m)
{
    memset(m, 0, sizeof *m);
    m->fichier = nullptr;
    m->typeMNT = MntAleatoire;
    m->typeDyn = SolSimplifie;
    m->sol = nullptr;
    m->coefH = 1.0;
    m->hBosses = 0.1;
    m->graine = 1234567u;
    m->c1 = 0.43;
    m->c2 = 0.32;
    m->n1 = 0.0;
    m->dx = 0.25;
    m->dy = 0.25;
    m->Xmin = -10.0;
    m->Xmax = 10.0;
    m->Ymin = -10.0;
    m->Ymax = 10.0;
}

const char* plainte_loada(void) { return plainte; }

double* loada(FILE* f, int* nx, int* ny)
{
    Ligne l = {nullptr, 0};
    bool nul = false;
    double* mat = nullptr;
    int nc = 0, nl = 0, etat, lu;

    plainte[0] = '\0';

    // counting pass: every line is a row, all rows hold the same count
    rewind(f);
    lu = litLigne(f, &l, &nul);
    if (lu != LigneLue) {
        seplaint("Echec lecture dans loada() !\n");
        goto echec;
    }
    for (; lu == LigneLue; lu = litLigne(f, &l, &nul)) {
        int n;
        if (nul) {
            seplaint(" Erreur lecture dans loada() !\n");
            goto echec;
        }
        etat = valeursLigne(l.buf, &n, nullptr, 0, 0);
        if (etat != ValeursLues) {
            messageValeur(etat);
            goto echec;
        }
        if (nl > 0 && n != nc) {
            seplaint(" Nombre de colonnes non constant dans loada() !\n");
            goto echec;
        }
        nc = n;
        if (nl == 2147483647) {
            seplaint(" Echec allocation dans loada() !\n");
            goto echec;
        }
        ++nl;
    }
    if (lu == EchecTampon) {
        seplaint("Echec lecture dans loada() !\n");
        goto echec;
    }
    if (nc < 2 || nl < 2) {
        seplaint(" Moins de 2 noeuds sur un axe dans loada() !\n");
        goto echec;
    }

    {
        size_t nn = static_cast<size_t>(nc) * static_cast<size_t>(nl);
        if (nn <= SIZE_MAX / sizeof(double)) mat = static_cast<double*>(malloc(nn * sizeof(double)));
        if (!mat) {
            seplaint(" Echec allocation dans loada() !\n");
            goto echec;
        }
    }

    // value pass: row j of the file is the line Ymin + j*dy, its value i the
    // node Xmin + i*dx
    rewind(f);
    for (int j = 0; j < nl; ++j) {
        int n;
        lu = litLigne(f, &l, &nul);
        if (lu != LigneLue || nul) {
            seplaint(" Erreur lecture dans loada() !\n");
            goto echec;
        }
        etat = valeursLigne(l.buf, &n, mat + j, static_cast<size_t>(nl), nc);
        if (etat != ValeursLues || n != nc) {
            messageValeur(etat);
            goto echec;
        }
    }

    free(l.buf);
    *nx = nc;
    *ny = nl;
    return mat;

echec:
    free(l.buf);
    free(mat);
    return nullptr;
}

// Extent and height factors of a grid to build: finite, and each maximum
// beyond its minimum. Says what is wrong on the error stream.
static bool parametresValides(const Mnt* m)
{
    if (!std::isfinite(m->Xmin) || !std::isfinite(m->Xmax) || !std::isfinite(m->Ymin)
        || !std::isfinite(m->Ymax) || !(m->Xmax > m->Xmin) || !(m->Ymax > m->Ymin)) {
        fputs("Etendue du MNT invalide : Xmax et Ymax doivent depasser Xmin et Ymin\n", stderr);
        return false;
    }
    if (!std::isfinite(m->coefH) || !std::isfinite(m->hBosses)) {
        fputs("Coefficient en Z ou hauteur des bosses du MNT non fini\n", stderr);
        return false;
    }
    return true;
}

int new_mnt(Mnt* m)
{
    if (!parametresValides(m)) return -2;

    const double ex = m->Xmax - m->Xmin, ey = m->Ymax - m->Ymin;
    int resultat = 0;
    int nx = 0, ny = 0;
    double* mat = nullptr;
    if (m->fichier) {
        mat = loada(m->fichier, &nx, &ny);
        if (!mat) resultat = 1;
    }

    if (mat) {
        m->dx = ex / (nx - 1);
        m->dy = ey / (ny - 1);
        if (!alloueGrille(m, nx, ny)) {
            free(mat);
            fputs("Echec allocation pour le MNT\n", stderr);
            return -1;
        }
        const size_t nn = static_cast<size_t>(nx) * ny;
        for (size_t k = 0; k < nn; ++k) m->h[k] = m->coefH * mat[k];
        free(mat);
    } else {
        nx = nombreNoeuds(ex, m->dx);
        ny = nombreNoeuds(ey, m->dy);
        if (nx == 0 || ny == 0) {
            fputs("Dimensions du MNT invalides : moins de 2 noeuds sur un axe\n", stderr);
            return -2;
        }
        if (nx < 0 || ny < 0 || !alloueGrille(m, nx, ny)) {
            fputs("Echec allocation pour le MNT\n", stderr);
            return -1;
        }
        m->dx = ex / (nx - 1);
        m->dy = ey / (ny - 1);
        for (int i = 0; i < nx; ++i)
            for (int j = 0; j < ny; ++j)
                m->h[static_cast<size_t>(i) * ny + j] =
                    m->coefH * hauteurForme(m->typeMNT, i, j, nx, ny, m->dx, m->dy, m->Ymin, m->Ymax);
    }

    finitGrille(m);
    return resultat;
}

int new_mnt_grille(Mnt* m, const double* b, int nx, int ny)
{
    if (!parametresValides(m)) return -2;
    if (!b || nx < 2 || ny < 2) {
        fputs("Dimensions du MNT invalides : moins de 2 noeuds sur un axe\n", stderr);
        return -2;
    }
    if (!alloueGrille(m, nx, ny)) {
        fputs("Echec allocation pour le MNT\n", stderr);
        return -1;
    }
    m->dx = (m->Xmax - m->Xmin) / (nx - 1);
    m->dy = (m->Ymax - m->Ymin) / (ny - 1);
    const size_t nn = static_cast<size_t>(nx) * ny;
    for (size_t k = 0; k < nn; ++k) m->h[k] = m->coefH * b[k];
    finitGrille(m);
    return 0;
}

void libere_mnt(Mnt* m)
{
    free(m->h);
    m->h = m->dzx = m->dzy = m->dzxy = nullptr;
    m->normale = nullptr;
    m->nx = m->ny = 0;
}

// ---- queries ---------------------------------------------------------------

double hauteur_mnt(const Mnt* m, double x, double y, double normale[3])
{
    if (!m->h || m->nx < 2 || m->ny < 2) {
        if (normale) {
            normale[0] = 0.0;
            normale[1] = 0.0;
            normale[2] = 1.0;
        }
        return 0.0;
    }
    int i, j;
    double tx, ty;
    cellule(x - m->Xmin, m->dx, m->nx, &i, &tx);
    cellule(y - m->Ymin, m->dy, m->ny, &j, &ty);

    // cubic Hermite basis on [0, 1]: values at 0 and 1, slopes at 0 and 1
    const double tx2 = tx * tx, tx3 = tx2 * tx, ty2 = ty * ty, ty3 = ty2 * ty;
    const double hx0 = 2 * tx3 - 3 * tx2 + 1, hx1 = -2 * tx3 + 3 * tx2;
    const double gx0 = tx3 - 2 * tx2 + tx, gx1 = tx3 - tx2;
    const double hy0 = 2 * ty3 - 3 * ty2 + 1, hy1 = -2 * ty3 + 3 * ty2;
    const double gy0 = ty3 - 2 * ty2 + ty, gy1 = ty3 - ty2;

    // corners (i, j), (i, j+1) at k0, k0+1 and (i+1, j), (i+1, j+1) at k1, k1+1
    const size_t k0 = static_cast<size_t>(i) * m->ny + j, k1 = k0 + m->ny;
    const double *h = m->h, *zx = m->dzx, *zy = m->dzy, *zxy = m->dzxy;

    // along Y on both columns: the height F and its X slope D
    const double F0 = hy0 * h[k0] + hy1 * h[k0 + 1] + gy0 * zy[k0] + gy1 * zy[k0 + 1];
    const double F1 = hy0 * h[k1] + hy1 * h[k1 + 1] + gy0 * zy[k1] + gy1 * zy[k1 + 1];
    const double D0 = hy0 * zx[k0] + hy1 * zx[k0 + 1] + gy0 * zxy[k0] + gy1 * zxy[k0 + 1];
    const double D1 = hy0 * zx[k1] + hy1 * zx[k1 + 1] + gy0 * zxy[k1] + gy1 * zxy[k1 + 1];
    const double z = hx0 * F0 + hx1 * F1 + gx0 * D0 + gx1 * D1;

    if (normale) {
        // slopes per grid step: the X basis differentiated, then the Y basis
        const double dhx0 = 6 * tx2 - 6 * tx, dhx1 = -6 * tx2 + 6 * tx;
        const double dgx0 = 3 * tx2 - 4 * tx + 1, dgx1 = 3 * tx2 - 2 * tx;
        const double dhy0 = 6 * ty2 - 6 * ty, dhy1 = -6 * ty2 + 6 * ty;
        const double dgy0 = 3 * ty2 - 4 * ty + 1, dgy1 = 3 * ty2 - 2 * ty;
        const double ax = dhx0 * F0 + dhx1 * F1 + dgx0 * D0 + dgx1 * D1;
        const double E0 = dhy0 * h[k0] + dhy1 * h[k0 + 1] + dgy0 * zy[k0] + dgy1 * zy[k0 + 1];
        const double E1 = dhy0 * h[k1] + dhy1 * h[k1 + 1] + dgy0 * zy[k1] + dgy1 * zy[k1 + 1];
        const double C0 = dhy0 * zx[k0] + dhy1 * zx[k0 + 1] + dgy0 * zxy[k0] + dgy1 * zxy[k0 + 1];
        const double C1 = dhy0 * zx[k1] + dhy1 * zx[k1 + 1] + dgy0 * zxy[k1] + dgy1 * zxy[k1 + 1];
        const double ay = hx0 * E0 + hx1 * E1 + gx0 * C0 + gx1 * C1;
        const double a = -ax * m->dy, b = -ay * m->dx, c = m->dx * m->dy;
        const double s = 1.0 / sqrt(a * a + b * b + c * c);
        normale[0] = a * s;
        normale[1] = b * s;
        normale[2] = c * s;
    }
    return z;
}
