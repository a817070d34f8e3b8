// Dynamic parameters: internal defaults, the 50-line data file and the
// dynamic rover constructor.
#include "rover/dynrover.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/streams.h"

namespace {

const double kPi = 3.14159265358979323846;

// A real stream over a string that records whether it was closed, so that
// every exit of the reader can be checked to close it.
struct Flux {
  std::string texte;
  size_t pos = 0;
  bool ferme = false;
};

ssize_t lireFlux(void* cookie, char* buf, size_t n) {
  Flux* f = static_cast<Flux*>(cookie);
  const size_t k = std::min(n, f->texte.size() - f->pos);
  memcpy(buf, f->texte.data() + f->pos, k);
  f->pos += k;
  return static_cast<ssize_t>(k);
}

int fermerFlux(void* cookie) {
  static_cast<Flux*>(cookie)->ferme = true;
  return 0;
}

FILE* ouvrir(Flux* f) {
  cookie_io_functions_t fonctions = {lireFlux, nullptr, nullptr, fermerFlux};
  return fopencookie(f, "r", fonctions);
}

// the defaults of a rover of track width v and inclination i
DataDynRov defauts(double v, double incl) {
  DynRover* r = static_cast<DynRover*>(calloc(1, sizeof(DynRover)));
  r->voie = v;
  r->inclinaison = incl;
  dyn_defaults(r);
  DataDynRov d = r->data;
  free(r);
  return d;
}

std::string ecrire(const DataDynRov& d) {
  return printed([&](FILE* f) { saveDatadynrov(&d, f); }, true);
}

std::vector<std::string> lignes(const std::string& s) {
  std::vector<std::string> out;
  size_t debut = 0;
  for (size_t k; (k = s.find('\n', debut)) != std::string::npos; debut = k + 1)
    out.push_back(s.substr(debut, k - debut + 1));
  if (debut < s.size()) out.push_back(s.substr(debut));
  return out;
}

std::string joindre(const std::vector<std::string>& l) {
  std::string s;
  for (const std::string& x : l) s += x;
  return s;
}

const double* valeurs(const DataDynRov& d) {
  return reinterpret_cast<const double*>(&d);
}

// a record filled with values no line of a file will hold
DataDynRov temoin() {
  DataDynRov d;
  double* v = reinterpret_cast<double*>(&d);
  for (int k = 0; k < NB_DATADYN; k++) v[k] = -1000 - k;
  return d;
}

// reads text into a copy of temoin(); returns the message and checks closing
std::string charger(const std::string& texte, DataDynRov* d) {
  Flux flux{texte};
  FILE* f = ouvrir(&flux);
  const char* msg = loadDatadynrov(d, f);
  EXPECT_TRUE(flux.ferme) << "stream left open";
  return msg ? msg : "";
}

std::string erreur(int ligne) {
  return "Erreur lecture donnees dynamiques ligne " + std::to_string(ligne);
}

// ---- defaults --------------------------------------------------------------

TEST(Defaults, UnitRoverValues) {
  const DataDynRov d = defauts(1.0, 0.0);
  EXPECT_NEAR(d.cMax, 1.0, 4e-16);  // 1/(2a/tan(pi/4) + v/2) = 1/v
  EXPECT_DOUBLE_EQ(d.kpTravL, 500);   // 2000 * 0.25
  EXPECT_DOUBLE_EQ(d.kvTravL, 50);
  const double Lr = 0.5 - 0.06;  // rear support lateral position
  EXPECT_DOUBLE_EQ(d.kpTravR, 100 * Lr / (3 * 0.05 * 0.05));
  EXPECT_DOUBLE_EQ(d.kvTravR, 2 * 100 * Lr / (3 * 0.05));
  EXPECT_DOUBLE_EQ(d.g, 9.81);
  EXPECT_DOUBLE_EQ(d.m0, 43.0);
  EXPECT_DOUBLE_EQ(d.cdg0[1], -0.25);
  EXPECT_DOUBLE_EQ(d.cdg0[2], 0.2);
  EXPECT_DOUBLE_EQ(d.rgTravL[1], Lr / sqrt(30.0));
  EXPECT_DOUBLE_EQ(d.rgTravR[0], Lr / sqrt(30.0));
  EXPECT_DOUBLE_EQ(d.cdgSupL[1], 0.03);
  EXPECT_DOUBLE_EQ(d.cdgSupR[0], 0.03);
  EXPECT_DOUBLE_EQ(d.rgSupL[0], sqrt(0.12) * sqrt(0.06 * 0.06 + 0.08 * 0.08));
  EXPECT_DOUBLE_EQ(d.cdgFourche[0], -0.06 / 2.5);
  EXPECT_DOUBLE_EQ(d.cdgFourche[1], -0.1075);
  EXPECT_DOUBLE_EQ(d.rgRoue[0], 0.15 / sqrt(2.0));
  EXPECT_DOUBLE_EQ(d.redRoue, 1600);
  EXPECT_DOUBLE_EQ(d.jmElev, 4.27e-05);
  EXPECT_DOUBLE_EQ(d.dRoue, 0.15);
  EXPECT_DOUBLE_EQ(d.vMax, 0.05);
}

TEST(Defaults, ScaleWithTheTrackWidthAndFollowTheInclination) {
  const DataDynRov d = defauts(2.0, 0.0);
  EXPECT_NEAR(d.cMax, 0.5, 4e-16);
  EXPECT_DOUBLE_EQ(d.kpTravL, 1000);
  const double ti = tan(10 * kPi / 180);
  const DataDynRov e = defauts(1.0, 10 * kPi / 180);
  EXPECT_DOUBLE_EQ(e.cdgSupL[0], 0.08 * ti / 2);
  EXPECT_DOUBLE_EQ(e.cdgSupR[0], (0.06 + 0.08 * ti) / 2);
  EXPECT_DOUBLE_EQ(e.cdgFourche[0], -(0.06 + 0.445 * ti) / 2.5);
  EXPECT_DOUBLE_EQ(e.rgTravL[0], (0.44 - 0.445 * ti) * 0.5773502691896257);
}

// ---- file format -----------------------------------------------------------

TEST(DataFile, DefaultsAreWrittenAsFiftyFixedLines) {
  const std::vector<std::string> l = lignes(ecrire(defauts(1.0, 0.0)));
  ASSERT_EQ(l.size(), 50u);
  EXPECT_EQ(l[0], "Masse caisse+cu m0 = 43.000000 (kg)\n");
  EXPECT_EQ(l[1], "Position CDG caisse+cu = 0.000000 -0.250000 0.200000 (m)\n");
  EXPECT_EQ(l[16], "Rapport de reduction steering = 160.000000 (>= 1.)\n");
  EXPECT_EQ(l[17], "Inertie moteur et reducteur steering = 4.14e-05 (kg.m2, entree reducteur)\n");
  EXPECT_EQ(l[24], "Inertie moteur et reducteur elevation = 4.27e-05 (kg.m2, entree reducteur)\n");
  EXPECT_EQ(l[31], "Inertie moteur et reducteur roue = 8.6e-07 (kg.m2, entree reducteur)\n");
  EXPECT_EQ(l[43], "Raideur butee laterale = 500.000000 : (en Nm/rd)\n");
  EXPECT_EQ(l[47], "Valeur de la gravite = 9.810000 : (en m/s2)\n");
  EXPECT_EQ(l[49], "Courbure maximale = 1.000000 : (en 1/m)\n");
}

// Every one of the 74 values comes back as its printed form reads.
TEST(DataFile, RoundTripKeepsAllValuesToTheirPrintedPrecision) {
  for (double v : {1.0, 1.7}) {
    for (double incl : {0.0, 0.2}) {
      DataDynRov d = defauts(v, incl);
      // make every value distinct so that a swapped line would show
      double* p = reinterpret_cast<double*>(&d);
      for (int k = 0; k < NB_DATADYN; k++) p[k] += 1e-3 * k;
      const std::string texte = ecrire(d);
      DataDynRov lu = temoin();
      ASSERT_EQ(charger(texte, &lu), "");
      for (int k = 0; k < NB_DATADYN; k++) {
        const bool inertie = k == 48 || k == 52 || k == 56;
        char buf[64];
        snprintf(buf, sizeof buf, inertie ? "%lg" : "%lf", p[k]);
        EXPECT_EQ(valeurs(lu)[k], strtod(buf, nullptr)) << "value " << k;
        EXPECT_NEAR(valeurs(lu)[k], p[k], inertie ? 5e-6 * fabs(p[k]) : 5e-7)
            << "value " << k;
      }
    }
  }
}

TEST(DataFile, TextAfterTheValuesIsReadUpToSeventyNineCharacters) {
  std::vector<std::string> l = lignes(ecrire(defauts(1.0, 0.0)));
  const std::string base = l[4];  // "Inertie traverse laterale = ..."
  const size_t fin = base.find(" :");
  // 78 characters then the newline: accepted
  l[4] = base.substr(0, fin) + std::string(78, 'x') + "\n";
  DataDynRov d = temoin();
  EXPECT_EQ(charger(joindre(l), &d), "");
  EXPECT_NEAR(d.rgTravL[0], defauts(1.0, 0.0).rgTravL[0], 5e-7);  // six decimals
  // 79 characters then the newline: the rest does not fit; named on its line
  l[4] = base.substr(0, fin) + std::string(79, 'x') + "\n";
  d = temoin();
  EXPECT_EQ(charger(joindre(l), &d), erreur(5));
  // Windows line ends, and a last line without its newline, read as well
  l = lignes(ecrire(defauts(1.0, 0.0)));
  for (std::string& x : l) x.insert(x.size() - 1, "\r");
  l.back().pop_back();
  d = temoin();
  EXPECT_EQ(charger(joindre(l), &d), "");
  EXPECT_DOUBLE_EQ(d.cMax, 1.0);
}

struct Mauvais {
  const char* cas;
  std::string texte;
  int ligne;
};

std::vector<Mauvais> mauvais() {
  const std::vector<std::string> ok = lignes(ecrire(defauts(1.0, 0.0)));
  auto remplace = [&](int ligne, const std::string& par) {
    std::vector<std::string> l = ok;
    l[ligne - 1] = par;
    return joindre(l);
  };
  auto coupe = [&](int garde) {
    return joindre(std::vector<std::string>(ok.begin(), ok.begin() + garde));
  };
  return {
      {"empty file", "", 1},
      {"garbage", "n'importe quoi\n\x01\x02\x03", 1},
      {"binary zeros", std::string(200, '\0'), 1},
      {"line 17 without its value", remplace(17, "Rapport de reduction steering = (>= 1.)\n"), 17},
      {"ends after line 49", coupe(49), 50},
      {"ends after line 1", coupe(1), 2},
      {"wrong key text", remplace(3, "Inertie caisse : rayons girations /xyz = 1 2 3 (m)\n"), 3},
      {"key in lower case", remplace(28, "masse roue = 4.000000 (kg)\n"), 28},
      {"missing third value", remplace(2, "Position CDG caisse+cu = 0 1 (m)\n"), 2},
      {"text for a number", remplace(48, "Valeur de la gravite = g : (en m/s2)\n"), 48},
      {"non-finite value", remplace(36, "Variation max en xyz = nan : (en m)\n"), 36},
      {"infinite value", remplace(1, "Masse caisse+cu m0 = 1e999 (kg)\n"), 1},
      {"lines swapped", remplace(40, ok[35]), 40},
      {"leading blank", remplace(10, " " + ok[9]), 10},
  };
}

TEST(DataFile, MalformedFilesNameTheirLineAndChangeNothing) {
  for (const Mauvais& m : mauvais()) {
    SCOPED_TRACE(m.cas);
    DataDynRov d = temoin();
    EXPECT_EQ(charger(m.texte, &d), erreur(m.ligne));
    const DataDynRov t = temoin();
    EXPECT_EQ(memcmp(&d, &t, sizeof d), 0) << "record changed";
  }
}

TEST(DataFile, MissingStreamIsAReadingErrorNotACrash) {
  DataDynRov d = temoin();
  const char* msg = loadDatadynrov(&d, nullptr);
  ASSERT_NE(msg, nullptr);
  EXPECT_EQ(std::string(msg), erreur(1));
  saveDatadynrov(&d, nullptr);  // nothing to write to: nothing happens
}

// ---- construction ----------------------------------------------------------

TEST(Construction, DefaultsWhenNoDataFile) {
  FILE* res = tmpfile();
  DynRover* r = new_dynRover(1.5, 0.1, 1, nullptr, 1, 42, res);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->voie, 1.5);
  EXPECT_EQ(r->inclinaison, 0.1);
  EXPECT_EQ(r->quadri, 1);
  EXPECT_EQ(r->testLibre, 1);
  EXPECT_EQ(r->verbose, 42);
  EXPECT_EQ(r->fresults, res);
  EXPECT_EQ(r->fdata, nullptr);
  const DataDynRov d = defauts(1.5, 0.1);
  EXPECT_EQ(memcmp(&r->data, &d, sizeof d), 0);
  EXPECT_EQ(r->conf.quadri, 1);
  EXPECT_DOUBLE_EQ(r->conf.rayonRoue, 0.225);
  // the constants are derived: command limits and total mass
  EXPECT_EQ(r->vmax, d.vMax);
  EXPECT_EQ(r->cmax, d.cMax);
  EXPECT_GT(r->mtot, d.m0);
  free(r);
  fclose(res);
}

TEST(Construction, ParametersComeFromTheDataFile) {
  DataDynRov d = defauts(1.0, 0.0);
  d.m0 = 80;
  d.cMax = 0.75;
  char chemin[] = "/tmp/datadynXXXXXX";
  const int fd = mkstemp(chemin);
  ASSERT_GE(fd, 0);
  saveDatadynrov(&d, fdopen(fd, "w"));
  FILE* f = fopen(chemin, "r");
  ASSERT_NE(f, nullptr);
  DynRover* r = new_dynRover(1.0, 0.0, 0, f, 0, 0, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->fdata, f);  // kept as the marker of where the data came from
  EXPECT_EQ(r->data.m0, 80);
  EXPECT_EQ(r->data.cMax, 0.75);
  free(r);
  remove(chemin);
}

TEST(Construction, FailuresWriteOneLineAndGiveNoObject) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(new_dynRover(-1.0, 0.0, 0, nullptr, 0, 0, nullptr), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Message de geodir_rover recu par new_dynRover : "
            "Caisse trop longue / empattement\n\n");

  Flux flux{"Masse caisse+cu m0 = 43.0 (kg)\n"};
  FILE* f = ouvrir(&flux);
  testing::internal::CaptureStderr();
  EXPECT_EQ(new_dynRover(1.0, 0.0, 0, f, 0, 0, nullptr), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Message de loadDatadynrov recu par new_dynRover : " + erreur(2) +
                "\n");
  EXPECT_TRUE(flux.ferme);
}

}  // namespace
