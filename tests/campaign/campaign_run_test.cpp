// kadmer-campaign as a program over the real kadmer-sim: the example campaign
// run locally, run again (nothing to do), resumed after lost and changed cases,
// reproduced byte for byte; failing and late cases recorded while the campaign
// goes on; collect over unfinished work; its pictures.
#include <gtest/gtest.h>

#include <QImage>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "campaign_support.h"
#include "runner.h"

using campaign::json;
using campaign::pending;
using campaign::read_manifest;

TEST(CampaignRun, ExampleRunsResumesAndGivesTheSameBytesTwice)
{
    TempDir tmp;
    std::string a = tmp.path + "/a", b = tmp.path + "/b";
    ProgramRun r = run_program("run " + example() + " --out " + a + " --jobs 2");
    ASSERT_EQ(r.status, 0) << r.err;
    Csv t = read_csv(a + "/summary.csv");
    ASSERT_EQ(t.rows.size(), 12u);
    for (const auto& row : t.rows) {
        EXPECT_EQ(t.at(row, "status"), "ok") << t.at(row, "stderr_tail");
        EXPECT_FALSE(t.at(row, "distance_m").empty());
        EXPECT_FALSE(t.at(row, "min_tip_margin_deg").empty());
    }
    EXPECT_EQ(t.at(t.rows[4], "pente_pct"), "10");
    EXPECT_EQ(t.at(t.rows[4], "sol"), "limon");

    // the pictures: a heat map and a line, drawn, not blank
    for (const char* png : {"/mean_slip-pente_pct-sol.png", "/distance_m-pente_pct.png"}) {
        QImage img(QString::fromStdString(a + png));
        ASSERT_FALSE(img.isNull()) << png;
        std::set<QRgb> colours;
        for (int y = 0; y < img.height(); y += 4)
            for (int x = 0; x < img.width(); x += 4)
                colours.insert(img.pixel(x, y));
        EXPECT_GT(colours.size(), 20u) << png;
    }

    // run again: every case is done with the same content, nothing runs
    std::string before = slurp(a + "/cases/c000003.result");
    r = run_program("run " + example() + " --out " + a);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("12 cas, 12 deja faits, 0 a lancer"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(a + "/cases/c000003.result"), before);

    // lost results and a changed value: those cases only run again
    std::remove((a + "/cases/c000000.result").c_str());
    std::remove((a + "/cases/c000007.result").c_str());
    std::string changed = tmp.path + "/changed.json";
    std::string text = slurp(example());
    size_t at = text.find("\"values\": [0, 1, 2, 3]");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 22, "\"values\": [0, 1, 2, 4]");
    writeText(changed, text);
    symlink_examples(tmp.path);
    r = run_program("run " + changed + " --out " + a);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("12 cas, 7 deja faits, 5 a lancer"), std::string::npos) << r.err;

    // the same campaign elsewhere: the same trajectories and figures
    r = run_program("run " + changed + " --out " + b + " --jobs 1");
    ASSERT_EQ(r.status, 0) << r.err;
    for (int i = 0; i < 12; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/cases/c%06d.traj", i);
        std::string ta = slurp(a + name);
        EXPECT_GT(ta.size(), 1000u);
        EXPECT_TRUE(ta == slurp(b + name)) << name;
    }
    EXPECT_EQ(without(read_csv(a + "/summary.csv"), {"wall", "rtf"}),
              without(read_csv(b + "/summary.csv"), {"wall", "rtf"}));
}

TEST(CampaignRun, FailingAndLateCasesAreRecordedAndTheRestRuns)
{
    TempDir tmp;
    std::string file = tmp.path + "/c.json", dir = tmp.path + "/out";
    // the rover circles on the terrain: a late case is ended by its limit,
    // not by leaving the terrain
    writeText(file, R"({"base": {"terrain": {"forme": "plat"}, "pilotage": {"v": 0.05, "c": 0.5}},
        "axes": [{"path": "terrain.cellule", "values": [1, -1, 2]},
                 {"path": "duree", "values": [0.2, 1000000]}],
        "time_limit_s": 10})");
    ProgramRun r = run_program("run " + file + " --out " + dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("6 cas : 2 reussis, 4 en echec, 0 non termines"), std::string::npos) << r.err;
    Csv t = read_csv(dir + "/summary.csv");
    ASSERT_EQ(t.rows.size(), 6u);
    const char* status[] = {"ok", "delai", "echec", "echec", "ok", "delai"};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(t.at(t.rows[i], "status"), status[i]) << i;
    // a refused scenario: its exit status and the message naming the key
    EXPECT_EQ(t.at(t.rows[2], "exit_code"), "2");
    EXPECT_NE(t.at(t.rows[2], "stderr_tail").find("terrain.cellule"), std::string::npos);
    EXPECT_EQ(t.at(t.rows[2], "distance_m"), "");
    // a late one: ended by its time limit
    EXPECT_EQ(t.at(t.rows[1], "signal"), "9");
    EXPECT_NE(t.at(t.rows[1], "stderr_tail").find("arrete apres 10 s"), std::string::npos);
    EXPECT_FALSE(t.at(t.rows[0], "distance_m").empty());

    // collect over unfinished work: what has ended, the rest "absent"
    std::remove((dir + "/cases/c000004.result").c_str());
    r = run_program("collect " + dir);
    EXPECT_EQ(r.status, 1);
    t = read_csv(dir + "/summary.csv");
    EXPECT_EQ(t.at(t.rows[4], "status"), "absent");
    EXPECT_EQ(t.at(t.rows[0], "status"), "ok");

    // a longer limit gives the late cases another chance, and the lost one
    // runs again; the refused ones stay as they were
    json m;
    ASSERT_EQ(read_manifest(dir, m), "");
    m["time_limit_s"] = 20.0;
    EXPECT_EQ(pending(dir, m, false), (std::vector<int>{1, 4, 5}));
    EXPECT_EQ(pending(dir, m, true), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(CampaignRun, APlanStoppedByItsProtectionIsAResultAndTheShareThatEndsIsDrawn)
{
    TempDir tmp;
    std::string file = tmp.path + "/c.json", dir = tmp.path + "/out";
    // a 2 m drive on flat ground whose tilt limit is swept below and above
    // the bumps' tilt: the first stops (status 3), the second ends
    writeText(file, R"({"base": {"terrain": {"forme": "aleatoire"}, "pilotage": {"mode": "kin",
          "plan": {"vitesse": 0.05, "commandes": [{"droit": 2}], "limites": {"inclinaison": 0.01}}}},
        "axes": [{"name": "lim", "path": "pilotage.plan.limites.inclinaison", "values": [0.01, 60]}],
        "plots": [{"figure": "plan_succes", "axes": ["lim"]}], "time_limit_s": 20})");
    ProgramRun r = run_program("run " + file + " --out " + dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("plans de marche : 1 menes a leur fin, 1 arretes"), std::string::npos) << r.err;
    Csv t = read_csv(dir + "/summary.csv");
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.at(t.rows[0], "status"), "arrete");
    EXPECT_EQ(t.at(t.rows[0], "exit_code"), "3");
    EXPECT_EQ(t.at(t.rows[0], "plan_statut"), "arrete");
    EXPECT_EQ(t.at(t.rows[0], "plan_succes"), "0");
    EXPECT_EQ(t.at(t.rows[1], "plan_statut"), "ok");
    EXPECT_EQ(t.at(t.rows[1], "plan_commandes"), "1/1");
    EXPECT_EQ(t.at(t.rows[1], "plan_succes"), "1");
    EXPECT_EQ(access((dir + "/plan_succes-lim.png").c_str(), F_OK), 0);
}

TEST(CampaignRun, BadFilesAndOptionsEndWithStatusTwoBeforeAnyCaseRuns)
{
    TempDir tmp;
    std::string file = tmp.path + "/c.json";
    writeText(file, R"({"base": {}, "axes": [{"path": "terrain.frome", "values": ["plat"]}]})");
    struct Row {
        std::string args, message;
    } rows[] = {
        {"run " + tmp.path + "/absent.json --out " + tmp.path + "/o", "fichier de campagne illisible"},
        {"run " + file + " --out " + tmp.path + "/o", "refuse le scenario du premier cas"},
        {"run " + file, "option --out obligatoire"},
        {"run --out " + tmp.path + "/o", "argument FILE manquant"},
        {"run " + file + " --out " + tmp.path + "/o --jobs 0", "--jobs : valeur de 1 a 1024 attendue, pas 0"},
        {"run " + file + " --out " + tmp.path + "/o --jobs deux", "attendue, pas deux"},
        {"run " + file + " --out " + tmp.path + "/o --no-wait", "--no-wait ne sert qu'avec --slurm"},
        {"run " + file + " --out " + tmp.path + "/o --slurm=peut-etre", "--slurm n'attend pas de valeur"},
        {"run " + file + " encore --out " + tmp.path + "/o", "argument en trop : encore"},
        {"run " + file + " --out " + tmp.path + "/o --bogus", "option inconnue : --bogus"},
        {"case " + tmp.path + " trois", "TASK attend un entier, pas \"trois\""},
        {"collect " + tmp.path, "pas une campagne"},
        {"", "commande attendue : run ou collect"},
        {"bogus", "commande inconnue : bogus (run ou collect attendu)"},
        {"bogus", "--help pour l'usage"},
    };
    for (const Row& row : rows) {
        ProgramRun r = run_program(row.args);
        EXPECT_EQ(r.status, 2) << row.args;
        EXPECT_NE(r.err.find(row.message), std::string::npos) << row.args << "\n" << r.err;
    }
    // the file refused names the key in the case's file
    ProgramRun r = run_program(rows[1].args);
    EXPECT_NE(r.err.find("terrain.frome : cle inconnue"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("c000000.json"), std::string::npos) << r.err;
}
