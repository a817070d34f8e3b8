// Scenario files as text: what is written reads back the same, every refused
// file names its key and reason, and paths are taken from the file's folder.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "scenario/scenariofile.h"
#include "support/files.h"

namespace {

// a scenario with a value off the defaults in every part
ScenarioFile scenarioComplet()
{
    ScenarioFile s;
    s.voie = 1.2;
    s.inclinaison = 10.0;
    s.quadri = true;
    s.testLibre = true;
    s.periode = 20;
    s.verbosite = 3;
    s.resultats = "/tmp/trace.txt";
    for (int k = 0; k < NB_DATADYN; ++k) {
        s.donnees[k] = 0.1 * k + 1.0 / 3.0;
        s.donneeDonnee[k] = true;
    }
    s.forme = 2;
    s.cellule = 0.2;
    s.xmin = -5, s.xmax = 7, s.ymin = -3, s.ymax = 4;
    s.bosses = 0.15;
    s.coefH = 2.0;
    s.graine = 4294967295u;
    s.modele = 1;
    s.phi0 = 25.0;
    s.aKN = s.aFT = true;
    s.kN = 8000.0, s.fT = 0.1;
    ZoneScenario z;
    z.hzone = 1, z.X = 2, z.Y = 3, z.R = 1.5, z.c = 200, z.phi = 24, z.n = 1.1;
    s.zones = {ZoneScenario(), z};
    s.aPose = s.aAngles = true;
    for (int k = 0; k < 6; ++k)
        s.pose[k] = k - 2.5;
    for (int k = 0; k < NB_CONF; ++k)
        s.angles[k] = 1e-3 * k;
    s.placer = false;
    s.dynamique = true;
    s.v = 0.05, s.c = -0.2;
    s.commandes = {{0, 0, 0}, {2, 0.05, 0}, {2, 0.1, 0.5}};
    s.continuer = true;
    s.duree = 25.0;
    s.trajectoire = "/tmp/traj.txt";
    s.telemetrie = "/tmp/tele.csv";
    return s;
}

} // namespace

TEST(ScenarioFile, WrittenScenarioReadsBackToTheSameValues)
{
    const ScenarioFile s = scenarioComplet();
    const std::string texte = texteScenario(s);
    ScenarioFile r;
    ASSERT_EQ(litScenarioTexte(texte, "/nowhere", &r), "");
    // doubles are written in their shortest exact spelling: equal, not near
    EXPECT_EQ(texteScenario(r), texte);
    EXPECT_EQ(r.voie, 1.2);
    EXPECT_TRUE(r.quadri && r.testLibre && r.dynamique && r.continuer && !r.placer);
    EXPECT_EQ(r.graine, 4294967295u);
    for (int k = 0; k < NB_DATADYN; ++k)
        ASSERT_EQ(r.donnees[k], 0.1 * k + 1.0 / 3.0) << k;
    ASSERT_EQ(r.zones.size(), 2u);
    EXPECT_EQ(r.zones[1].phi, 24.0);
    EXPECT_EQ(r.zones[1].hzone, 1);
    ASSERT_EQ(r.commandes.size(), 3u);
    EXPECT_EQ(r.commandes[2].c, 0.5);
    EXPECT_TRUE(r.aKN && !r.aFN && !r.aKT && r.aFT);
    EXPECT_EQ(r.angles[20], 1e-3 * 20);
    EXPECT_EQ(r.telemetrie, "/tmp/tele.csv");

    // an empty object is the default scenario
    ScenarioFile d;
    ASSERT_EQ(litScenarioTexte("{}", "", &d), "");
    EXPECT_EQ(texteScenario(d), texteScenario(ScenarioFile()));
}

TEST(ScenarioFile, PlanReadsBackToTheSameTextAndRunsToItsEndWithoutDuree)
{
    const char* const texte = R"({"pilotage": {"mode": "dyn", "plan": {
      "vitesse": 0.05,
      "commandes": [{"arc": {"rayon": -4.0, "longueur": 3.0}}, {"droit": -2.5, "vitesse": 0.02},
                    {"cap": 90}, {"point": {"x": 9.5, "y": 5.0, "tolerance": 0.5, "delai": 600}},
                    {"point": {"x": 1, "y": 2, "tolerance": 0.1}}],
      "zones_interdites": [{"x": 6.0, "y": 2.0, "rayon": 1.5}],
      "limites": {"inclinaison": 30, "marge": 10, "glissement": 0.4, "controle_glissement": 5,
                  "garde_sol": 0.1, "enfoncement": 0.05}}},
      "sorties": {"rapport": "/tmp/r.csv", "carte": "/tmp/c.png"}})";
    ScenarioFile s;
    ASSERT_EQ(litScenarioTexte(texte, "", &s), "");
    ASSERT_TRUE(s.aPlan && !s.aDuree);
    ASSERT_EQ(s.planCommandes.size(), 5u);
    EXPECT_EQ(s.planCommandes[0].type, PlanArc);
    EXPECT_EQ(s.planCommandes[0].rayon, -4.0);
    EXPECT_EQ(s.planCommandes[1].longueur, -2.5);
    EXPECT_EQ(s.planCommandes[1].vitesse, 0.02);
    EXPECT_EQ(s.planCommandes[2].cap, 90.0);
    EXPECT_EQ(s.planCommandes[3].delai, 600.0);
    EXPECT_EQ(s.planCommandes[4].delai, 0.0);  // none
    EXPECT_EQ(s.zonesInterdites.size(), 1u);
    EXPECT_EQ(s.limites.enfoncement, 0.05);
    const std::string ecrit = texteScenario(s);
    EXPECT_EQ(ecrit.find("\"duree\""), std::string::npos);
    ScenarioFile r;
    ASSERT_EQ(litScenarioTexte(ecrit, "", &r), "");
    EXPECT_EQ(texteScenario(r), ecrit);
    EXPECT_EQ(r.rapport, "/tmp/r.csv");
    EXPECT_EQ(r.carte, "/tmp/c.png");
    // absent limits stay absent, a duree given is kept
    ScenarioFile d;
    ASSERT_EQ(litScenarioTexte(R"({"duree": 5, "pilotage": {"plan": {"commandes": [{"droit": 1}]}}})", "", &d), "");
    EXPECT_TRUE(std::isnan(d.limites.marge) && d.aDuree);
    ScenarioFile dr;
    ASSERT_EQ(litScenarioTexte(texteScenario(d), "", &dr), "");
    EXPECT_EQ(texteScenario(dr), texteScenario(d));
    EXPECT_TRUE(std::isnan(dr.limites.marge) && dr.duree == 5.0);
}

TEST(ScenarioFile, RefusedFilesNameTheKeyAndTheReason)
{
    struct Row {
        const char* texte;
        const char* message;
    } rows[] = {
        {"[1, 2]", "scenario : objet JSON attendu"},
        {"{\"geometrie\": {\"voie\": 1,}}", "JSON illisible, ligne 1, colonne 26"},
        {"{\n  \"duree\": 3\n  \"sol\": {}\n}", "JSON illisible, ligne 3, colonne "},
        {"{\"pente\": 3}", "pente : cle inconnue"},
        {"{\"terrain\": {\"Cellule\": 1}}", "terrain.Cellule : cle inconnue"},
        {"{\"version\": 2}", "version : entier de 1 a 1 attendu, pas 2"},
        {"{\"geometrie\": {\"voie\": \"1\"}}", "geometrie.voie : nombre attendu, pas \"1\""},
        {"{\"geometrie\": {\"voie\": 0}}", "geometrie.voie : largeur positive attendue, pas 0"},
        {"{\"geometrie\": {\"quadri\": 1}}", "geometrie.quadri : true ou false attendu, pas 1"},
        {"{\"geometrie\": 3}", "geometrie : objet JSON attendu"},
        {"{\"geometrie\": {\"inclinaison\": 80}}", "geometrie.inclinaison : angle de 0 a "},
        {"{\"dynamique\": {\"periode\": 0}}", "dynamique.periode : periode entiere de 1 a 10000 ms attendue, pas 0"},
        {"{\"dynamique\": {\"verbosite\": 1.5}}", "dynamique.verbosite : entier de 0 a 200"},
        {"{\"dynamique\": {\"donnees\": {\"masse\": 1}}}", "dynamique.donnees.masse : cle inconnue"},
        {"{\"dynamique\": {\"donnees\": {\"cdg0\": [1, 2]}}}",
         "dynamique.donnees.cdg0 : liste de 3 nombres attendue"},
        {"{\"dynamique\": {\"donnees\": 4}}", "dynamique.donnees : nom de fichier ou objet"},
        {"{\"terrain\": {\"forme\": 1}}", "terrain.forme : \"plat\", \"aleatoire\" ou \"sinus\" attendu"},
        {"{\"terrain\": {\"cellule\": -0.1}}", "terrain.cellule : dimension de cellule positive"},
        {"{\"terrain\": {\"cellule\": 0.001}}", "terrain.cellule : grille de plus de 4000000 noeuds"},
        {"{\"terrain\": {\"xmin\": 10}}", "terrain.xmax : plus grand que terrain.xmin attendu"},
        {"{\"terrain\": {\"graine\": -1}}", "terrain.graine : entier de 0 a 4294967295 attendu"},
        {"{\"terrain\": {\"bosses\": -0.1}}", "terrain.bosses : hauteur positive ou nulle"},
        {"{\"terrain\": {\"raster\": {\"fenetre\": [0, 0, 1]}}}", "terrain.raster.fichier : cle manquante"},
        {"{\"terrain\": {\"fichier\": \"\"}}", "terrain.fichier : nom de fichier attendu"},
        {"{\"sol\": {\"modele\": \"sable\"}}",
         "sol.modele : \"simplifie\", \"macro\" ou \"classique\" attendu"},
        {"{\"sol\": {\"classique\": {\"c1\": 0.7}}}", "sol.classique.c2 : c1 + c2 inferieur a 1"},
        {"{\"sol\": {\"classique\": {\"n1\": -1}}}", "sol.classique.n1 : nombre positif ou nul"},
        {"{\"sol\": {\"zones\": [{\"lbda\": -1}]}}", "sol.zones[0].lbda : rapport positif ou nul"},
        {"{\"sol\": {\"simplifie\": {\"phi0\": 90}}}", "sol.simplifie.phi0 : angle de 0 a 90"},
        {"{\"sol\": {\"simplifie\": {\"kN\": -1}}}", "sol.simplifie.kN : nombre positif ou nul"},
        {"{\"sol\": {\"zones\": [{}, {\"R\": -1}]}}", "sol.zones[1].R : rayon positif attendu"},
        {"{\"sol\": {\"zones\": [{\"nom\": \"a\"}]}}", "sol.zones[0].nom : cle inconnue"},
        {"{\"sol\": {\"zones\": 1}}", "sol.zones : nom de fichier ou liste de zones attendu"},
        {"{\"depart\": {\"pose\": [1, 2, 3]}}", "depart.pose : liste de 6 nombres attendue"},
        {"{\"depart\": {\"angles\": [1]}}", "depart.angles : liste de 21 nombres attendue"},
        {"{\"pilotage\": {\"mode\": \"auto\"}}", "pilotage.mode : \"kin\" ou \"dyn\" attendu"},
        {"{\"pilotage\": {\"commandes\": [[0, 1]]}}", "pilotage.commandes[0] : liste [t, v, c]"},
        {"{\"pilotage\": {\"commandes\": [[0, 1, \"a\"]]}}", "pilotage.commandes[0][2] : nombre"},
        {"{\"pilotage\": {\"commandes\": [[1, 0, 0], [0.5, 0, 0]]}}",
         "pilotage.commandes[1] : temps decroissant"},
        {"{\"duree\": -1}", "duree : duree de 0 a 1000000 s attendue, pas -1"},
        {"{\"duree\": 1e400}", "JSON illisible, nombre hors des limites"},
        {"{\"sorties\": {\"video\": \"a\"}}", "sorties.video : cle inconnue"},
        {"{\"sorties\": {\"rapport\": \"r.csv\"}}", "sorties.rapport : un rapport ne sert qu'avec pilotage.plan"},
        {"{\"sorties\": {\"carte\": \"c.png\"}}", "sorties.carte : une carte ne sert qu'avec pilotage.plan"},
        // drive plans
        {"{\"pilotage\": {\"plan\": {}}}", "pilotage.plan.commandes : cle manquante"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": []}}}",
         "pilotage.plan.commandes : liste d'au moins une commande attendue"},
        {"{\"pilotage\": {\"commandes\": [], \"plan\": {\"commandes\": [{\"droit\": 1}]}}}",
         "pilotage.plan : pas avec pilotage.commandes, l'un ou l'autre"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"tourne\": 3}]}}}",
         "pilotage.plan.commandes[0].tourne : cle inconnue"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": 1, \"cap\": 3}]}}}",
         "pilotage.plan.commandes[0] : une commande arc, droit, cap ou point attendue"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": 1}, {\"arc\": {\"rayon\": 0, \"longueur\": 1}}]}}}",
         "pilotage.plan.commandes[1].arc.rayon : rayon non nul attendu, pas 0"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"arc\": {\"rayon\": 2}}]}}}",
         "pilotage.plan.commandes[0].arc.longueur : cle manquante"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": \"1\"}]}}}",
         "pilotage.plan.commandes[0].droit : nombre attendu, pas \"1\""},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"point\": {\"x\": 1, \"y\": 1, \"tolerance\": -1}}]}}}",
         "pilotage.plan.commandes[0].point.tolerance : tolerance positive attendue, pas -1"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"point\": {\"x\": 1, \"y\": 1, \"tolerance\": 1, \"delai\": 0}}]}}}",
         "pilotage.plan.commandes[0].point.delai : delai positif attendu, pas 0"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"point\": {\"x\": 11, \"y\": 1, \"tolerance\": 1}}]}}}",
         "pilotage.plan.commandes[0].point : point sur le terrain [-10, 10] x [-10, 10] attendu, pas (11, 1)"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": 1, \"vitesse\": -1}]}}}",
         "pilotage.plan.commandes[0].vitesse : vitesse positive attendue, pas -1"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": 1}], \"zones_interdites\": [{\"x\": 1, \"y\": 1, \"rayon\": 0}]}}}",
         "pilotage.plan.zones_interdites[0].rayon : rayon positif attendu, pas 0"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": 1}], \"limites\": {\"inclinaison\": 0}}}}",
         "pilotage.plan.limites.inclinaison : angle de 0 (exclu) a 90 degres attendu, pas 0"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": 1}], \"limites\": {\"glissement\": 1.5}}}}",
         "pilotage.plan.limites.glissement : glissement de 0 (exclu) a 1 attendu, pas 1.5"},
        {"{\"pilotage\": {\"plan\": {\"commandes\": [{\"droit\": 1}], \"limites\": {\"pente\": 10}}}}",
         "pilotage.plan.limites.pente : cle inconnue"},
    };
    for (const Row& r : rows) {
        ScenarioFile s;
        std::string m = litScenarioTexte(r.texte, "", &s);
        EXPECT_EQ(m.rfind(r.message, 0), 0u) << r.texte << "\n  -> " << m;
    }
}

TEST(ScenarioFile, PathsAreTakenFromTheFilesFolderAndInputsMustExist)
{
    TempDir tmp;
    const std::string dir = tmp.path;
    writeText(dir + "/cmds.txt", "0 0.1 0\n");
    writeText(dir + "/run.json",
          "{\"pilotage\": {\"commandes\": \"cmds.txt\"},"
          " \"sorties\": {\"trajectoire\": \"out/traj.txt\", \"telemetrie\": \"/abs/t.csv\"}}");
    ScenarioFile s;
    ASSERT_EQ(litScenario(dir + "/run.json", &s), "");
    EXPECT_EQ(s.commandesFichier, dir + "/cmds.txt");
    // outputs are written by the run: resolved, not looked for
    EXPECT_EQ(s.trajectoire, dir + "/out/traj.txt");
    EXPECT_EQ(s.telemetrie, "/abs/t.csv");

    // null stands for no file
    ScenarioFile n;
    ASSERT_EQ(litScenarioTexte("{\"terrain\": {\"fichier\": null}}", dir, &n), "");
    EXPECT_EQ(n.terrainFichier, "");

    struct Row {
        const char* texte;
        const char* message;
    } rows[] = {
        {"{\"terrain\": {\"fichier\": \"absent.txt\"}}", "terrain.fichier : fichier introuvable : "},
        {"{\"dynamique\": {\"donnees\": \"absent.dyn\"}}", "dynamique.donnees : fichier introuvable"},
        {"{\"sol\": {\"zones\": \"absent.sol\"}}", "sol.zones : fichier introuvable"},
        {"{\"terrain\": {\"raster\": {\"fichier\": \"a.tif\"}}}", "terrain.raster.fichier : fichier introuvable"},
        {"{\"pilotage\": {\"commandes\": \".\"}}", "pilotage.commandes : pas un fichier"},
    };
    for (const Row& r : rows) {
        writeText(dir + "/bad.json", r.texte);
        ScenarioFile b;
        std::string m = litScenario(dir + "/bad.json", &b);
        EXPECT_EQ(m.rfind(r.message, 0), 0u) << r.texte << "\n  -> " << m;
    }
    ScenarioFile a;
    EXPECT_EQ(litScenario(dir + "/none.json", &a).rfind("fichier illisible", 0), 0u);

    // written where it cannot be: a message, not a crash
    EXPECT_NE(ecritScenario(ScenarioFile(), dir + "/no/such/folder.json"), "");
    EXPECT_EQ(ecritScenario(scenarioComplet(), dir + "/written.json"), "");
    ScenarioFile w;
    EXPECT_EQ(litScenario(dir + "/written.json", &w), "");
    EXPECT_EQ(texteScenario(w), texteScenario(scenarioComplet()));
}
