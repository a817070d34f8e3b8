// Fixed-size linear algebra, rotations, the root-free Cholesky solver and the
// diagnostic print-outs of the rover model.
#include "numeric/vecmat.h"

#include <cmath>
#include <cstring>

// element (row i, column j) of a column-major Mat3
#define M3(M, i, j) ((M)[(i) + 3 * (j)])

// ---- root-free Cholesky ----------------------------------------------------

double ldlt_solve(double* x, double* A, const double* b, int n, int m)
{
    if (n <= 0)
        return 1.0;

    // A = L*D*L^T, factors kept in the lower triangle: d_i at (i, i), L(j, i)
    // at (j, i) for j > i; the upper triangle is never touched
    double det = 1.0;
    for (int i = 0; i < n; ++i) {
        double* Ai = A + i * n;
        double d = Ai[i];
        for (int k = 0; k < i; ++k)
            d -= A[k * n + k] * Ai[k] * Ai[k];
        if (d == 0.0)
            return 0.0;
        Ai[i] = d;
        det *= d;
        for (int j = i + 1; j < n; ++j) {
            double* Aj = A + j * n;
            double s = Aj[i];
            for (int k = 0; k < i; ++k)
                s -= A[k * n + k] * Ai[k] * Aj[k];
            Aj[i] = s / d;
        }
    }

    for (int r = 0; r < m; ++r) {
        const double* br = b + r * n;
        double* xr = x + r * n;
        // L*y = b, y kept in x
        for (int j = 0; j < n; ++j) {
            const double* Aj = A + j * n;
            double y = br[j];
            for (int k = 0; k < j; ++k)
                y -= Aj[k] * xr[k];
            xr[j] = y;
        }
        // D*L^T*x = y
        for (int i = n - 1; i >= 0; --i) {
            double v = xr[i] / A[i * n + i];
            for (int j = i + 1; j < n; ++j)
                v -= A[j * n + i] * xr[j];
            xr[i] = v;
        }
    }
    return det;
}

// ---- root-free Cholesky of a tree's sparsity -------------------------------

double ldlt_solve_tree(double* x, double* A, const double* b, int n, const int* parent)
{
    // A = transpose(L)*D*L, taken from the leaves (highest indices) towards
    // the roots: eliminating row k only updates entries (i, j) with i and j
    // ancestors of k, which the tree's sparsity already holds, so nothing
    // fills in. d_k stays at (k, k), L(k, i) at (k, i) for i an ancestor of k
    double det = 1.0;
    for (int k = n - 1; k >= 0; --k) {
        double* Ak = A + k * n;
        const double d = Ak[k];
        if (d == 0.0)
            return 0.0;
        det *= d;
        for (int i = parent[k]; i >= 0; i = parent[i]) {
            const double a = Ak[i] / d;
            double* Ai = A + i * n;
            for (int j = i; j >= 0; j = parent[j])
                Ai[j] -= a * Ak[j];
            Ak[i] = a;
        }
    }

    for (int i = 0; i < n; ++i)
        x[i] = b[i];
    // transpose(L)*y = b, from the leaves up, y kept in x
    for (int i = n - 1; i >= 0; --i)
        for (int j = parent[i]; j >= 0; j = parent[j])
            x[j] -= A[i * n + j] * x[i];
    // D*z = y, then L*x = z from the roots down
    for (int i = 0; i < n; ++i) {
        double v = x[i] / A[i * n + i];
        for (int j = parent[i]; j >= 0; j = parent[j])
            v -= A[i * n + j] * x[j];
        x[i] = v;
    }
    return det;
}

// ---- print-outs ------------------------------------------------------------

namespace {

// The element format lives in a writable buffer starting with '%', its tail
// rebuilt by every print routine from width, precision and conversion. It is
// kept per call, so print-outs from several threads do not share it.
struct ElementFormat {
    char text[16] = "%11.3lg";
    ElementFormat() { std::snprintf(text + 1, sizeof text - 1, "%d.%dl%c", 11, 3, 'g'); }
};

void print_title(FILE* f, const char* title)
{
    // a missing title omits its line rather than printing an undefined string
    if (title)
        std::fprintf(f, "%s\n", title);
}

} // namespace

void print_block(FILE* f, const char* title, const double* M, int stride,
                 int r0, int r1, int c0, int c1)
{
    if (!f)
        return;
    const ElementFormat fmt;
    if (title && title[0] != '\0')
        std::fprintf(f, "%s\n", title);
    for (int i = r0; i < r1; ++i) {
        for (int j = c0; j < c1; ++j)
            std::fprintf(f, fmt.text, M[i * stride + j]);
        std::fputc('\n', f);
    }
}

void print_frame(FILE* f, const char* title, const double F[12])
{
    if (!f)
        return;
    const ElementFormat fmt;
    print_title(f, title);
    const double* R = frame_rot(F);
    for (int i = 0; i < 3; ++i) {
        std::fprintf(f, "%10.3f | ", F[i]);
        for (int j = 0; j < 3; ++j)
            std::fprintf(f, fmt.text, M3(R, i, j));
        std::fputc('\n', f);
    }
}

void print_mat3(FILE* f, const char* title, const double M[9])
{
    if (!f)
        return;
    const ElementFormat fmt;
    print_title(f, title);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            std::fprintf(f, fmt.text, M3(M, i, j));
        std::fputc('\n', f);
    }
}

void print_matrix(FILE* f, const char* title, const double* M, int rows,
                  int cols, int group)
{
    if (!f)
        return;
    const ElementFormat fmt;
    print_title(f, title);
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
            std::fprintf(f, fmt.text, M[i + rows * j]);
            if (group != 0 && (j + 1) % group == 0 && j + 1 < cols)
                std::fputs("\n  ", f);
        }
        std::fputc('\n', f);
    }
}

void print_vec3(FILE* f, const char* label, const double v[3])
{
    if (!f)
        return;
    const ElementFormat fmt;
    if (label)
        std::fputs(label, f);
    for (int k = 0; k < 3; ++k)
        std::fprintf(f, fmt.text, v[k]);
    std::fputc('\n', f);
}
