// The dynamic rover object: construction, internal default parameters and
// the 50-line dynamic data file.
#include "rover/dynrover.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "rover/dynamics.h"

namespace {

// the one message buffer of this module; every text formatted into it is far
// shorter than its size
thread_local char message[128];

// One line of the dynamic data file: its writing format and the memory
// indices (inside the 74 doubles) of its values. The reading format is the
// writing format up to its last conversion, read with "%lf".
struct Ligne {
  const char* format;
  int n;
  int idx[3];
};

const Ligne lignes[NB_LIGNES_DATADYN] = {
    {"Masse caisse+cu m0 = %lf (kg)\n", 1, {1}},
    {"Position CDG caisse+cu = %lf %lf %lf (m)\n", 3, {2, 3, 4}},
    {"Inertie caisse+cu : rayons girations /xyz = %lf %lf %lf (m)\n", 3, {5, 6, 7}},
    {"Masse traverse laterale = %lf (kg)\n", 1, {8}},
    {"Inertie traverse laterale = %lf %lf %lf : rayons girations /xyz en m\n", 3, {9, 10, 11}},
    {"Masse traverse arriere = %lf (kg)\n", 1, {12}},
    {"Inerties traverse arriere = %lf %lf %lf : rayons girations /xyz en m\n", 3, {13, 14, 15}},
    {"Masse support direction lateral = %lf (kg)\n", 1, {16}},
    {"Position CDG sup.dir. AD = %lf %lf %lf (m)\n", 3, {17, 18, 19}},
    {"Inerties sup.dir. lateral = %lf %lf %lf : rayons girations /xyz en m\n", 3, {20, 21, 22}},
    {"Masse support direction arriere = %lf (kg)\n", 1, {23}},
    {"Position CDG sup.dir. RD = %lf %lf %lf (m)\n", 3, {24, 25, 26}},
    {"Inerties sup.dir. arriere = %lf %lf %lf : rayons girations /xyz en m\n", 3, {27, 28, 29}},
    {"Masse steering = %lf (kg)\n", 1, {30}},
    {"x et z CDG steering AD = %lf %lf (m)\n", 2, {31, 32}},
    {"Inerties steering = %lf %lf %lf : rayons girations /xyz en m\n", 3, {33, 34, 35}},
    {"Rapport de reduction steering = %lf (>= 1.)\n", 1, {47}},
    {"Inertie moteur et reducteur steering = %lg (kg.m2, entree reducteur)\n", 1, {48}},
    {"Frottements sec steering = %lf (N.m, entree reducteur)\n", 1, {49}},
    {"Frottement visqueux steering = %lf (N.m.s/rd, entree reducteur)\n", 1, {50}},
    {"Masse fourche = %lf (kg)\n", 1, {36}},
    {"x et z CDG fourche AD = %lf %lf (m)\n", 2, {37, 38}},
    {"Inerties fourche = %lf %lf %lf : rayons girations /xyz en m\n", 3, {39, 40, 41}},
    {"Rapport de reduction elevation = %lf (>= 1.)\n", 1, {51}},
    {"Inertie moteur et reducteur elevation = %lg (kg.m2, entree reducteur)\n", 1, {52}},
    {"Frottements sec elevation = %lf (N.m, entree reducteur)\n", 1, {53}},
    {"Frottement visqueux elevation = %lf (N.m.s/rd, entree reducteur)\n", 1, {54}},
    {"Masse roue = %lf (kg)\n", 1, {42}},
    {"x CDG roue AD = %lf (m)\n", 1, {43}},
    {"Inerties roue = %lf %lf %lf : rayons girations /xyz en m\n", 3, {44, 45, 46}},
    {"Rapport de reduction roue = %lf (>= 1.)\n", 1, {55}},
    {"Inertie moteur et reducteur roue = %lg (kg.m2, entree reducteur)\n", 1, {56}},
    {"Frottements sec roue = %lf (N.m, entree reducteur)\n", 1, {57}},
    {"Frottement visqueux roue = %lf (N.m.s/rd, entree reducteur)\n", 1, {58}},
    {"Couple max entree roue = %lf (N.m, entree reducteur)\n", 1, {59}},
    {"Variation max en xyz = %lf : (en m)\n", 1, {60}},
    {"Variation max en ltr = %lf : (en rd)\n", 1, {62}},
    {"Variation max en PhiTrav = %lf : (en rd)\n", 1, {64}},
    {"Variation max en PhiRoue = %lf : (en rd)\n", 1, {66}},
    {"Variation max en VitXyz = %lf : (en m/s)\n", 1, {61}},
    {"Variation max en VitLtr = %lf : (en rd/s)\n", 1, {63}},
    {"Variation max en VitPhiTrav = %lf : (en rd/s)\n", 1, {65}},
    {"Variation max en VitPhiRoue = %lf : (en rd/s)\n", 1, {67}},
    {"Raideur butee laterale = %lf : (en Nm/rd)\n", 1, {68}},
    {"Viscos. butee laterale = %lf : (en Nm/rd/s)\n", 1, {69}},
    {"Raideur butee arriere = %lf : (en Nm/rd)\n", 1, {70}},
    {"Viscos. butee arriere = %lf : (en Nm/rd/s)\n", 1, {71}},
    {"Valeur de la gravite = %lf : (en m/s2)\n", 1, {0}},
    {"Vitesse rover maximale = %lf : (en m/s)\n", 1, {72}},
    {"Courbure maximale = %lf : (en 1/m)\n", 1, {73}},
};

// reading format of a line: its writing format up to the end of its last
// conversion, every conversion read as "%lf"
void format_lecture(char* out, size_t taille, const char* ecrit) {
  const char* fin = strrchr(ecrit, '%');
  size_t n = static_cast<size_t>(fin - ecrit) + 3;  // "%lf" or "%lg"
  if (n >= taille) n = taille - 1;
  memcpy(out, ecrit, n);
  out[n] = '\0';
  for (char* p = out; (p = strstr(p, "%lg")) != nullptr; p += 3) p[2] = 'f';
}

const char* erreur_ligne(FILE* f, int ligne) {
  if (f) fclose(f);
  snprintf(message, sizeof message, "Erreur lecture donnees dynamiques ligne %d",
           ligne);
  return message;
}

}  // namespace

// ---- the dynamic data file -------------------------------------------------

const char* loadDatadynrov(DataDynRov* data, FILE* f) {
  if (!f) return erreur_ligne(nullptr, 1);
  double v[NB_DATADYN];
  memcpy(v, data, sizeof v);
  for (int k = 0; k < NB_LIGNES_DATADYN; k++) {
    const Ligne& l = lignes[k];
    char format[96];
    format_lecture(format, sizeof format, l.format);
    double lu[3] = {0, 0, 0};
    if (fscanf(f, format, &lu[0], &lu[1], &lu[2]) != l.n)
      return erreur_ligne(f, k + 1);
    for (int j = 0; j < l.n; j++) {
      if (!std::isfinite(lu[j])) return erreur_ligne(f, k + 1);
      v[l.idx[j]] = lu[j];
    }
    // the rest of the line is its unit text; one that does not fit the
    // 80-character buffer is refused here rather than read as the next line
    char reste[80];
    if (fgets(reste, sizeof reste, f) && !strchr(reste, '\n')) {
      const int suivant = getc(f);
      if (suivant != EOF) return erreur_ligne(f, k + 1);
    }
  }
  fclose(f);
  memcpy(data, v, sizeof v);
  return nullptr;
}

void saveDatadynrov(const DataDynRov* data, FILE* f) {
  if (!f) return;
  double v[NB_DATADYN];
  memcpy(v, data, sizeof v);
  for (const Ligne& l : lignes) {
    switch (l.n) {
      case 1: fprintf(f, l.format, v[l.idx[0]]); break;
      case 2: fprintf(f, l.format, v[l.idx[0]], v[l.idx[1]]); break;
      default: fprintf(f, l.format, v[l.idx[0]], v[l.idx[1]], v[l.idx[2]]);
    }
  }
  fclose(f);
}

// ---- construction ----------------------------------------------------------

void dyn_defaults(DynRover* rover) {
  DataDynRov& d = rover->data;
  const double v = rover->voie;
  const double ti = tan(rover->inclinaison);
  const double r = 0.15 * v;  // wheel radius
  const double a = 0.25 * v;  // bogie steering axes fore/aft of the pivot
  // rear support lateral position
  const double Lr = 0.5 * v - 0.06 * v - 0.08 * v * ti - 0.365 * v * ti;
  // steering joint offsets of chains AvantD and aRriereD
  const Vec3 sAD = {0.08 * v * ti, 0.06 * v, -0.08 * v};
  const Vec3 sRD = {0.06 * v + 0.08 * v * ti, 0, -0.08 * v};
  const double c = sqrt(0.12);
  const double inv_rac2 = 0.7071067811865476, inv_rac3 = 0.5773502691896257,
               inv_rac30 = 0.18257418583505536, inv_rac5 = 0.4472135954999579;

  d.g = 9.81;
  d.m0 = 43.0;
  d.cdg0[0] = 0;
  d.cdg0[1] = -a;
  d.cdg0[2] = 0.2;
  for (double& x : d.rg0) x = a * inv_rac2;

  d.mTravL = 4.0;
  d.rgTravL[0] = Lr * inv_rac3;
  d.rgTravL[1] = Lr * inv_rac30;
  d.rgTravL[2] = Lr * inv_rac3;
  d.mTravR = 4.0;
  d.rgTravR[0] = Lr * inv_rac30;
  d.rgTravR[1] = Lr * inv_rac3;
  d.rgTravR[2] = Lr * inv_rac3;

  d.mSupL = 1.0;
  for (int k = 0; k < 3; k++) d.cdgSupL[k] = sAD[k] / 2;
  for (double& x : d.rgSupL) x = c * vec_norm(sAD);
  d.mSupR = 1.0;
  for (int k = 0; k < 3; k++) d.cdgSupR[k] = sRD[k] / 2;
  for (double& x : d.rgSupR) x = c * vec_norm(sRD);

  d.mSteer = 1.0;
  d.cdgSteer[0] = 0;
  d.cdgSteer[1] = 0;
  for (double& x : d.rgSteer) x = r * sqrt(0.12 / 50);

  d.mFourche = 1.5;
  d.cdgFourche[0] = -(0.06 * v + 0.445 * v * ti) / 2.5;
  d.cdgFourche[1] = -0.1075 * v;
  d.rgFourche[0] = c * 0.215 * v;
  d.rgFourche[1] = c * 0.215 * v;
  d.rgFourche[2] = c * 0.215 * v * inv_rac5;

  d.mRoue = 4.0;
  d.xRoue = 0;
  d.rgRoue[0] = r * inv_rac2;
  d.rgRoue[1] = r / 2;
  d.rgRoue[2] = r / 2;

  d.redSteer = 160;
  d.jmSteer = 4.14e-05;
  d.fsSteer = 0.063;
  d.fvSteer = 0.0019;
  d.redElev = 160;
  d.jmElev = 4.27e-05;
  d.fsElev = 0.063;
  d.fvElev = 0.0019;
  d.redRoue = 1600;
  d.jmRoue = 8.6e-07;
  d.fsRoue = 0.0063;
  d.fvRoue = 0.00019;
  d.cMaxRoue = 0.023;

  d.dXyz = 0.005;
  d.dVitXyz = 0.001;
  d.dLtr = 0.015;
  d.dVitLtr = 0.005;
  d.dTrav = 0.015;
  d.dVitTrav = 0.005;
  d.dRoue = 0.15;
  d.dVitRoue = 0.05;

  d.kpTravL = 2000 * a;
  d.kvTravL = 200 * a;
  d.kpTravR = 100 * Lr / (3 * 0.05 * 0.05);
  d.kvTravR = 2 * 100 * Lr / (3 * 0.05);

  d.vMax = 0.05;
  // turning circle of the front wheels at full lock (pi/4) about the middle axle
  d.cMax = 1 / (2 * a / tan(M_PI / 4) + 0.5 * v);
}

DynRover* new_dynRover(double voie, double inclinaison, int quadri,
                       FILE* fdata, int testLibre, int verbose,
                       FILE* fresults) {
  DynRover* rover = static_cast<DynRover*>(calloc(1, sizeof(DynRover)));
  if (!rover) {
    fprintf(stderr, "Echec allocation dans new_dynRover\n");
    return nullptr;
  }
  rover->voie = voie;
  rover->inclinaison = inclinaison;
  rover->quadri = quadri;
  const char* msg = geodir_rover(&rover->conf, voie, inclinaison, quadri);
  if (!msg) msg = update_geometry(&rover->conf);
  if (msg) {
    fprintf(stderr, "Message de geodir_rover recu par new_dynRover : %s\n", msg);
    free(rover);
    return nullptr;
  }

  rover->testLibre = testLibre;
  rover->verbose = verbose;
  rover->fdata = fdata;
  rover->fresults = fresults;

  if (fdata) {
    msg = loadDatadynrov(&rover->data, fdata);
    if (msg) {
      fprintf(stderr, "Message de loadDatadynrov recu par new_dynRover : %s\n",
              msg);
      free(rover);
      return nullptr;
    }
  } else {
    dyn_defaults(rover);
  }

  dyn_constants(rover);
  return rover;
}
