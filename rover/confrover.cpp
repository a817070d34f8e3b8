// Geometry, forward kinematics and placement on the ground of the rover.
#include "rover/confrover.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "terrain/mnt.h"

const char* const nomChaine[NB_CHAINES] = {"AvantG",  "AvantD",   "MilieuG",
                                           "MilieuD", "aRriereG", "aRriereD"};
const char* const nomCorps[NB_AXES] = {"Traverse", "SupportS", "Steering",
                                       "Fourche", "Roue"};

namespace {

// the one message buffer of this module; every text formatted into it is far
// shorter than its size
thread_local char message[128];

const char* dit(const char* texte) {
  snprintf(message, sizeof message, "%s", texte);
  return message;
}

const char* dit_numero(const char* format, int k) {
  snprintf(message, sizeof message, format, k);
  return message;
}

// limits of the configuration angles, rad
const double BUT_BOGIE = 0.6108652381980153;    // 35 degrees
const double BUT_ARRIERE = 0.3490658503988659;  // 20 degrees
const double BUT_FOURCHE = 0.5235987755982988;  // 30 degrees
const double BUT_STEERING = M_PI / 4;

const int MAX_ITER_PLACEMENT = 20;

bool est_gauche(int c) { return c % 2 == 0; }
bool est_arriere(int c) { return c >= ARRIERE_G; }

bool fini(const double* v, int n) {
  for (int k = 0; k < n; k++)
    if (!std::isfinite(v[k])) return false;
  return true;
}

}  // namespace

// ---- construction ----------------------------------------------------------

const char* geodir_rover(ConfRover* cr, double v, double incl, int quadri) {
  const double ti = tan(incl);

  // dimensions: everything scales with the track width
  cr->voie = v;
  cr->inclinaison = incl;
  cr->rayonRoue = 0.15 * v;
  cr->largeurRoue = 0.8 * cr->rayonRoue;
  cr->demiVoie = 0.5 * v;
  cr->yTravArr = 0.75 * v;
  cr->ySteering = 0.25 * v;
  cr->dySteering = 0.06 * v;
  cr->ySupport = cr->ySteering - cr->dySteering;
  cr->hSteering = 0.08 * v;
  cr->lFourche = 0.215 * v;
  cr->hNominale = cr->hSteering + cr->lFourche + cr->rayonRoue;
  // the inclined steering axis must meet the ground under the wheel centre:
  // the fork is shifted outwards by (fork length + radius) * tan i
  cr->dxFourche = (cr->lFourche + cr->rayonRoue) * ti;
  cr->dxSteering = cr->hSteering * ti;
  cr->dxSteeringArr = cr->dySteering + cr->hSteering * ti;
  cr->xBogie = cr->demiVoie - cr->dxFourche - cr->dxSteering;
  cr->xSupportArr = cr->demiVoie - cr->dxSteeringArr - cr->dxFourche;
  cr->margeEmpattement = (v - 0.9 * v) / 2;
  cr->dessin[0] = 0.69 * v;
  cr->dessin[1] = 0.9 * v;
  cr->dessin[2] = 0.6 * v;
  cr->dessin[3] = 0.1 * v;
  cr->quadri = quadri;

  if (v / 25 > cr->margeEmpattement)
    return dit("Caisse trop longue / empattement\n");
  if (cr->ySteering < cr->margeEmpattement)
    return dit("Empattement trop long / emplacement essieu\n");

  // limits
  for (int k = 0; k < NB_CONF; k++) cr->butMin[k] = cr->butMax[k] = 0;
  cr->butMin[Q_TRAV + TRAV_G] = cr->butMin[Q_TRAV + TRAV_D] = -BUT_BOGIE;
  cr->butMax[Q_TRAV + TRAV_G] = cr->butMax[Q_TRAV + TRAV_D] = BUT_BOGIE;
  cr->butMin[Q_TRAV + TRAV_R] = -BUT_ARRIERE;
  cr->butMax[Q_TRAV + TRAV_R] = BUT_ARRIERE;
  for (int c = 0; c < NB_CHAINES; c++) {
    cr->butMin[Q_FOURCHE + c] = -BUT_FOURCHE;
    cr->butMax[Q_FOURCHE + c] = BUT_FOURCHE;
    cr->butMin[Q_STEERING + c] = -BUT_STEERING;
    cr->butMax[Q_STEERING + c] = BUT_STEERING;
  }

  for (int c = 0; c < NB_CHAINES; c++) {
    const double s = est_gauche(c) ? -1.0 : 1.0;  // left chains on -x
    const bool arriere = est_arriere(c);
    const double sy = (c == MILIEU_G || c == MILIEU_D) ? -1.0 : 1.0;

    // axes: traverse and support about x (bogies) or y (rear), the steering
    // pivot inclined inwards by i, fork and wheel about x
    const int axeTrav = arriere ? 2 : 1;
    cr->axe[c][J_TRAVERSE] = axeTrav;
    cr->axe[c][J_SUPPORT] = axeTrav;
    cr->axe[c][J_STEERING] = 4;
    cr->axe[c][J_FOURCHE] = 1;
    cr->axe[c][J_ROUE] = 1;
    for (int j = 0; j < NB_AXES; j++) vec_zero(cr->axeVec[c][j]);
    cr->axeVec[c][J_TRAVERSE][axeTrav - 1] = 1;
    cr->axeVec[c][J_SUPPORT][axeTrav - 1] = 1;
    vec_set(cr->axeVec[c][J_STEERING], -s * sin(incl), 0, cos(incl));
    cr->axeVec[c][J_FOURCHE][0] = 1;
    cr->axeVec[c][J_ROUE][0] = 1;

    // offsets
    double L;  // main link of the leg's four-bar
    if (!arriere) {
      vec_set(cr->offset[c][J_TRAVERSE], s * cr->xBogie, 0, 0);
      vec_set(cr->offset[c][J_SUPPORT], 0, sy * cr->ySupport, 0);
      vec_set(cr->offset[c][J_STEERING], s * cr->dxSteering,
              sy * cr->dySteering, -cr->hSteering);
      L = cr->ySupport;
    } else {
      vec_set(cr->offset[c][J_TRAVERSE], 0, -cr->yTravArr, 0);
      vec_set(cr->offset[c][J_SUPPORT], s * cr->xSupportArr, 0, 0);
      vec_set(cr->offset[c][J_STEERING], s * cr->dxSteeringArr, 0,
              -cr->hSteering);
      L = cr->xSupportArr;
    }
    vec_set(cr->offset[c][J_FOURCHE], s * cr->dxFourche, 0, 0);
    vec_set(cr->offset[c][J_ROUE], 0, 0, -cr->lFourche);

    // four-bar: V2 at the traverse joint, V3 at the support, V1 raised by
    // 0.25 L and moved 0.1 L towards V3
    cr->quadB[c] = L;
    cr->quadA[c] = sqrt((0.1 * L) * (0.1 * L) + (0.25 * L) * (0.25 * L));
    cr->theta0[c] = atan(2.5);
    if (quadri) {  // right trapezoid at rest
      cr->quadC[c] = 0.25 * L;
      cr->quadD[c] = 0.9 * L;
      cr->alpha0[c] = M_PI / 2;
    } else {
      cr->quadC[c] = cr->quadA[c];
      cr->quadD[c] = L;
      cr->alpha0[c] = M_PI - cr->theta0[c];
    }
  }

  // the linkage must close at rest; written so that a degenerate geometry
  // (zero or non-finite dimensions) fails too
  for (int c = 0; c < NB_CHAINES; c++) {
    const double alpha = solve_quadrilateral(cr->theta0[c], cr->quadA[c],
                                             cr->quadB[c], cr->quadC[c],
                                             cr->quadD[c], nullptr, nullptr);
    if (!(fabs(alpha - cr->alpha0[c]) <= 1e-6))
      return dit("Donnees quadrilatere incoherentes");
  }

  // a zero normal is never a ground normal: start from the vertical
  for (int c = 0; c < NB_CHAINES; c++)
    if (vec_norm(cr->normale[c]) == 0) vec_set(cr->normale[c], 0, 0, 1);
  return nullptr;
}

ConfRover* new_confRover(double voie, double inclinaison, int quadri) {
  ConfRover* cr = static_cast<ConfRover*>(calloc(1, sizeof(ConfRover)));
  if (!cr) return nullptr;
  const char* msg = geodir_rover(cr, voie, inclinaison, quadri);
  if (!msg) {
    cr->pos[2] = cr->hNominale;
    for (int c = 0; c < NB_CHAINES; c++) vec_set(cr->normale[c], 0, 0, 1);
    msg = update_geometry(cr);
  }
  if (msg) {
    fprintf(stderr, "Message de geodir_rover recu par new_confRover : %s\n",
            msg);
    free(cr);
    return nullptr;
  }
  return cr;
}

double inclinaison_max(void) {
  // the dimensions of a unit rover: the rear main link is
  // demiVoie - dySteering - (hSteering + lFourche + rayonRoue) tan i and the
  // bogies' demiVoie - (hSteering + lFourche + rayonRoue) tan i, the sum in
  // brackets being the nominal height; the rear link vanishes first
  ConfRover cr = {};
  geodir_rover(&cr, 1.0, 0.0, 0);
  const double arriere = atan((cr.demiVoie - cr.dySteering) / cr.hNominale);
  const double bogie = atan(cr.demiVoie / cr.hNominale);
  return arriere < bogie ? arriere : bogie;
}

// ---- forward kinematics ----------------------------------------------------

namespace {

// cosine and sine of angle into cs, reused from slot (angle, cosine, sine)
// while the angle has not moved, else computed and kept there
inline void cos_sin(double slot[3], double angle, double cs[2]) {
  if (angle == slot[0] && (slot[1] != 0 || slot[2] != 0)) {
    cs[0] = slot[1];
    cs[1] = slot[2];
    return;
  }
  cs[0] = slot[1] = cos(angle);
  cs[1] = slot[2] = sin(angle);
  slot[0] = angle;
}

}  // namespace

double solve_quadrilateral(double theta, double a, double b, double c,
                           double d, double* ratio, int* echec) {
  int rate = 0;
  // diagonal V1V3 by the cosine law in triangle V1V2V3
  const double m = a * a + b * b - 2 * a * b * cos(theta);
  const double o = sqrt(m);
  // angle at V3 between the diagonal and c, from triangle V1V3V4
  double x = (m + c * c - d * d) / (2 * c * o);
  if (fabs(x) > 1) {
    x = x > 0 ? 1 : -1;
    rate = 1;
  }
  double alpha = acos((b * b + m - a * a) / (2 * b * o)) + acos(x);
  if (alpha < 0) {
    alpha = 0;
    rate = 1;
  }
  if (ratio) {
    // rho = -dalpha/dtheta, from differentiating the closure of V1V2V3V4
    *ratio = (a / c) * (b * sin(theta) - c * sin(theta + alpha)) /
             (b * sin(alpha) - a * sin(theta + alpha));
  }
  if (echec) *echec = rate;
  return alpha;
}

const char* update_geometry(ConfRover* cr) {
  if (!fini(cr->pos, 3) || !fini(cr->att, 3) || !fini(cr->q, NB_CONF))
    return dit("Configuration rover non finie\n");

  bool signale = false;

  // 1. traverse stops: the leg linkages fold flat at +-theta0
  struct Butee {
    int trav, chaine;
    bool haute;
  };
  static const Butee butees[6] = {
      {TRAV_G, AVANT_G, true},    {TRAV_G, MILIEU_G, false},
      {TRAV_D, AVANT_D, true},    {TRAV_D, MILIEU_D, false},
      {TRAV_R, ARRIERE_G, true},  {TRAV_R, ARRIERE_D, false}};
  for (const Butee& b : butees) {
    double& q = cr->q[Q_TRAV + b.trav];
    const double lim = b.haute ? cr->theta0[b.chaine] : -cr->theta0[b.chaine];
    if (b.haute ? q > lim : q < lim) {
      q = lim;
      dit_numero("Quadrilatere %d/(1-6) en butee (alpha < 0.)\n", b.chaine + 1);
      signale = true;
    }
  }

  for (int c = 0; c < NB_CHAINES; c++) {
    const double qt = cr->q[Q_TRAV + traverse_chaine(c)];
    // 2. joint angles
    cr->artic[c][J_TRAVERSE] = qt;
    cr->artic[c][J_STEERING] = cr->q[Q_STEERING + c];
    cr->artic[c][J_FOURCHE] = cr->q[Q_FOURCHE + c];
    cr->artic[c][J_ROUE] = cr->q[Q_ROUE + c];

    // 3. support angle through the leg linkage; the first group (front
    // chains and aRriereG) opens its input angle as the traverse rises
    const bool groupe1 = c == AVANT_G || c == AVANT_D || c == ARRIERE_G;
    if (!cr->quadri) {
      // parallelogram: the support keeps its orientation
      cr->artic[c][J_SUPPORT] = -qt;
      cr->rho[c] = 1;
      cr->quadTheta[c] = groupe1 ? cr->theta0[c] - qt : cr->theta0[c] + qt;
      cr->quadAlpha[c] = M_PI - cr->quadTheta[c];
      const bool plain = c == AVANT_G || c == AVANT_D || c == ARRIERE_D;
      cr->quadDessin[c] = plain ? qt : M_PI + qt;
      continue;
    }
    const double theta = groupe1 ? cr->theta0[c] - qt : cr->theta0[c] + qt;
    int echec = 0;
    double rho = 1;
    const double a = cr->quadA[c], b = cr->quadB[c], cc = cr->quadC[c];
    const double alpha =
        solve_quadrilateral(theta, a, b, cc, cr->quadD[c], &rho, &echec);
    cr->artic[c][J_SUPPORT] =
        groupe1 ? cr->alpha0[c] - alpha : alpha - cr->alpha0[c];
    cr->quadTheta[c] = theta;
    cr->quadAlpha[c] = alpha;
    cr->rho[c] = rho;
    if (echec) {
      dit_numero("Quadrilatere %d/(1-6) en butee (echec quadri)\n", c + 1);
      signale = true;
    }
    // direction of the coupler link V1V4 against the main link
    const double beta = atan((cc * sin(alpha) - a * sin(theta)) /
                             (b - a * cos(theta) - cc * cos(alpha)));
    switch (c) {
      case AVANT_G:
      case AVANT_D: cr->quadDessin[c] = qt + beta; break;
      case MILIEU_G:
      case MILIEU_D: cr->quadDessin[c] = M_PI + qt - beta; break;
      case ARRIERE_G: cr->quadDessin[c] = M_PI + qt + beta; break;
      default: cr->quadDessin[c] = qt - beta; break;
    }
  }

  // 4. body frame
  vec_copy(frame_origin(cr->caisse), cr->pos);
  const double angles[3] = {cr->att[ATT_AZIMUT], cr->att[ATT_GITE],
                            cr->att[ATT_SITE]};
  rot_zyx(frame_rot(cr->caisse), angles);

  // 5. chain frames, each from the one before it in the chain (relative to
  // the body, and in the terrain): the traverse's and the support's, fork's
  // and wheel's turns are about a frame axis, so only the two columns they
  // turn are multiplied; the inclined steering pivot takes the whole product
  for (int c = 0; c < NB_CHAINES; c++) {
    const int t = traverse_chaine(c);
    double cs[NB_AXES][2];
    cos_sin(cr->trigTrav[t], cr->artic[c][J_TRAVERSE], cs[J_TRAVERSE]);
    if (!cr->quadri) {
      // the support turns back by the traverse's angle
      cs[J_SUPPORT][0] = cs[J_TRAVERSE][0];
      cs[J_SUPPORT][1] = -cs[J_TRAVERSE][1];
    } else {
      cos_sin(cr->trigArtic[c][J_SUPPORT], cr->artic[c][J_SUPPORT], cs[J_SUPPORT]);
    }
    for (int j = J_STEERING; j < NB_AXES; j++)
      cos_sin(cr->trigArtic[c][j], cr->artic[c][j], cs[j]);

    for (int j = 0; j < NB_AXES; j++) {
      double* local = cr->local[c][j];
      const int k = cr->axe[c][j];
      const bool elementaire = k >= 1 && k <= 3;
      vec_copy(frame_origin(local), cr->offset[c][j]);
      if (elementaire)
        rot_elementary(frame_rot(local), k, cs[j][0], cs[j][1]);
      else
        rot_axis_cs(frame_rot(local), cr->axeVec[c][j], cs[j][0], cs[j][1]);
      const double* amont = j == 0 ? cr->caisse : cr->monde[c][j - 1];
      if (j == 0)
        frame_copy(cr->rel[c][j], local);
      else if (elementaire)
        frame_compose_elementary(cr->rel[c][j], cr->rel[c][j - 1], cr->offset[c][j], k,
                                 cs[j][0], cs[j][1]);
      else
        frame_compose(cr->rel[c][j], cr->rel[c][j - 1], local);
      if (elementaire)
        frame_compose_elementary(cr->monde[c][j], amont, cr->offset[c][j], k, cs[j][0],
                                 cs[j][1]);
      else
        frame_compose(cr->monde[c][j], amont, local);
    }
  }

  return signale ? message : nullptr;
}

// ---- placement on the ground -----------------------------------------------

const char* place_on_ground(ConfRover* cr, const Mnt* mnt) {
  const double r = cr->rayonRoue;
  const double v = cr->voie;
  const double tolerance = r / 150;
  double pire = 1e100;  // worst gap of the previous iteration
  double* q = cr->q;
  if (!fini(cr->pos, 3) || !fini(cr->att, 3) || !fini(q, NB_CONF))
    return update_geometry(cr);  // reports the non-finite state, changes nothing

  for (int iter = 1;; iter++) {
    const char* msg = update_geometry(cr);

    double ecart[NB_CHAINES];
    for (int c = 0; c < NB_CHAINES; c++) {
      cr->butee[c] = 0;
      const double* centre = frame_origin(cr->monde[c][J_ROUE]);
      double* n = cr->normale[c];
      double p[3];
      vec_axpy(p, centre, -r, n);  // lowest point along the last normal
      if (mnt) {
        const double h = hauteur_mnt(mnt, p[0], p[1], n);
        ecart[c] = (p[2] - h) * n[2];
      } else {
        ecart[c] = centre[2] - r;
      }
      vec_copy(cr->contact[c], p);
      double rel[3];
      vec_sub(rel, p, cr->pos);
      mat_tmul_vec(cr->contactCaisse[c], frame_rot(cr->caisse), rel);
    }

    // a traverse held at a limit cannot lift the higher of its two wheels
    struct Paire {
      int trav, basse, haute;
    };
    static const Paire paires[3] = {{TRAV_G, AVANT_G, MILIEU_G},
                                    {TRAV_D, AVANT_D, MILIEU_D},
                                    {TRAV_R, ARRIERE_G, ARRIERE_D}};
    for (const Paire& p : paires) {
      const double qt = q[Q_TRAV + p.trav];
      if (qt == cr->butMin[Q_TRAV + p.trav] && ecart[p.basse] > ecart[p.haute]) {
        ecart[p.basse] = ecart[p.haute];
        cr->butee[p.basse] = 1;
      }
      if (qt == cr->butMax[Q_TRAV + p.trav] && ecart[p.haute] > ecart[p.basse]) {
        ecart[p.haute] = ecart[p.basse];
        cr->butee[p.haute] = 1;
      }
    }

    double m = 0;
    for (int c = 0; c < NB_CHAINES; c++) m = fmax(m, fabs(ecart[c]));
    if (!fini(ecart, NB_CHAINES)) return dit("Ecart roue-sol non fini\n");
    if (m > pire) return msg;  // diverging: keep the better pose

    // lower the body by the mean gap, tilt it and the traverses so that the
    // gaps level out
    const double E = (ecart[AVANT_G] + ecart[MILIEU_G]) / 2;
    const double F = (ecart[AVANT_D] + ecart[MILIEU_D]) / 2;
    const double G = (E + F) / 2;
    const double Q = (ecart[ARRIERE_G] + ecart[ARRIERE_D]) / 2;
    cr->pos[2] -= G;
    cr->att[ATT_GITE] += (E - F) / (-v);
    cr->att[ATT_SITE] -= (G - Q) / (0.75 * v);
    q[Q_TRAV + TRAV_G] += (ecart[AVANT_G] - ecart[MILIEU_G]) / (-0.5 * v);
    q[Q_TRAV + TRAV_D] += (ecart[AVANT_D] - ecart[MILIEU_D]) / (-0.5 * v);
    q[Q_TRAV + TRAV_R] += (ecart[ARRIERE_G] - ecart[ARRIERE_D]) / (-v);
    for (int t = 0; t < 3; t++)
      q[Q_TRAV + t] = fmin(fmax(q[Q_TRAV + t], cr->butMin[Q_TRAV + t]),
                           cr->butMax[Q_TRAV + t]);

    if (m < tolerance || iter >= MAX_ITER_PLACEMENT) {
      // bring the frames up to the pose just corrected, so that what is drawn
      // and what the dynamic model reads agree with the pose
      return update_geometry(cr);
    }
    pire = m;
  }
}

void ecrit_ligne_conf(FILE* f, const ConfRover* cr)
{
    std::fprintf(f, "%lf", cr->temps);
    for (int k = 0; k < 3; ++k)
        std::fprintf(f, " %lf", cr->pos[k]);
    for (int k = 0; k < 3; ++k)
        std::fprintf(f, " %lf", cr->att[k]);
    for (int k = 0; k < NB_CONF; ++k)
        std::fprintf(f, " %lf", cr->q[k]);
    std::fputc('\n', f);
}
