// Fixed-size linear algebra, rotations, the root-free Cholesky solver and the
// diagnostic print-outs of the rover model.
#include "numeric/vecmat.h"

#include <cmath>
#include <cstring>

// element (row i, column j) of a column-major Mat3
#define M3(M, i, j) ((M)[(i) + 3 * (j)])

// ---- vectors ---------------------------------------------------------------

void vec_zero(double out[3])
{
    out[0] = 0.0;
    out[1] = 0.0;
    out[2] = 0.0;
}

void vec_copy(double out[3], const double v[3])
{
    out[0] = v[0];
    out[1] = v[1];
    out[2] = v[2];
}

double* vec_scale(double out[3], double s, const double v[3])
{
    out[0] = s * v[0];
    out[1] = s * v[1];
    out[2] = s * v[2];
    return out;
}

double vec_dot(const double a[3], const double b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

void vec_sub(double out[3], const double a[3], const double b[3])
{
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

void vec_add(double out[3], const double a[3], const double b[3])
{
    out[0] = a[0] + b[0];
    out[1] = a[1] + b[1];
    out[2] = a[2] + b[2];
}

void vec_axpy(double out[3], const double a[3], double s, const double b[3])
{
    out[0] = a[0] + s * b[0];
    out[1] = a[1] + s * b[1];
    out[2] = a[2] + s * b[2];
}

void vec_cross(double out[3], const double a[3], const double b[3])
{
    // through locals so that a caller passing out == a or b still gets a x b
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

double vec_norm(const double v[3])
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

double vec_normalize(double out[3], const double v[3])
{
    const double n = vec_norm(v);
    if (n == 0.0) {
        // a direction is still needed downstream: fall back on x
        out[0] = 1.0;
        out[1] = 0.0;
        out[2] = 0.0;
        return 0.0;
    }
    out[0] = v[0] / n;
    out[1] = v[1] / n;
    out[2] = v[2] / n;
    return n;
}

// ---- 3x3 matrices ----------------------------------------------------------

double* mat_copy(double out[9], const double M[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = M[k];
    return out;
}

double* mat_scale(double out[9], double s, const double M[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = s * M[k];
    return out;
}

void mat_add(double out[9], const double A[9], const double B[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = A[k] + B[k];
}

void mat_axpy(double out[9], const double A[9], double s, const double B[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = A[k] + s * B[k];
}

void mat_mul_vec(double out[3], const double M[9], const double v[3])
{
    const double x = M3(M, 0, 0) * v[0] + M3(M, 0, 1) * v[1] + M3(M, 0, 2) * v[2];
    const double y = M3(M, 1, 0) * v[0] + M3(M, 1, 1) * v[1] + M3(M, 1, 2) * v[2];
    const double z = M3(M, 2, 0) * v[0] + M3(M, 2, 1) * v[1] + M3(M, 2, 2) * v[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void mat_tmul_vec(double out[3], const double M[9], const double v[3])
{
    // row i of transpose(M) is column i of M, contiguous in storage
    const double x = M[0] * v[0] + M[1] * v[1] + M[2] * v[2];
    const double y = M[3] * v[0] + M[4] * v[1] + M[5] * v[2];
    const double z = M[6] * v[0] + M[7] * v[1] + M[8] * v[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void mat_mul(double out[9], const double A[9], const double B[9])
{
    double t[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            M3(t, i, j) = M3(A, i, 0) * M3(B, 0, j) + M3(A, i, 1) * M3(B, 1, j)
                        + M3(A, i, 2) * M3(B, 2, j);
    mat_copy(out, t);
}

void mat_mul_t(double out[9], const double A[9], const double B[9])
{
    double t[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            M3(t, i, j) = M3(A, i, 0) * M3(B, j, 0) + M3(A, i, 1) * M3(B, j, 1)
                        + M3(A, i, 2) * M3(B, j, 2);
    mat_copy(out, t);
}

double* mat_skew(double out[9], const double v[3])
{
    M3(out, 0, 0) = 0.0;   M3(out, 0, 1) = -v[2]; M3(out, 0, 2) = v[1];
    M3(out, 1, 0) = v[2];  M3(out, 1, 1) = 0.0;   M3(out, 1, 2) = -v[0];
    M3(out, 2, 0) = -v[1]; M3(out, 2, 1) = v[0];  M3(out, 2, 2) = 0.0;
    return out;
}

void mat_skew_sq(double out[9], const double v[3])
{
    const double x = v[0], y = v[1], z = v[2];
    M3(out, 0, 0) = -(y * y + z * z);
    M3(out, 1, 1) = -(z * z + x * x);
    M3(out, 2, 2) = -(x * x + y * y);
    M3(out, 0, 1) = M3(out, 1, 0) = x * y;
    M3(out, 0, 2) = M3(out, 2, 0) = x * z;
    M3(out, 1, 2) = M3(out, 2, 1) = y * z;
}

void mat_skew_mul(double out[9], const double a[3], const double B[9])
{
    double t[9];
    for (int j = 0; j < 3; ++j)
        vec_cross(t + 3 * j, a, B + 3 * j);
    mat_copy(out, t);
}

void mat_mul_skew_t(double out[9], const double A[9], const double b[3])
{
    // A*[b]x^T = -A*[b]x; row i of the result is b x (row i of A)
    double t[9];
    for (int i = 0; i < 3; ++i) {
        const double r0 = M3(A, i, 0), r1 = M3(A, i, 1), r2 = M3(A, i, 2);
        M3(t, i, 0) = b[1] * r2 - b[2] * r1;
        M3(t, i, 1) = b[2] * r0 - b[0] * r2;
        M3(t, i, 2) = b[0] * r1 - b[1] * r0;
    }
    mat_copy(out, t);
}

// ---- frames ----------------------------------------------------------------

void frame_copy(double out[12], const double F[12])
{
    for (int k = 0; k < 12; ++k)
        out[k] = F[k];
}

double* frame_compose(double out[12], const double F1[12], const double F2[12])
{
    // the origin needs F1.R before out.R overwrites it when out is F1
    double o[3];
    mat_mul_vec(o, frame_rot(F1), frame_origin(F2));
    vec_add(o, o, frame_origin(F1));
    mat_mul(frame_rot(out), frame_rot(F1), frame_rot(F2));
    vec_copy(frame_origin(out), o);
    return out;
}

double* frame_apply(double out[3], const double F[12], const double p[3])
{
    double q[3];
    mat_mul_vec(q, frame_rot(F), p);
    vec_add(out, frame_origin(F), q);
    return out;
}

// ---- rotations -------------------------------------------------------------

double* rot_zxy(double out[9], const double angles[3])
{
    const double ca = std::cos(angles[0]), sa = std::sin(angles[0]);
    const double cb = std::cos(angles[1]), sb = std::sin(angles[1]);
    const double cc = std::cos(angles[2]), sc = std::sin(angles[2]);
    M3(out, 0, 0) = ca * cc - sa * sb * sc;
    M3(out, 0, 1) = -sa * cb;
    M3(out, 0, 2) = ca * sc + sa * sb * cc;
    M3(out, 1, 0) = sa * cc + ca * sb * sc;
    M3(out, 1, 1) = ca * cb;
    M3(out, 1, 2) = sa * sc - ca * sb * cc;
    M3(out, 2, 0) = -cb * sc;
    M3(out, 2, 1) = sb;
    M3(out, 2, 2) = cb * cc;
    return out;
}

double* rot_zyx(double out[9], const double angles[3])
{
    const double ca = std::cos(angles[0]), sa = std::sin(angles[0]);
    const double cb = std::cos(angles[1]), sb = std::sin(angles[1]);
    const double cc = std::cos(angles[2]), sc = std::sin(angles[2]);
    M3(out, 0, 0) = ca * cb;
    M3(out, 0, 1) = ca * sb * sc - sa * cc;
    M3(out, 0, 2) = ca * sb * cc + sa * sc;
    M3(out, 1, 0) = sa * cb;
    M3(out, 1, 1) = sa * sb * sc + ca * cc;
    M3(out, 1, 2) = sa * sb * cc - ca * sc;
    M3(out, 2, 0) = -sb;
    M3(out, 2, 1) = cb * sc;
    M3(out, 2, 2) = cb * cc;
    return out;
}

// elementary rotation about x (k = 1), y (k = 2) or z (k = 3)
static void elementary(double out[9], int k, double angle)
{
    const double c = std::cos(angle), s = std::sin(angle);
    const int p = k % 3;        // the two axes turned, in cyclic order
    const int q = (k + 1) % 3;
    const int a = k - 1;        // the fixed axis
    for (int m = 0; m < 9; ++m)
        out[m] = 0.0;
    M3(out, a, a) = 1.0;
    M3(out, p, p) = c;
    M3(out, q, q) = c;
    M3(out, q, p) = s;
    M3(out, p, q) = -s;
}

void rot_axis(double out[9], double angle, int k, const double u[3])
{
    if (k >= 1 && k <= 3)
        elementary(out, k, angle);
    else
        rot_axis_angle(out, u, angle);
}

void rot_axis_index(double out[9], int k, double angle)
{
    if (k >= 1 && k <= 3)
        elementary(out, k, angle);
}

void rot_axis_angle(double out[9], const double u[3], double angle)
{
    const double x = u[0], y = u[1], z = u[2];
    const double c = std::cos(angle), s = std::sin(angle);
    const double k = 1.0 - c;
    M3(out, 0, 0) = x * x * k + c;
    M3(out, 1, 1) = y * y * k + c;
    M3(out, 2, 2) = z * z * k + c;
    M3(out, 1, 0) = x * y * k + z * s;
    M3(out, 0, 1) = x * y * k - z * s;
    M3(out, 0, 2) = x * z * k + y * s;
    M3(out, 2, 0) = x * z * k - y * s;
    M3(out, 2, 1) = y * z * k + x * s;
    M3(out, 1, 2) = y * z * k - x * s;
}

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
