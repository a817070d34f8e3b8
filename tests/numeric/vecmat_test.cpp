// Vectors, 3x3 matrices, frames, rotations, the LDLt solver and the print-outs.
#include "numeric/vecmat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "support/streams.h"

namespace {

const double kPi = 3.14159265358979323846;
// a handful of roundings on values of order 1
const double kTight = 16 * 2.2e-16;

double at(const double* M, int i, int j) { return M[i + 3 * j]; }

void expectMatNear(const double* A, const double* B, double tol)
{
    for (int k = 0; k < 9; ++k)
        EXPECT_NEAR(A[k], B[k], tol) << "row " << k % 3 << " column " << k / 3;
}

// plain triple-loop product of column-major matrices, the reference
void refMul(double* out, const double* A, const double* B)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double s = 0;
            for (int k = 0; k < 3; ++k)
                s += at(A, i, k) * at(B, k, j);
            out[i + 3 * j] = s;
        }
}

void transpose(double* out, const double* M)
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[i + 3 * j] = at(M, j, i);
}

double det3(const double* M)
{
    return at(M, 0, 0) * (at(M, 1, 1) * at(M, 2, 2) - at(M, 1, 2) * at(M, 2, 1))
         - at(M, 0, 1) * (at(M, 1, 0) * at(M, 2, 2) - at(M, 1, 2) * at(M, 2, 0))
         + at(M, 0, 2) * (at(M, 1, 0) * at(M, 2, 1) - at(M, 1, 1) * at(M, 2, 0));
}

void expectRotation(const double* R)
{
    double Rt[9], P[9];
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    transpose(Rt, R);
    refMul(P, Rt, R);
    expectMatNear(P, I, kTight);
    EXPECT_NEAR(det3(R), 1.0, kTight);
}

void randomMat(std::mt19937& g, double* M, int count)
{
    std::uniform_real_distribution<double> u(-2.0, 2.0);
    for (int k = 0; k < count; ++k)
        M[k] = u(g);
}

} // namespace

// ---- vectors ---------------------------------------------------------------

TEST(Vectors, ElementwiseOperationsAndCrossProductFollowTheirFormulas)
{
    const double a[3] = {1, 2, 3}, b[3] = {-4, 0.5, 2};
    double out[3];
    vec_add(out, a, b);
    EXPECT_EQ(out[0], -3); EXPECT_EQ(out[1], 2.5); EXPECT_EQ(out[2], 5);
    vec_sub(out, a, b);
    EXPECT_EQ(out[0], 5); EXPECT_EQ(out[1], 1.5); EXPECT_EQ(out[2], 1);
    EXPECT_EQ(vec_scale(out, -2, a), out);
    EXPECT_EQ(out[2], -6);
    EXPECT_EQ(vec_dot(a, b), -4 + 1 + 6);
    vec_cross(out, a, b);
    EXPECT_EQ(out[0], 2 * 2 - 3 * 0.5);
    EXPECT_EQ(out[1], 3 * -4 - 1 * 2);
    EXPECT_EQ(out[2], 1 * 0.5 - 2 * -4);
    EXPECT_EQ(vec_dot(out, a), 0);
    EXPECT_EQ(vec_dot(out, b), 0);
    EXPECT_EQ(vec_norm(a), std::sqrt(14.0));
    double c[3];
    vec_copy(c, a);
    vec_axpy(c, c, 0.5, b);   // out may be a
    EXPECT_EQ(c[0], 1 - 2); EXPECT_EQ(c[1], 2 + 0.25); EXPECT_EQ(c[2], 3 + 1);
    vec_zero(c);
    EXPECT_EQ(c[0], 0); EXPECT_EQ(c[1], 0); EXPECT_EQ(c[2], 0);
    vec_set(c, 1, -1, 2);
    vec_add_cross(c, a, b);   // c += a x b
    EXPECT_EQ(c[0], 1 + 2 * 2 - 3 * 0.5);
    EXPECT_EQ(c[1], -1 + 3 * -4 - 1 * 2);
    EXPECT_EQ(c[2], 2 + 1 * 0.5 - 2 * -4);
}

TEST(Vectors, NormalizeGivesUnitVectorAndFallsBackOnXForZero)
{
    const double v[3] = {3, 0, -4};
    double u[3];
    EXPECT_EQ(vec_normalize(u, v), 5.0);
    EXPECT_EQ(u[0], 0.6); EXPECT_EQ(u[1], 0.0); EXPECT_EQ(u[2], -0.8);

    const double zero[3] = {0, 0, -0.0};
    double w[3] = {7, 7, 7};
    EXPECT_EQ(vec_normalize(w, zero), 0.0);
    EXPECT_EQ(w[0], 1.0); EXPECT_EQ(w[1], 0.0); EXPECT_EQ(w[2], 0.0);

    // a small vector is still normalised; one whose squared norm underflows
    // counts as zero and must not turn into NaN
    const double small[3] = {0, 1e-100, 0};
    EXPECT_EQ(vec_normalize(w, small), 1e-100);
    EXPECT_EQ(w[1], 1.0);
    const double tiny[3] = {0, 1e-300, 0};
    EXPECT_EQ(vec_normalize(w, tiny), 0.0);
    EXPECT_EQ(w[0], 1.0); EXPECT_EQ(w[1], 0.0); EXPECT_EQ(w[2], 0.0);
}

// ---- 3x3 matrices ----------------------------------------------------------

TEST(Matrices, StorageIsByColumns)
{
    // M = [[1,2,3],[4,5,6],[7,8,9]] stored column after column
    const double M[9] = {1, 4, 7, 2, 5, 8, 3, 6, 9};
    const double v[3] = {1, 10, 100};
    double out[3];
    mat_mul_vec(out, M, v);
    EXPECT_EQ(out[0], 321); EXPECT_EQ(out[1], 654); EXPECT_EQ(out[2], 987);
    mat_tmul_vec(out, M, v);
    EXPECT_EQ(out[0], 741); EXPECT_EQ(out[1], 852); EXPECT_EQ(out[2], 963);
}

TEST(Matrices, ProductsAreRightWhenOutputAliasesEitherOperand)
{
    std::mt19937 g(2);
    for (int trial = 0; trial < 20; ++trial) {
        double A[9], B[9], Bt[9], ref[9], reft[9], out[9];
        randomMat(g, A, 9);
        randomMat(g, B, 9);
        refMul(ref, A, B);
        transpose(Bt, B);
        refMul(reft, A, Bt);

        // the output apart, then as the left operand, then as the right one
        const struct {
            void (*product)(double*, const double*, const double*);
            const double* expected;
        } products[] = {{mat_mul, ref}, {mat_mul_t, reft}};
        for (const auto& p : products) {
            p.product(out, A, B);
            expectMatNear(out, p.expected, kTight);
            mat_copy(out, A);
            p.product(out, out, B);
            expectMatNear(out, p.expected, kTight);
            mat_copy(out, B);
            p.product(out, A, out);
            expectMatNear(out, p.expected, kTight);
        }

        // squaring in place: both operands are the output
        double AA[9];
        refMul(AA, A, A);
        mat_copy(out, A);
        mat_mul(out, out, out);
        expectMatNear(out, AA, kTight);
    }
}

TEST(Matrices, SkewMatricesAgreeWithCrossProducts)
{
    std::mt19937 g(3);
    for (int trial = 0; trial < 20; ++trial) {
        double v[3], w[3], B[9], A[9];
        randomMat(g, v, 3);
        randomMat(g, w, 3);
        randomMat(g, B, 9);
        randomMat(g, A, 9);

        double S[9], Sw[3], vxw[3];
        EXPECT_EQ(mat_skew(S, v), S);
        mat_mul_vec(Sw, S, w);
        vec_cross(vxw, v, w);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(Sw[k], vxw[k], kTight);
        EXPECT_EQ(at(S, 0, 1), -v[2]);
        EXPECT_EQ(at(S, 0, 2), v[1]);
        EXPECT_EQ(at(S, 1, 2), -v[0]);

        double SS[9], ref[9];
        mat_skew_sq(SS, v);
        refMul(ref, S, S);
        expectMatNear(SS, ref, kTight);

        double SB[9];
        mat_skew_mul(SB, v, B);
        refMul(ref, S, B);
        expectMatNear(SB, ref, kTight);

        double St[9], ASt[9];
        transpose(St, S);
        mat_mul_skew_t(ASt, A, v);
        refMul(ref, A, St);
        expectMatNear(ASt, ref, kTight);
    }
}

// a principal tensor turned into other axes, and moved from the centre of
// mass to another point, against the same tensors summed point by point
TEST(Matrices, InertiaTurnedAndMovedEqualsTheSumOverItsPointMasses)
{
    std::mt19937 g(5);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int trial = 0; trial < 10; ++trial) {
        // four masses of 0.25 at +-a e1 and +-b e2 of a frame Q about c
        const double ang[3] = {u(g), u(g), u(g)}, a = 0.5 + u(g) * u(g), b = 0.3;
        double Q[9], c[3] = {u(g), u(g), u(g)};
        rot_zxy(Q, ang);
        const double d[3] = {0.5 * b * b, 0.5 * a * a, 0.5 * (a * a + b * b)};  // in Q's axes
        double J[9] = {0}, I[9], ref[9] = {0};
        mat_rotate_diag(I, Q, d);
        mat_add_inertia_at(J, I, 1.0, c);
        for (int p = 0; p < 4; ++p) {
            double r[3];
            vec_axpy(r, c, (p % 2 ? -1.0 : 1.0) * (p < 2 ? a : b), Q + 3 * (p < 2 ? 0 : 1));
            double rr[9];
            mat_skew_sq(rr, r);   // r rT - |r|^2 Id
            mat_axpy(ref, ref, -0.25, rr);
        }
        expectMatNear(J, ref, 1e-14);
    }
}

// ---- frames ----------------------------------------------------------------

TEST(Frames, ComposingThenApplyingEqualsApplyingInTurn)
{
    std::mt19937 g(4);
    double F1[12], F2[12], p[3];
    randomMat(g, F1, 3);
    randomMat(g, F2, 3);
    randomMat(g, p, 3);
    const double a1[3] = {0.3, -1.1, 2.0}, a2[3] = {-0.7, 0.4, 0.9};
    rot_zyx(frame_rot(F1), a1);
    rot_zyx(frame_rot(F2), a2);

    double F[12], direct[3], inF1[3], inTurn[3];
    EXPECT_EQ(frame_compose(F, F1, F2), F);
    EXPECT_EQ(frame_apply(direct, F, p), direct);
    frame_apply(inF1, F2, p);
    frame_apply(inTurn, F1, inF1);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(direct[k], inTurn[k], kTight);

    // composing into either operand gives the same frame
    double G[12];
    frame_copy(G, F1);
    frame_compose(G, G, F2);
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(G[k], F[k], kTight);
    frame_copy(G, F2);
    frame_compose(G, F1, G);
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(G[k], F[k], kTight);
}

// ---- rotations -------------------------------------------------------------

TEST(Rotations, ElementaryRotationsAreRightHanded)
{
    const double a = 0.4, c = std::cos(a), s = std::sin(a);
    const double Rx[9] = {1, 0, 0, 0, c, s, 0, -s, c};
    const double Ry[9] = {c, 0, -s, 0, 1, 0, s, 0, c};
    const double Rz[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
    const double* expected[3] = {Rx, Ry, Rz};
    const double ignored[3] = {0.6, 0.8, 0};
    for (int k = 1; k <= 3; ++k) {
        double R[9];
        rot_axis(R, a, k, ignored);
        expectMatNear(R, expected[k - 1], 0);
        rot_axis_index(R, k, a);
        expectMatNear(R, expected[k - 1], 0);
    }
    // a quarter turn about z maps x onto y
    double R[9], v[3];
    const double ex[3] = {1, 0, 0};
    rot_axis_index(R, 3, kPi / 2);
    mat_mul_vec(v, R, ex);
    EXPECT_NEAR(v[0], 0, kTight); EXPECT_NEAR(v[1], 1, kTight);
}

TEST(Rotations, ComposedBuildersEqualProductsOfElementaryRotations)
{
    std::mt19937 g(5);
    std::uniform_real_distribution<double> ang(-kPi, kPi);
    for (int trial = 0; trial < 20; ++trial) {
        const double angles[3] = {ang(g), ang(g), ang(g)};
        double Rx[9], Ry[9], Rz[9], P[9], Q[9], R[9];
        rot_axis_index(Rz, 3, angles[0]);

        rot_axis_index(Rx, 1, angles[1]);
        rot_axis_index(Ry, 2, angles[2]);
        refMul(P, Rz, Rx);
        refMul(Q, P, Ry);
        EXPECT_EQ(rot_zxy(R, angles), R);
        expectMatNear(R, Q, kTight);
        expectRotation(R);

        rot_axis_index(Ry, 2, angles[1]);
        rot_axis_index(Rx, 1, angles[2]);
        refMul(P, Rz, Ry);
        refMul(Q, P, Rx);
        EXPECT_EQ(rot_zyx(R, angles), R);
        expectMatNear(R, Q, kTight);
        expectRotation(R);
    }
}

TEST(Rotations, ZyxOfZeroIsIdentityAndQuarterHeadingTurnsXOntoY)
{
    const double zero[3] = {0, 0, 0};
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double R[9];
    rot_zyx(R, zero);
    expectMatNear(R, I, 0);

    const double heading[3] = {kPi / 2, 0, 0};
    const double ex[3] = {1, 0, 0};
    double v[3];
    rot_zyx(R, heading);
    mat_mul_vec(v, R, ex);
    EXPECT_NEAR(v[0], 0, kTight);
    EXPECT_NEAR(v[1], 1, kTight);
    EXPECT_NEAR(v[2], 0, kTight);
}

TEST(Rotations, RodriguesAboutUnitAxesMatchesElementaryRotations)
{
    const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (double a : {-2.5, -0.3, 0.0, 0.7, 3.0}) {
        for (int k = 1; k <= 3; ++k) {
            double E[9], R[9];
            rot_axis_index(E, k, a);
            rot_axis_angle(R, axes[k - 1], a);
            expectMatNear(R, E, kTight);
            // from a cosine and sine computed once: the very same numbers
            double C[9];
            rot_elementary(C, k, std::cos(a), std::sin(a));
            for (int m = 0; m < 9; ++m) EXPECT_EQ(C[m], E[m]);
            rot_axis_cs(C, axes[k - 1], std::cos(a), std::sin(a));
            for (int m = 0; m < 9; ++m) EXPECT_EQ(C[m], R[m]);
            // any index other than 1..3 makes rot_axis use the vector
            rot_axis(R, a, 0, axes[k - 1]);
            expectMatNear(R, E, kTight);
            rot_axis(R, a, 4, axes[k - 1]);
            expectMatNear(R, E, kTight);
        }
    }
}

TEST(Rotations, RodriguesIsARotationFixingItsAxis)
{
    double u[3] = {1, -2, 2};
    vec_normalize(u, u);
    double R[9], Ru[3];
    rot_axis_angle(R, u, 1.3);
    expectRotation(R);
    mat_mul_vec(Ru, R, u);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(Ru[k], u[k], kTight);
    // the angle shows in the trace: 1 + 2 cos(angle)
    EXPECT_NEAR(R[0] + R[4] + R[8], 1 + 2 * std::cos(1.3), kTight);
}

TEST(Rotations, AxisIndexOutsideOneToThreeLeavesOutputUntouched)
{
    for (int k : {0, 4, -1}) {
        double R[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
        rot_axis_index(R, k, 0.5);
        for (int m = 0; m < 9; ++m) EXPECT_EQ(R[m], m + 1);
    }
}

// ---- root-free Cholesky ----------------------------------------------------

TEST(Ldlt, SolvesTwoByTwoAndReturnsDeterminant)
{
    double A[4] = {4, 99, 2, 3};   // upper element is junk: never read
    const double b[2] = {2, 1};
    double x[2];
    EXPECT_EQ(ldlt_solve(x, A, b, 2, 1), 8.0);
    EXPECT_EQ(x[0], 0.5);
    EXPECT_EQ(x[1], 0.0);
    // factors in place: d0 = 4, L10 = 0.5, d1 = 3 - 4 * 0.25
    EXPECT_EQ(A[0], 4); EXPECT_EQ(A[1], 99); EXPECT_EQ(A[2], 0.5); EXPECT_EQ(A[3], 2);
}

TEST(Ldlt, ZeroPivotReturnsZeroWithoutSolving)
{
    double A[4] = {0, 1, 1, 5};
    const double b[2] = {1, 1};
    double x[2] = {-7, -7};
    EXPECT_EQ(ldlt_solve(x, A, b, 2, 1), 0.0);
    EXPECT_EQ(x[0], -7); EXPECT_EQ(x[1], -7);

    // a later pivot exactly cancelling: [[1,1],[1,1]]
    double B[4] = {1, 1, 1, 1};
    EXPECT_EQ(ldlt_solve(x, B, b, 2, 1), 0.0);
    EXPECT_EQ(x[0], -7);
}

TEST(Ldlt, NegativePivotsAreAccepted)
{
    // symmetric indefinite: [[1,2],[2,1]], determinant -3
    double A[4] = {1, 2, 2, 1};
    const double b[2] = {3, 3};
    double x[2];
    EXPECT_EQ(ldlt_solve(x, A, b, 2, 1), -3.0);
    EXPECT_NEAR(x[0], 1, kTight);
    EXPECT_NEAR(x[1], 1, kTight);
}

TEST(Ldlt, EmptySystemHasDeterminantOneAndNoRightHandSideOnlyFactorises)
{
    EXPECT_EQ(ldlt_solve(nullptr, nullptr, nullptr, 0, 1), 1.0);
    EXPECT_EQ(ldlt_solve(nullptr, nullptr, nullptr, -3, 1), 1.0);
    double A[4] = {4, 0, 2, 3};
    EXPECT_EQ(ldlt_solve(nullptr, A, nullptr, 2, 0), 8.0);
    EXPECT_EQ(A[2], 0.5);
    EXPECT_EQ(A[3], 2);
}

TEST(Ldlt, RandomSymmetricPositiveSystemsSolveToSmallResidual)
{
    std::mt19937 g(6);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (int n = 1; n <= 15; ++n) {
        const int m = 3;
        // A = G*G^T + n*I, symmetric positive definite and well conditioned
        std::vector<double> G(n * n), A(n * n), F(n * n), b(n * m), x(n * m);
        for (double& v : G) v = u(g);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                double s = i == j ? n : 0.0;
                for (int k = 0; k < n; ++k) s += G[i * n + k] * G[j * n + k];
                A[i * n + j] = s;
            }
        for (double& v : b) v = u(g);
        // the upper triangle carries a marker that must survive unread
        F = A;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) F[i * n + j] = std::nan("");

        const double det = ldlt_solve(x.data(), F.data(), b.data(), n, m);
        EXPECT_GT(det, 0) << "n = " << n;
        ASSERT_TRUE(std::isfinite(det)) << "n = " << n;

        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                EXPECT_TRUE(std::isnan(F[i * n + j])) << "upper (" << i << "," << j << ")";

        // product of the diagonal of D is the determinant
        double prod = 1;
        for (int i = 0; i < n; ++i) prod *= F[i * n + i];
        EXPECT_EQ(det, prod);

        for (int r = 0; r < m; ++r)
            for (int i = 0; i < n; ++i) {
                double s = 0;
                for (int j = 0; j < n; ++j) s += A[i * n + j] * x[r * n + j];
                // entries of A are below 2n: residual within a few hundred ulps
                EXPECT_NEAR(s, b[r * n + i], 256 * 2.2e-16 * n) << "n = " << n;
            }
    }
}

// a matrix with the sparsity of a kinematic tree, made as transpose(L)*D*L
// from random factors of that shape, solved both ways
TEST(Ldlt, TreeSolveAgreesWithTheDenseSolveOnATreesSparsity)
{
    // the rover's 15 generalised velocities: the body's six in a chain, the
    // three traverses on the body, each wheel on its traverse; and a forest
    // of two trees
    const int rover[15] = {-1, 0, 1, 2, 3, 4, 5, 5, 5, 6, 7, 6, 7, 8, 8};
    const int forest[9] = {-1, -1, 0, 1, 2, 2, 0, 6, 3};
    std::mt19937 g(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (const auto& tree : {std::vector<int>(rover, rover + 15),
                             std::vector<int>(forest, forest + 9)}) {
        const int n = (int)tree.size();
        for (int trial = 0; trial < 10; ++trial) {
            std::vector<double> L(n * n, 0.0), H(n * n, 0.0), D(n), b(n);
            for (int i = 0; i < n; ++i) {
                L[i * n + i] = 1.0;
                D[i] = 1.5 + 0.5 * u(g);
                b[i] = u(g);
                for (int j = tree[i]; j >= 0; j = tree[j])
                    L[i * n + j] = 0.5 * u(g);
            }
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < n; ++j)
                    for (int k = 0; k < n; ++k)
                        H[i * n + j] += L[k * n + i] * D[k] * L[k * n + j];
            std::vector<double> A1 = H, A2 = H, x1(n), x2(n);
            const double det1 = ldlt_solve(x1.data(), A1.data(), b.data(), n, 1);
            const double det2 = ldlt_solve_tree(x2.data(), A2.data(), b.data(), n, tree.data());
            double detD = 1.0;
            for (double d : D)
                detD *= d;
            // a few hundred roundings either way
            EXPECT_NEAR(det2 / detD, 1.0, 1e-12);
            EXPECT_NEAR(det2 / det1, 1.0, 1e-12);
            double scale = 0.0;
            for (double v : x1)
                scale = std::fmax(scale, std::fabs(v));
            for (int i = 0; i < n; ++i)
                EXPECT_NEAR(x2[i], x1[i], 1e-12 * scale) << "n " << n << " row " << i;
        }
    }
    // a zero pivot stops it, as the dense solver
    double A[4] = {1.0, 0.0, 0.0, 0.0}, b[2] = {1.0, 1.0}, x[2] = {7.0, 7.0};
    const int chain[2] = {-1, 0};
    EXPECT_EQ(ldlt_solve_tree(x, A, b, 2, chain), 0.0);
    EXPECT_EQ(x[0], 7.0);
}

// ---- print-outs ------------------------------------------------------------

TEST(Printing, NullStreamPrintsNothingAndDoesNotCrash)
{
    const double F[12] = {0};
    print_block(nullptr, "t", F, 3, 0, 3, 0, 3);
    print_frame(nullptr, "t", F);
    print_mat3(nullptr, "t", F);
    print_matrix(nullptr, "t", F, 3, 3, 0);
    print_vec3(nullptr, "v", F);
}

TEST(Printing, Mat3AndVec3UseElevenWideThreeDigitGeneralFormat)
{
    const double M[9] = {1, 4, 7, 2, 5, 8, 3, 6, 1234567};
    EXPECT_EQ(printed([&](FILE* f) { print_mat3(f, "R", M); }),
              "R\n"
              "          1          2          3\n"
              "          4          5          6\n"
              "          7          8   1.23e+06\n");
    const double v[3] = {0.5, -1.0 / 3, 1e-9};
    EXPECT_EQ(printed([&](FILE* f) { print_vec3(f, "v =", v); }),
              "v =        0.5     -0.333      1e-09\n");
}

TEST(Printing, FramePutsOriginColumnBeforeOrientationRows)
{
    const double F[12] = {1.5, -20.25, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(printed([&](FILE* f) { print_frame(f, "Caisse", F); }),
              "Caisse\n"
              "     1.500 |           1          0          0\n"
              "   -20.250 |           0          1          0\n"
              "     0.000 |           0          0          1\n");
}

TEST(Printing, BlockPrintsSubRangeAndSkipsEmptyTitle)
{
    // 3 x 4 row-major
    const double M[12] = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 22, 23};
    EXPECT_EQ(printed([&](FILE* f) { print_block(f, "", M, 4, 1, 3, 2, 4); }),
              "         12         13\n"
              "         22         23\n");
    EXPECT_EQ(printed([&](FILE* f) { print_block(f, nullptr, M, 4, 0, 1, 0, 1); }),
              "          0\n");
    EXPECT_EQ(printed([&](FILE* f) { print_block(f, "M", M, 4, 2, 2, 0, 4); }), "M\n");
}

TEST(Printing, MatrixBreaksRowsAfterEveryGroupOfElements)
{
    // 2 x 7 column-major: element (i, j) = 10*i + j
    double M[14];
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 7; ++j) M[i + 2 * j] = 10 * i + j;
    EXPECT_EQ(printed([&](FILE* f) { print_matrix(f, "J", M, 2, 7, 0); }),
              "J\n"
              "          0          1          2          3          4          5          6\n"
              "         10         11         12         13         14         15         16\n");
    EXPECT_EQ(printed([&](FILE* f) { print_matrix(f, "J", M, 2, 7, 3); }),
              "J\n"
              "          0          1          2\n"
              "            3          4          5\n"
              "            6\n"
              "         10         11         12\n"
              "           13         14         15\n"
              "           16\n");
    // a row ending exactly on a group boundary gets no trailing break
    EXPECT_EQ(printed([&](FILE* f) { print_matrix(f, "J", M, 2, 6, 3); }),
              "J\n"
              "          0          1          2\n"
              "            3          4          5\n"
              "         10         11         12\n"
              "           13         14         15\n");
}

TEST(Printing, MissingTitleOrLabelIsOmitted)
{
    const double M[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    EXPECT_EQ(printed([&](FILE* f) { print_mat3(f, nullptr, M); }),
              "          1          0          0\n"
              "          0          1          0\n"
              "          0          0          1\n");
    EXPECT_EQ(printed([&](FILE* f) { print_vec3(f, nullptr, M); }),
              "          1          0          0\n");
}
