// Terrain file reader: any bytes as a terrain file, through the grid build
// and height queries on and around the grid it gives.
#include "terrain/mnt.h"

#include <cmath>

#include "fuzz/fuzz_support.h"

namespace {

// height and normal anywhere on a grid of moderate heights are finite, and
// the normal is a unit vector pointing up
void interroge(const Mnt* m, double x, double y, bool modere)
{
    double n[3] = {0, 0, 0};
    const double z = hauteur_mnt(m, x, y, n);
    if (!modere) return;
    FUZZ_CHECK(std::isfinite(z));
    FUZZ_CHECK(std::fabs(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] - 1.0) < 1e-9);
    FUZZ_CHECK(n[2] > 0.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Octets octets(data, size);
    FILE* f = octets.ouvre();
    if (!f) return 0;

    Mnt m;
    defauts_mnt(&m);
    m.fichier = f;
    m.typeMNT = MntPlat;
    m.hBosses = 0.0;  // heights then equal the file's values
    m.dx = m.dy = 10.0;  // a 3 x 3 grid when the file is refused keeps it quick
    const int r = new_mnt(&m);

    // the extent is valid, so a file is either used or replaced
    FUZZ_CHECK(r == 0 || r == 1);
    FUZZ_CHECK(m.h && m.nx >= 2 && m.ny >= 2);
    FUZZ_CHECK(std::isfinite(m.dx) && m.dx > 0.0 && std::isfinite(m.dy) && m.dy > 0.0);
    const size_t nn = static_cast<size_t>(m.nx) * m.ny;
    FUZZ_CHECK(m.zmin <= m.zmax);

    if (r == 0) {
        // the file's values, read a second time, are the grid's heights
        int nx = 0, ny = 0;
        double* mat = loada(f, &nx, &ny);
        FUZZ_CHECK(mat && nx == m.nx && ny == m.ny);
        for (size_t k = 0; k < nn; ++k) FUZZ_CHECK(mat[k] == m.h[k]);
        free(mat);
    }

    // beyond a million metres the Hermite sums may overflow; below it every
    // query has to give a number
    const bool modere = std::fabs(m.zmin) <= 1e6 && std::fabs(m.zmax) <= 1e6;
    const double xs[] = {m.Xmin - 1.0, m.Xmin, m.Xmin + 0.5 * m.dx, 0.0, m.Xmax - 1e-12, m.Xmax, m.Xmax + 3.0};
    const double ys[] = {m.Ymin - 2.0, m.Ymin, m.Ymin + 0.25 * m.dy, 0.3, m.Ymax, m.Ymax + 1.0};
    for (double x : xs)
        for (double y : ys) interroge(&m, x, y, modere);
    interroge(&m, NAN, 0.0, false);
    interroge(&m, 1e308, -1e308, false);

    libere_mnt(&m);
    fclose(f);
    return 0;
}
