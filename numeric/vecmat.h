// Fixed-size double-precision linear algebra for the rover model.
//
// Vec3  — three doubles (x, y, z).
// Mat3  — nine doubles stored by columns: element (row i, column j) at i + 3*j.
// Frame — twelve doubles: origin (Vec3) then orientation (Mat3); maps local
//         coordinates to the parent's: p_parent = origin + R * p_local.
// General n x n matrices (solver, block printer) are stored by rows.
//
// Every routine writes into caller storage and allocates nothing. Outputs come
// first and may not alias an input unless stated.
#ifndef KADMER_NUMERIC_VECMAT_H
#define KADMER_NUMERIC_VECMAT_H

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

// out = (0, 0, 0)
void vec_zero(double out[3]);
// out = v
void vec_copy(double out[3], const double v[3]);
// out = s*v; returns out
double* vec_scale(double out[3], double s, const double v[3]);
// returns a.b
double vec_dot(const double a[3], const double b[3]);
// out = a - b
void vec_sub(double out[3], const double a[3], const double b[3]);
// out = a + b
void vec_add(double out[3], const double a[3], const double b[3]);
// out = a + s*b (out may be a)
void vec_axpy(double out[3], const double a[3], double s, const double b[3]);
// out = a x b
void vec_cross(double out[3], const double a[3], const double b[3]);
// returns |v|
double vec_norm(const double v[3]);
// out = v/|v| and returns |v|; a zero vector gives out = (1, 0, 0) and 0
double vec_normalize(double out[3], const double v[3]);

// ---- 3x3 matrices ----------------------------------------------------------

// out = M; returns out
double* mat_copy(double out[9], const double M[9]);
// out = s*M; returns out
double* mat_scale(double out[9], double s, const double M[9]);
// out = A + B
void mat_add(double out[9], const double A[9], const double B[9]);
// out = A + s*B (out may be A)
void mat_axpy(double out[9], const double A[9], double s, const double B[9]);
// out = M*v
void mat_mul_vec(double out[3], const double M[9], const double v[3]);
// out = transpose(M)*v
void mat_tmul_vec(double out[3], const double M[9], const double v[3]);
// out = A*B (out may alias A or B)
void mat_mul(double out[9], const double A[9], const double B[9]);
// out = A*transpose(B) (out may alias A or B)
void mat_mul_t(double out[9], const double A[9], const double B[9]);
// out = [v]x, so that [v]x*w = v x w; returns out
double* mat_skew(double out[9], const double v[3]);
// out = [v]x*[v]x = v*vT - (v.v)*I
void mat_skew_sq(double out[9], const double v[3]);
// out = [a]x*B, column by column
void mat_skew_mul(double out[9], const double a[3], const double B[9]);
// out = A*transpose([b]x) = -A*[b]x
void mat_mul_skew_t(double out[9], const double A[9], const double b[3]);

// ---- frames ----------------------------------------------------------------

// out = F
void frame_copy(double out[12], const double F[12]);
// out = F1*F2 (F2 expressed in F1, out in F1's parent); returns out
double* frame_compose(double out[12], const double F1[12], const double F2[12]);
// out = F.origin + F.R*p; returns out
double* frame_apply(double out[3], const double F[12], const double p[3]);

// ---- rotations (radians, right-handed) -------------------------------------

// out = Rz(a)*Rx(b)*Ry(c) for angles = (a, b, c); returns out
double* rot_zxy(double out[9], const double angles[3]);
// out = Rz(a)*Ry(b)*Rx(c) for angles = (a, b, c); returns out
double* rot_zyx(double out[9], const double angles[3]);
// k = 1, 2, 3: rotation about x, y, z (u ignored); other k: about unit vector u
void rot_axis(double out[9], double angle, int k, const double u[3]);
// k = 1, 2, 3 as rot_axis; any other k leaves out untouched
void rot_axis_index(double out[9], int k, double angle);
// rotation by angle about the unit vector u (not normalised here)
void rot_axis_angle(double out[9], const double u[3], double angle);

// ---- root-free Cholesky ----------------------------------------------------

// factorises the n x n symmetric row-major A in place (d on the diagonal, L
// below) and solves A*x = b for m right-hand sides stored one after the other;
// returns the determinant, or 0 on a zero pivot (nothing solved)
double ldlt_solve(double* x, double* A, const double* b, int n, int m);

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
