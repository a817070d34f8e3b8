// Fixed-size double-precision linear algebra for the rover model.
//
// Vec3  — three doubles (x, y, z).
// Mat3  — nine doubles stored by columns: element (row i, column j) at i + 3*j.
// Frame — twelve doubles: origin (Vec3) then orientation (Mat3); maps local
//         coordinates to the parent's: p_parent = origin + R * p_local.
// General n x n matrices (solver, block printer) are stored by rows.
//
// Every routine writes into caller storage and allocates nothing. Outputs come
// first and may not alias an input unless stated. The small operations are
// defined here, inline, so that the model's inner loops compile them in
// place; the solver and the print-outs are in vecmat.cpp.
#ifndef KADMER_NUMERIC_VECMAT_H
#define KADMER_NUMERIC_VECMAT_H

#include <cmath>
#include <cstdio>

typedef double Vec3[3];
typedef double Mat3[9];
typedef double Frame[12];

// origin and orientation of a frame
inline double* frame_origin(double* f) { return f; }
inline const double* frame_origin(const double* f) { return f; }
inline double* frame_rot(double* f) { return f + 3; }
inline const double* frame_rot(const double* f) { return f + 3; }

// ---- vectors ---------------------------------------------------------------
// (element-wise routines may write over either input: each component is read
// before it is written)

// out = (0, 0, 0)
inline void vec_zero(double out[3])
{
    out[0] = 0.0;
    out[1] = 0.0;
    out[2] = 0.0;
}

// out = (x, y, z)
inline void vec_set(double out[3], double x, double y, double z)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

// out = v
inline void vec_copy(double out[3], const double v[3])
{
    out[0] = v[0];
    out[1] = v[1];
    out[2] = v[2];
}

// out = s*v; returns out
inline double* vec_scale(double out[3], double s, const double v[3])
{
    out[0] = s * v[0];
    out[1] = s * v[1];
    out[2] = s * v[2];
    return out;
}

// returns a.b
inline double vec_dot(const double a[3], const double b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// out = a - b
inline void vec_sub(double out[3], const double a[3], const double b[3])
{
    out[0] = a[0] - b[0];
    out[1] = a[1] - b[1];
    out[2] = a[2] - b[2];
}

// out = a + b
inline void vec_add(double out[3], const double a[3], const double b[3])
{
    out[0] = a[0] + b[0];
    out[1] = a[1] + b[1];
    out[2] = a[2] + b[2];
}

// out = a + s*b (out may be a)
inline void vec_axpy(double out[3], const double a[3], double s, const double b[3])
{
    out[0] = a[0] + s * b[0];
    out[1] = a[1] + s * b[1];
    out[2] = a[2] + s * b[2];
}

// out = a x b (out may be a or b)
inline void vec_cross(double out[3], const double a[3], const double b[3])
{
    // through locals so that a caller passing out == a or b still gets a x b
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

// out += a x b (out may not be a or b)
inline void vec_add_cross(double out[3], const double a[3], const double b[3])
{
    out[0] += a[1] * b[2] - a[2] * b[1];
    out[1] += a[2] * b[0] - a[0] * b[2];
    out[2] += a[0] * b[1] - a[1] * b[0];
}

// returns |v|
inline double vec_norm(const double v[3])
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// out = v/|v| and returns |v|; a zero vector gives out = (1, 0, 0) and 0
inline double vec_normalize(double out[3], const double v[3])
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

// out = M; returns out
inline double* mat_copy(double out[9], const double M[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = M[k];
    return out;
}

// out = s*M; returns out
inline double* mat_scale(double out[9], double s, const double M[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = s * M[k];
    return out;
}

// out = A + B
inline void mat_add(double out[9], const double A[9], const double B[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = A[k] + B[k];
}

// out = A + s*B (out may be A)
inline void mat_axpy(double out[9], const double A[9], double s, const double B[9])
{
    for (int k = 0; k < 9; ++k)
        out[k] = A[k] + s * B[k];
}

// out = M*v (out may be v)
inline void mat_mul_vec(double out[3], const double M[9], const double v[3])
{
    const double x = M[0] * v[0] + M[3] * v[1] + M[6] * v[2];
    const double y = M[1] * v[0] + M[4] * v[1] + M[7] * v[2];
    const double z = M[2] * v[0] + M[5] * v[1] + M[8] * v[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

// out = transpose(M)*v (out may be v)
inline void mat_tmul_vec(double out[3], const double M[9], const double v[3])
{
    // row i of transpose(M) is column i of M, contiguous in storage
    const double x = M[0] * v[0] + M[1] * v[1] + M[2] * v[2];
    const double y = M[3] * v[0] + M[4] * v[1] + M[5] * v[2];
    const double z = M[6] * v[0] + M[7] * v[1] + M[8] * v[2];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

// out = A*B (out may alias A or B)
inline void mat_mul(double out[9], const double A[9], const double B[9])
{
    double t[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            t[i + 3 * j] = A[i] * B[3 * j] + A[i + 3] * B[1 + 3 * j] + A[i + 6] * B[2 + 3 * j];
    mat_copy(out, t);
}

// out = A*transpose(B) (out may alias A or B)
inline void mat_mul_t(double out[9], const double A[9], const double B[9])
{
    double t[9];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            t[i + 3 * j] = A[i] * B[j] + A[i + 3] * B[j + 3] + A[i + 6] * B[j + 6];
    mat_copy(out, t);
}

// out = [v]x, so that [v]x*w = v x w; returns out
inline double* mat_skew(double out[9], const double v[3])
{
    out[0] = 0.0;   out[3] = -v[2]; out[6] = v[1];
    out[1] = v[2];  out[4] = 0.0;   out[7] = -v[0];
    out[2] = -v[1]; out[5] = v[0];  out[8] = 0.0;
    return out;
}

// out = [v]x*[v]x = v*vT - (v.v)*I
inline void mat_skew_sq(double out[9], const double v[3])
{
    const double x = v[0], y = v[1], z = v[2];
    out[0] = -(y * y + z * z);
    out[4] = -(z * z + x * x);
    out[8] = -(x * x + y * y);
    out[3] = out[1] = x * y;
    out[6] = out[2] = x * z;
    out[7] = out[5] = y * z;
}

// out = [a]x*B, column by column (out may alias B)
inline void mat_skew_mul(double out[9], const double a[3], const double B[9])
{
    double t[9];
    for (int j = 0; j < 3; ++j)
        vec_cross(t + 3 * j, a, B + 3 * j);
    mat_copy(out, t);
}

// out = A*transpose([b]x) = -A*[b]x (out may alias A)
inline void mat_mul_skew_t(double out[9], const double A[9], const double b[3])
{
    // row i of the result is b x (row i of A)
    double t[9];
    for (int i = 0; i < 3; ++i) {
        const double r0 = A[i], r1 = A[i + 3], r2 = A[i + 6];
        t[i] = b[1] * r2 - b[2] * r1;
        t[i + 3] = b[2] * r0 - b[0] * r2;
        t[i + 6] = b[0] * r1 - b[1] * r0;
    }
    mat_copy(out, t);
}

// out = Q*diag(d)*transpose(Q), both triangles: a tensor given in principal
// axes Q, turned into the axes Q is expressed in
inline void mat_rotate_diag(double out[9], const double Q[9], const double d[3])
{
    // row i of Q*diag(d), formed once for the three entries it meets
    const double a0 = Q[0] * d[0], a1 = Q[3] * d[1], a2 = Q[6] * d[2];
    const double b0 = Q[1] * d[0], b1 = Q[4] * d[1], b2 = Q[7] * d[2];
    const double c0 = Q[2] * d[0], c1 = Q[5] * d[1], c2 = Q[8] * d[2];
    out[0] = a0 * Q[0] + a1 * Q[3] + a2 * Q[6];
    out[4] = b0 * Q[1] + b1 * Q[4] + b2 * Q[7];
    out[8] = c0 * Q[2] + c1 * Q[5] + c2 * Q[8];
    out[3] = out[1] = a0 * Q[1] + a1 * Q[4] + a2 * Q[7];
    out[6] = out[2] = a0 * Q[2] + a1 * Q[5] + a2 * Q[8];
    out[7] = out[5] = b0 * Q[2] + b1 * Q[5] + b2 * Q[8];
}

// J += I + m*(|g|^2*Id - g*gT): the symmetric inertia tensor I of a mass m
// about its centre, moved to a point from which the centre lies at g (J stays
// symmetric: each pair of off-diagonal entries is formed once)
inline void mat_add_inertia_at(double J[9], const double I[9], double m, const double g[3])
{
    const double g2 = vec_dot(g, g);
    J[0] += I[0] + m * (g2 - g[0] * g[0]);
    J[4] += I[4] + m * (g2 - g[1] * g[1]);
    J[8] += I[8] + m * (g2 - g[2] * g[2]);
    J[3] = J[1] += I[1] + m * (0.0 - g[0] * g[1]);
    J[6] = J[2] += I[2] + m * (0.0 - g[0] * g[2]);
    J[7] = J[5] += I[5] + m * (0.0 - g[1] * g[2]);
}

// ---- frames ----------------------------------------------------------------

// out = F
inline void frame_copy(double out[12], const double F[12])
{
    for (int k = 0; k < 12; ++k)
        out[k] = F[k];
}

// out = F1*F2 (F2 expressed in F1, out in F1's parent; out may be F1 or F2);
// returns out
inline double* frame_compose(double out[12], const double F1[12], const double F2[12])
{
    // the origin needs F1.R before out.R overwrites it when out is F1
    double o[3];
    mat_mul_vec(o, frame_rot(F1), frame_origin(F2));
    vec_add(o, o, frame_origin(F1));
    mat_mul(frame_rot(out), frame_rot(F1), frame_rot(F2));
    vec_copy(frame_origin(out), o);
    return out;
}

// out = F.origin + F.R*p; returns out
inline double* frame_apply(double out[3], const double F[12], const double p[3])
{
    double q[3];
    mat_mul_vec(q, frame_rot(F), p);
    vec_add(out, frame_origin(F), q);
    return out;
}

// out = F1*F2 for F2 with origin o and the rotation about axis k = 1, 2, 3
// (x, y, z) whose angle has cosine c and sine s: the product touches only the
// two columns the rotation turns (out must not be F1)
inline void frame_compose_elementary(double out[12], const double F1[12], const double o[3],
                                     int k, double c, double s)
{
    frame_apply(frame_origin(out), F1, o);
    const double* A = frame_rot(F1);
    double* R = frame_rot(out);
    const int a = k - 1, p = k % 3, q = (k + 1) % 3;  // fixed axis, then the turned two
    for (int i = 0; i < 3; ++i) {
        const double ap = A[i + 3 * p], aq = A[i + 3 * q];
        R[i + 3 * a] = A[i + 3 * a];
        R[i + 3 * p] = ap * c + aq * s;
        R[i + 3 * q] = aq * c - ap * s;
    }
}

// ---- rotations (radians, right-handed) -------------------------------------

// out = Rz(a)*Rx(b)*Ry(c) for angles = (a, b, c); returns out
inline double* rot_zxy(double out[9], const double angles[3])
{
    const double ca = std::cos(angles[0]), sa = std::sin(angles[0]);
    const double cb = std::cos(angles[1]), sb = std::sin(angles[1]);
    const double cc = std::cos(angles[2]), sc = std::sin(angles[2]);
    out[0] = ca * cc - sa * sb * sc;
    out[3] = -sa * cb;
    out[6] = ca * sc + sa * sb * cc;
    out[1] = sa * cc + ca * sb * sc;
    out[4] = ca * cb;
    out[7] = sa * sc - ca * sb * cc;
    out[2] = -cb * sc;
    out[5] = sb;
    out[8] = cb * cc;
    return out;
}

// out = Rz(a)*Ry(b)*Rx(c) for angles = (a, b, c); returns out
inline double* rot_zyx(double out[9], const double angles[3])
{
    const double ca = std::cos(angles[0]), sa = std::sin(angles[0]);
    const double cb = std::cos(angles[1]), sb = std::sin(angles[1]);
    const double cc = std::cos(angles[2]), sc = std::sin(angles[2]);
    out[0] = ca * cb;
    out[3] = ca * sb * sc - sa * cc;
    out[6] = ca * sb * cc + sa * sc;
    out[1] = sa * cb;
    out[4] = sa * sb * sc + ca * cc;
    out[7] = sa * sb * cc - ca * sc;
    out[2] = -sb;
    out[5] = cb * sc;
    out[8] = cb * cc;
    return out;
}

// k = 1, 2, 3: rotation about x, y, z whose angle has cosine c and sine s
inline void rot_elementary(double out[9], int k, double c, double s)
{
    const int p = k % 3;        // the two axes turned, in cyclic order
    const int q = (k + 1) % 3;
    const int a = k - 1;        // the fixed axis
    for (int m = 0; m < 9; ++m)
        out[m] = 0.0;
    out[a + 3 * a] = 1.0;
    out[p + 3 * p] = c;
    out[q + 3 * q] = c;
    out[q + 3 * p] = s;
    out[p + 3 * q] = -s;
}

// rotation about the unit vector u (not normalised here) whose angle has
// cosine c and sine s
inline void rot_axis_cs(double out[9], const double u[3], double c, double s)
{
    const double x = u[0], y = u[1], z = u[2];
    const double k = 1.0 - c;
    out[0] = x * x * k + c;
    out[4] = y * y * k + c;
    out[8] = z * z * k + c;
    out[1] = x * y * k + z * s;
    out[3] = x * y * k - z * s;
    out[6] = x * z * k + y * s;
    out[2] = x * z * k - y * s;
    out[5] = y * z * k + x * s;
    out[7] = y * z * k - x * s;
}

// rotation by angle about the unit vector u (not normalised here)
inline void rot_axis_angle(double out[9], const double u[3], double angle)
{
    rot_axis_cs(out, u, std::cos(angle), std::sin(angle));
}

// k = 1, 2, 3: rotation about x, y, z (u ignored); other k: about unit vector u
inline void rot_axis(double out[9], double angle, int k, const double u[3])
{
    const double c = std::cos(angle), s = std::sin(angle);
    if (k >= 1 && k <= 3)
        rot_elementary(out, k, c, s);
    else
        rot_axis_cs(out, u, c, s);
}

// k = 1, 2, 3 as rot_axis; any other k leaves out untouched
inline void rot_axis_index(double out[9], int k, double angle)
{
    if (k >= 1 && k <= 3)
        rot_elementary(out, k, std::cos(angle), std::sin(angle));
}

// ---- root-free Cholesky ----------------------------------------------------

// factorises the n x n symmetric row-major A in place (d on the diagonal, L
// below) and solves A*x = b for m right-hand sides stored one after the other;
// returns the determinant, or 0 on a zero pivot (nothing solved)
double ldlt_solve(double* x, double* A, const double* b, int n, int m);

// the same for a matrix with the sparsity of a kinematic tree: off-diagonal
// entries (i, j), j < i, are zero unless j is an ancestor of i, parent[i]
// (< i, -1 for a root) giving each row's parent. Eliminates from the leaves
// up, A = transpose(L)*D*L, so that nothing fills in; reads and writes only
// the lower triangle's entries on those paths. One right-hand side; returns
// the determinant, or 0 on a zero pivot (nothing solved)
double ldlt_solve_tree(double* x, double* A, const double* b, int n, const int* parent);

// ---- print-outs (nothing is printed when the stream is null) ---------------

// rows r0..r1-1, columns c0..c1-1 of a row-major matrix of row stride `stride`
void print_block(FILE* f, const char* title, const double* M, int stride,
                 int r0, int r1, int c0, int c1);
// a frame: origin column then the orientation rows
void print_frame(FILE* f, const char* title, const double F[12]);
// a Mat3, row by row
void print_mat3(FILE* f, const char* title, const double M[9]);
// a column-major rows x cols matrix, row by row, broken every `group` elements
void print_matrix(FILE* f, const char* title, const double* M, int rows,
                  int cols, int group);
// label then the three components on one line
void print_vec3(FILE* f, const char* label, const double v[3]);

#endif
