// Rover geometry set-up, four-bar legs, forward kinematics and placement.
#include "rover/confrover.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "terrain/mnt.h"

namespace {

const double kPi = 3.14159265358979323846;
const double kDeg = kPi / 180;
// a few dozen roundings on lengths of order 1 m
const double kTight = 1e-13;

struct Libere {
  void operator()(ConfRover* cr) const { free(cr); }
};
using ConfPtr = std::unique_ptr<ConfRover, Libere>;

ConfPtr nouveau(double v, double incl, int quadri) {
  return ConfPtr(new_confRover(v, incl, quadri));
}

const double* centreRoue(const ConfRover& cr, int c) {
  return frame_origin(cr.monde[c][J_ROUE]);
}

// signed gap of wheel c measured as the placement measures it, with the
// normal refreshed at the contact point
double ecartRoue(const ConfRover& cr, int c, const Mnt* mnt) {
  const double r = cr.rayonRoue;
  double n[3], p[3];
  vec_copy(n, cr.normale[c]);
  vec_axpy(p, centreRoue(cr, c), -r, n);
  if (!mnt) return centreRoue(cr, c)[2] - r;
  const double h = hauteur_mnt(mnt, p[0], p[1], n);
  return (p[2] - h) * n[2];
}

// ---- geometry set-up -------------------------------------------------------

TEST(Geometry, NominalRoverHasItsWheelsOnAFlatGroundAtZero) {
  ConfPtr cr = nouveau(1.0, 0.0, 0);
  ASSERT_TRUE(cr);
  EXPECT_DOUBLE_EQ(cr->pos[2], 0.445);
  const double y[NB_CHAINES] = {0.25, 0.25, -0.25, -0.25, -0.75, -0.75};
  for (int c = 0; c < NB_CHAINES; c++) {
    SCOPED_TRACE(nomChaine[c]);
    const double* w = centreRoue(*cr, c);
    EXPECT_NEAR(w[0], c % 2 == 0 ? -0.5 : 0.5, kTight);
    EXPECT_NEAR(w[1], y[c], kTight);
    EXPECT_NEAR(w[2], 0.15, kTight);
    EXPECT_EQ(cr->normale[c][0], 0);
    EXPECT_EQ(cr->normale[c][1], 0);
    EXPECT_EQ(cr->normale[c][2], 1);
  }
  EXPECT_DOUBLE_EQ(cr->rayonRoue, 0.15);
  EXPECT_DOUBLE_EQ(cr->largeurRoue, 0.12);
  EXPECT_DOUBLE_EQ(cr->margeEmpattement, 0.05);
}

// For every size, inclination and leg shape: the wheel centres lie at
// x = +-v/2 and the inclined steering axis meets the ground right under the
// wheel centre, so steering turns the wheel about its contact point.
TEST(Geometry, SteeringAxisMeetsTheGroundUnderTheWheelCentre) {
  for (double v : {1.0, 2.5}) {
    for (double incl : {0.0, 10 * kDeg, 25 * kDeg}) {
      for (int quadri : {0, 1}) {
        SCOPED_TRACE("v " + std::to_string(v) + " i " + std::to_string(incl) +
                     " quadri " + std::to_string(quadri));
        ConfPtr cr = nouveau(v, incl, quadri);
        ASSERT_TRUE(cr);
        for (int c = 0; c < NB_CHAINES; c++) {
          const double* w = centreRoue(*cr, c);
          EXPECT_NEAR(w[0], (c % 2 == 0 ? -0.5 : 0.5) * v, kTight * v);
          EXPECT_NEAR(w[2], 0.15 * v, kTight * v);
          // steering axis in the terrain frame, through the steering joint
          const double* f = cr->monde[c][J_STEERING];
          double u[3];
          mat_mul_vec(u, frame_rot(f), cr->axeVec[c][J_STEERING]);
          EXPECT_NEAR(vec_norm(u), 1, kTight);
          const double t = -frame_origin(f)[2] / u[2];  // down to z = 0
          double sol[3];
          vec_axpy(sol, frame_origin(f), t, u);
          EXPECT_NEAR(sol[0], w[0], kTight * v);
          EXPECT_NEAR(sol[1], w[1], kTight * v);
          // the axis leans inwards: going up it moves towards the body
          if (incl > 0) {
            EXPECT_LT(u[0] * w[0], 0.0);
          }
        }
      }
    }
  }
}

TEST(Geometry, InvalidSizesAreRefusedWithTheirMessage) {
  struct Cas {
    double v;
    const char* attendu;
  } cas[] = {
      {-1.0, "Caisse trop longue / empattement\n"},
      {-1e-3, "Caisse trop longue / empattement\n"},
      // a rover of zero size has no linkage to close
      {0.0, "Donnees quadrilatere incoherentes"},
      {NAN, "Donnees quadrilatere incoherentes"},
  };
  for (const Cas& k : cas) {
    SCOPED_TRACE(k.v);
    ConfRover cr = {};
    const char* msg = geodir_rover(&cr, k.v, 0.0, 1);
    ASSERT_NE(msg, nullptr);
    EXPECT_STREQ(msg, k.attendu);

    testing::internal::CaptureStderr();
    ConfPtr p = nouveau(k.v, 0.0, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(p);
    EXPECT_EQ(err, std::string("Message de geodir_rover recu par new_confRover : ") +
                       k.attendu + "\n");
  }
}

// the inclination limit is where the geometry stops closing, whatever the
// size and the linkage; 45, 60 and 89 degrees lie beyond it
TEST(Geometry, InclinationLimitIsWhereTheLegsStopClosing) {
  const double lim = inclinaison_max();
  EXPECT_NEAR(lim / kDeg, 44.676, 0.001);
  for (double v : {0.01, 1.0, 7.5})
    for (int quadri : {0, 1}) {
      SCOPED_TRACE(v * 10 + quadri);
      ConfPtr ok = nouveau(v, lim * (1 - 1e-9), quadri);
      EXPECT_TRUE(ok);
      for (double incl : {lim * (1 + 1e-6), 45 * kDeg, 60 * kDeg, 89 * kDeg}) {
        ConfRover cr = {};
        EXPECT_STREQ(geodir_rover(&cr, v, incl, quadri),
                     "Donnees quadrilatere incoherentes");
      }
    }
}

// ---- four-bar legs ---------------------------------------------------------

TEST(FourBar, RatioIsMinusTheDerivativeOfTheOutputAngle) {
  struct Forme {
    double a, b, c, d;
  };
  const double L = 0.19;
  const double a = L * sqrt(0.01 + 0.0625);
  const Forme formes[] = {{a, L, 0.25 * L, 0.9 * L}, {a, L, a, L}};
  const double eps = 1e-6;
  for (const Forme& f : formes) {
    for (double theta = 0.3; theta < 2.0; theta += 0.1) {
      double rho = 0;
      int echec = -1;
      solve_quadrilateral(theta, f.a, f.b, f.c, f.d, &rho, &echec);
      ASSERT_EQ(echec, 0) << theta;
      const double plus = solve_quadrilateral(theta + eps, f.a, f.b, f.c, f.d,
                                              nullptr, nullptr);
      const double moins = solve_quadrilateral(theta - eps, f.a, f.b, f.c, f.d,
                                               nullptr, nullptr);
      // central difference: truncation of order eps^2, rounding 1e-16/eps
      EXPECT_NEAR(rho, -(plus - moins) / (2 * eps), 1e-8) << theta;
    }
  }
}

// The support joint follows the traverse at -rho times its rate, for every
// chain of both leg shapes, with and without pivot inclination.
TEST(FourBar, SupportTurnsAtMinusRhoTimesTheTraverseRate) {
  const double eps = 1e-6;
  for (int quadri : {0, 1}) {
    for (double incl : {0.0, 10 * kDeg}) {
      ConfPtr cr = nouveau(1.0, incl, quadri);
      ASSERT_TRUE(cr);
      for (double q0 : {-0.5, -0.2, 0.0, 0.3, 0.6}) {
        SCOPED_TRACE("quadri " + std::to_string(quadri) + " i " +
                     std::to_string(incl) + " q " + std::to_string(q0));
        double support[2][NB_CHAINES];
        for (int s = 0; s < 2; s++) {
          for (int t = 0; t < 3; t++) cr->q[Q_TRAV + t] = q0 + (s ? eps : -eps);
          ASSERT_EQ(update_geometry(cr.get()), nullptr);
          for (int c = 0; c < NB_CHAINES; c++)
            support[s][c] = cr->artic[c][J_SUPPORT];
        }
        for (int t = 0; t < 3; t++) cr->q[Q_TRAV + t] = q0;
        ASSERT_EQ(update_geometry(cr.get()), nullptr);
        for (int c = 0; c < NB_CHAINES; c++) {
          const double taux = (support[1][c] - support[0][c]) / (2 * eps);
          EXPECT_NEAR(taux, -cr->rho[c], 1e-7) << nomChaine[c];
          if (!quadri) {
            EXPECT_EQ(cr->artic[c][J_SUPPORT], -q0);
            EXPECT_EQ(cr->rho[c], 1);
          }
        }
      }
    }
  }
}

TEST(FourBar, LegsAtRestLeaveTheSupportLevel) {
  ConfPtr cr = nouveau(1.0, 0.0, 1);
  for (int c = 0; c < NB_CHAINES; c++) {
    EXPECT_NEAR(cr->artic[c][J_SUPPORT], 0, 1e-12) << nomChaine[c];
    EXPECT_NEAR(cr->quadAlpha[c], kPi / 2, 1e-12);
  }
}

TEST(FourBar, ParallelogramCouplerIsDrawnAlongItsTraverse) {
  ConfPtr cr = nouveau(1.0, 0.0, 0);
  cr->q[Q_TRAV + TRAV_G] = 0.1;
  cr->q[Q_TRAV + TRAV_D] = -0.2;
  cr->q[Q_TRAV + TRAV_R] = 0.05;
  ASSERT_EQ(update_geometry(cr.get()), nullptr);
  const double attendu[NB_CHAINES] = {0.1, -0.2, kPi + 0.1, kPi - 0.2,
                                      kPi + 0.05, 0.05};
  for (int c = 0; c < NB_CHAINES; c++)
    EXPECT_NEAR(cr->quadDessin[c], attendu[c], 1e-15) << nomChaine[c];
  // at rest the four-bar's coupler V1V4 is parallel to its main link
  ConfPtr cq = nouveau(1.0, 0.0, 1);
  for (int c = 0; c < NB_CHAINES; c++) {
    const bool plain = c == AVANT_G || c == AVANT_D || c == ARRIERE_D;
    EXPECT_NEAR(cq->quadDessin[c], plain ? 0 : kPi, 1e-12) << nomChaine[c];
  }
}

// ---- stops -----------------------------------------------------------------

TEST(Stops, TraverseBeyondTheFlatLegIsClampedAndNamed) {
  const double t0 = atan(2.5);
  struct Cas {
    double g, d, r;  // traverse angles set
    double gc, dc, rc;  // after the stops
    int numero;  // last stop acting, 0 none
  } cas[] = {
      {1.3, 0, 0, t0, 0, 0, 1},
      {-1.3, 0, 0, -t0, 0, 0, 3},
      {0, 1.3, 0, 0, t0, 0, 2},
      {0, -1.3, 0, 0, -t0, 0, 4},
      {0, 0, 1.3, 0, 0, t0, 5},
      {0, 0, -1.3, 0, 0, -t0, 6},
      {1.3, -1.3, 0, t0, -t0, 0, 4},  // tested in the order 1, 3, 2, 4, 5, 6
      {-1.3, 0, 1.3, -t0, 0, t0, 5},
      {1.19, -1.19, 1.19, 1.19, -1.19, 1.19, 0},
  };
  for (int quadri : {0, 1}) {
    for (const Cas& k : cas) {
      SCOPED_TRACE(std::to_string(k.g) + " " + std::to_string(k.d) + " " +
                   std::to_string(k.r) + " quadri " + std::to_string(quadri));
      ConfPtr cr = nouveau(1.0, 0.0, quadri);
      cr->q[0] = k.g;
      cr->q[1] = k.d;
      cr->q[2] = k.r;
      const char* msg = update_geometry(cr.get());
      EXPECT_EQ(cr->q[0], k.gc);
      EXPECT_EQ(cr->q[1], k.dc);
      EXPECT_EQ(cr->q[2], k.rc);
      if (quadri) {
        // the leg of the other chain of each traverse no longer closes
        // beyond about 0.86 rad, before its stop
        EXPECT_NE(msg, nullptr);
      } else if (k.numero == 0) {
        EXPECT_EQ(msg, nullptr);
      } else {
        ASSERT_NE(msg, nullptr);
        EXPECT_EQ(std::string(msg), "Quadrilatere " + std::to_string(k.numero) +
                                        "/(1-6) en butee (alpha < 0.)\n");
      }
    }
  }
}

// Any chain's linkage failure reaches the caller, not only the last chain's.
TEST(Stops, LinkageFailureOfAnyChainIsReported) {
  for (int c = 0; c < NB_CHAINES; c++) {
    ConfPtr cr = nouveau(1.0, 0.0, 1);
    cr->quadD[c] = 10.0;  // this chain's leg can no longer close
    const char* msg = update_geometry(cr.get());
    ASSERT_NE(msg, nullptr) << nomChaine[c];
    EXPECT_EQ(std::string(msg), "Quadrilatere " + std::to_string(c + 1) +
                                    "/(1-6) en butee (echec quadri)\n");
  }
}

TEST(Stops, NonFinitePoseIsReportedAndChangesNothing) {
  ConfPtr cr = nouveau(1.0, 0.0, 0);
  cr->pos[0] = 1.0;
  ASSERT_EQ(update_geometry(cr.get()), nullptr);
  const ConfRover avant = *cr;
  for (int champ = 0; champ < 3; champ++) {
    ConfRover essai = avant;
    double* cible = champ == 0 ? &essai.pos[1]
                  : champ == 1 ? &essai.att[ATT_GITE]
                               : &essai.q[Q_FOURCHE + 3];
    *cible = champ == 1 ? INFINITY : NAN;
    EXPECT_STREQ(update_geometry(&essai), "Configuration rover non finie\n");
    EXPECT_STREQ(place_on_ground(&essai, nullptr),
                 "Configuration rover non finie\n");
    EXPECT_EQ(memcmp(essai.monde, avant.monde, sizeof avant.monde), 0);
    EXPECT_EQ(essai.pos[2], avant.pos[2]);
  }
}

// ---- frames ----------------------------------------------------------------

// Moving and turning the body moves every joint rigidly.
TEST(Frames, PoseMovesTheRoverRigidly) {
  ConfPtr cr = nouveau(1.3, 8 * kDeg, 1);
  cr->q[Q_TRAV + TRAV_G] = 0.2;
  cr->q[Q_STEERING + 1] = -0.4;
  cr->q[Q_FOURCHE + 4] = 0.1;
  ASSERT_EQ(update_geometry(cr.get()), nullptr);
  const ConfRover avant = *cr;
  cr->pos[0] = 4;
  cr->pos[1] = -2;
  cr->pos[2] = 0.7;
  cr->att[ATT_SITE] = 0.3;
  cr->att[ATT_GITE] = -0.2;
  cr->att[ATT_AZIMUT] = 2.0;
  ASSERT_EQ(update_geometry(cr.get()), nullptr);
  for (int c = 0; c < NB_CHAINES; c++) {
    for (int j = 0; j < NB_AXES; j++) {
      // relative frames do not depend on the pose
      for (int k = 0; k < 12; k++)
        EXPECT_NEAR(cr->rel[c][j][k], avant.rel[c][j][k], 1e-15);
      // distance to the body origin is kept
      double d0[3], d1[3];
      vec_sub(d0, frame_origin(avant.monde[c][j]), avant.pos);
      vec_sub(d1, frame_origin(cr->monde[c][j]), cr->pos);
      EXPECT_NEAR(vec_norm(d0), vec_norm(d1), kTight);
      // and the body-axes position is the same
      double b[3];
      mat_tmul_vec(b, frame_rot(cr->caisse), d1);
      for (int k = 0; k < 3; k++) EXPECT_NEAR(b[k], d0[k], kTight);
    }
  }
}

// ---- placement -------------------------------------------------------------

TEST(Placement, FlatGroundFromAboveSettlesAtTheNominalHeight) {
  for (double v : {1.0, 2.0}) {
    ConfPtr cr = nouveau(v, 0.0, 0);
    cr->pos[2] = 1.0 * v;
    ASSERT_EQ(place_on_ground(cr.get(), nullptr), nullptr);
    EXPECT_NEAR(cr->pos[2], 0.445 * v, kTight);
    for (int c = 0; c < NB_CHAINES; c++) {
      EXPECT_NEAR(ecartRoue(*cr, c, nullptr), 0, kTight);
      EXPECT_NEAR(cr->contact[c][2], 0, kTight);
      EXPECT_EQ(cr->butee[c], 0);
    }
    EXPECT_NEAR(cr->att[ATT_SITE], 0, kTight);
    EXPECT_NEAR(cr->att[ATT_GITE], 0, kTight);
  }
}

TEST(Placement, FlatTerrainRecordGivesTheSameAsNoTerrain) {
  Mnt m = {};
  defauts_mnt(&m);
  m.typeMNT = MntPlat;
  m.hBosses = 0;
  ASSERT_GE(new_mnt(&m), 0);
  ConfPtr cr = nouveau(1.0, 0.0, 1);
  cr->pos[2] = 1.0;
  cr->att[ATT_SITE] = 0.1;
  ASSERT_EQ(place_on_ground(cr.get(), &m), nullptr);
  EXPECT_NEAR(cr->pos[2], 0.445, 1e-3);
  for (int c = 0; c < NB_CHAINES; c++) {
    EXPECT_LT(fabs(ecartRoue(*cr, c, &m)), 0.15 / 150);
    double rel[3], attendu[3];
    vec_sub(rel, cr->contact[c], cr->pos);
    mat_tmul_vec(attendu, frame_rot(cr->caisse), rel);
    for (int k = 0; k < 3; k++)
      EXPECT_NEAR(cr->contactCaisse[c][k], attendu[k], 1e-3);
  }
  libere_mnt(&m);
}

// gap of wheel c at the placement's last measurement: its stored contact
// point against the ground, along the normal found there
double ecartMesure(const ConfRover& cr, int c, const Mnt* mnt) {
  const double* p = cr.contact[c];
  return (p[2] - hauteur_mnt(mnt, p[0], p[1], nullptr)) * cr.normale[c][2];
}

// Over the generated terrains every wheel ends within r/150 of the ground,
// unless a traverse stop holds it off. On the random terrain (0.1 m bumps on
// 0.25 m cells) the lowest point of a wheel can jump from one bump to the
// next between iterations; the iteration then stops as soon as a correction
// makes the worst gap grow, a little above the tolerance.
TEST(Placement, WheelsRestOnTheSinusAndRandomTerrains) {
  for (int type : {MntSinus, MntAleatoire}) {
    Mnt m = {};
    defauts_mnt(&m);
    m.typeMNT = type;
    ASSERT_GE(new_mnt(&m), 0);
    for (int quadri : {0, 1}) {
      ConfPtr cr = nouveau(1.0, 10 * kDeg, quadri);
      const double tol = cr->rayonRoue / 150;
      int poses = 0, horsTolerance = 0;
      for (double x = -7; x <= 7; x += 1.75) {
        for (double y = -7; y <= 7; y += 0.875) {
          for (double az : {0.0, 0.8, 2.5}) {
            SCOPED_TRACE("terrain " + std::to_string(type) + " quadri " +
                         std::to_string(quadri) + " at " + std::to_string(x) +
                         ", " + std::to_string(y) + ", " + std::to_string(az));
            cr->pos[0] = x;
            cr->pos[1] = y;
            cr->pos[2] = hauteur_mnt(&m, x, y, nullptr) + 0.6;
            cr->att[ATT_AZIMUT] = az;
            EXPECT_EQ(place_on_ground(cr.get(), &m), nullptr);
            bool dehors = false;
            for (int c = 0; c < NB_CHAINES; c++) {
              if (cr->butee[c]) continue;
              const double mesure = fabs(ecartMesure(*cr, c, &m));
              const double apres = fabs(ecartRoue(*cr, c, &m));
              if (type == MntSinus) {
                EXPECT_LT(mesure, tol) << nomChaine[c];
                EXPECT_LT(apres, tol) << nomChaine[c];
              } else {
                EXPECT_LT(mesure, 2 * tol) << nomChaine[c];
                EXPECT_LT(apres, 2 * tol) << nomChaine[c];
              }
              dehors = dehors || mesure >= tol;
            }
            poses++;
            horsTolerance += dehors;
          }
        }
      }
      EXPECT_EQ(poses, 9 * 17 * 3);
      EXPECT_LE(horsTolerance, poses / 100);
    }
    libere_mnt(&m);
  }
}

TEST(Placement, TraverseLimitsAreNeverExceeded) {
  Mnt m = {};
  defauts_mnt(&m);
  m.hBosses = 0.6;  // bumps high enough to push the traverses to their stops
  ASSERT_GE(new_mnt(&m), 0);
  for (int quadri : {0, 1}) {
    ConfPtr cr = nouveau(1.0, 0.0, quadri);
    int butees = 0;
    for (double x = -6; x <= 6; x += 0.5) {
      for (double y = -6; y <= 6; y += 1.5) {
        cr->pos[0] = x;
        cr->pos[1] = y;
        cr->att[ATT_AZIMUT] = 0.3;
        place_on_ground(cr.get(), &m);
        for (int t = 0; t < 3; t++) {
          EXPECT_GE(cr->q[Q_TRAV + t], cr->butMin[Q_TRAV + t]);
          EXPECT_LE(cr->q[Q_TRAV + t], cr->butMax[Q_TRAV + t]);
        }
        for (int c = 0; c < NB_CHAINES; c++) {
          if (!cr->butee[c]) continue;
          butees++;
          // a wheel is held off only by a traverse sitting on a limit
          const int t = traverse_chaine(c);
          EXPECT_TRUE(cr->q[Q_TRAV + t] == cr->butMin[Q_TRAV + t] ||
                      cr->q[Q_TRAV + t] == cr->butMax[Q_TRAV + t])
              << nomChaine[c];
        }
      }
    }
    EXPECT_GT(butees, 0) << "no pose reached a traverse stop";
  }
  libere_mnt(&m);
}

}  // namespace
