// kadmer-sim on scenario files: the same file gives the same bytes, the seed
// alone changes the bumps, the options override the file, relative paths are
// the file's, and a refused file ends with status 2 naming its key.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/program.h"

namespace {

class KadmerSimScenario : public ::testing::Test {
protected:
    void write(const std::string& name, const std::string& text) { writeText(tmp / name, text); }

    // runs from the root folder, so only the file's folder can resolve a
    // relative path
    ProgramRun run(const std::string& args) { return runProgram("cd / && " KADMER_SIM_PATH " " + args); }

    TempDir tmp;
    const std::string dir = tmp.path;
};

// a dynamic drive over bumps with a turn: every part of the model at work
const char* const Drive = R"({
  "terrain": {"forme": "aleatoire", "bosses": 0.08, "graine": %s,
              "xmin": -4, "xmax": 4, "ymin": -4, "ymax": 4},
  "pilotage": {"mode": "dyn", "commandes": [[0, 0, 0], [0.4, 0.05, 0], [1.2, 0.05, 0.4]]},
  "duree": 2,
  "sorties": {"trajectoire": "%s.txt", "telemetrie": "%s.csv"}
})";

std::string drive(const char* seed, const char* traj)
{
    char text[1024];
    std::snprintf(text, sizeof text, Drive, seed, traj, traj);
    return text;
}

} // namespace

TEST_F(KadmerSimScenario, SameFileSameBytesAndTheSeedAloneChangesTheBumps)
{
    write("a.json", drive("7", "a"));
    write("b.json", drive("7", "b"));
    write("c.json", drive("8", "c"));
    for (const char* f : {"a.json", "b.json", "c.json"}) {
        ProgramRun r = run("--scenario " + dir + "/" + f);
        ASSERT_EQ(r.status, 0) << f << ": " << r.err;
        EXPECT_EQ(r.out.rfind("ticks=50 time=2.000 ", 0), 0u) << r.out;
    }
    std::string a = slurp(dir + "/a.txt"), b = slurp(dir + "/b.txt"), c = slurp(dir + "/c.txt");
    ASSERT_GT(a.size(), 1000u);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    std::string ta = slurp(dir + "/a.csv"), tb = slurp(dir + "/b.csv");
    ASSERT_GT(ta.size(), 1000u);
    EXPECT_EQ(ta, tb);
    EXPECT_NE(ta, slurp(dir + "/c.csv"));
    // a second run over the same file rewrites the same bytes
    ASSERT_EQ(run("--scenario " + dir + "/a.json").status, 0);
    EXPECT_EQ(slurp(dir + "/a.txt"), a);
    EXPECT_EQ(slurp(dir + "/a.csv"), ta);
}

TEST_F(KadmerSimScenario, OptionsOverrideTheFileAndPathsAreTheFilesOwn)
{
    write("cmds.txt", "0 0.1 0\n");
    write("run.json", R"({"terrain": {"forme": "plat", "bosses": 0},
        "pilotage": {"mode": "kin", "v": 0.3, "commandes": "cmds.txt"},
        "duree": 4, "sorties": {"trajectoire": "traj.txt"}})");
    // the file's commands (0.1 m/s from t = 0), duration and output
    ProgramRun r = run("--scenario " + dir + "/run.json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("ticks=100 ", 0), 0u) << r.out;
    std::string traj = slurp(dir + "/traj.txt");
    double y0 = 0, y1 = 0;
    ASSERT_EQ(std::sscanf(traj.c_str(), "%*f %*f %lf", &y0), 1);
    ASSERT_EQ(std::sscanf(traj.c_str() + traj.rfind('\n', traj.size() - 2) + 1, "%*f %*f %lf", &y1), 1);
    EXPECT_NEAR(y1 - y0, 0.1 * 4, 1e-6);

    // the options change only what they name, whichever side of --scenario
    r = run("--duration 1 --scenario " + dir + "/run.json -o " + dir + "/other.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("ticks=25 ", 0), 0u) << r.out;
    std::string other = slurp(dir + "/other.txt");
    EXPECT_EQ(other, traj.substr(0, other.size()));
    r = run("--scenario " + dir + "/run.json --period 20 --duration 1");
    EXPECT_EQ(r.out.rfind("ticks=50 ", 0), 0u) << r.out;
}

TEST_F(KadmerSimScenario, RefusedFilesEndWithStatusTwoNamingTheKey)
{
    struct Row {
        const char* text;
        const char* message;
    } rows[] = {
        {"{\"terrain\": {\"cellule\": 0}}", "terrain.cellule : dimension de cellule positive"},
        {"{\"sol\": {\"zones\": \"nowhere.sol\"}}", "sol.zones : fichier introuvable : "},
        {"{\"pilotage\": {\"vitesse\": 1}}", "pilotage.vitesse : cle inconnue"},
        {"{\"duree\": ", "JSON illisible, ligne 1"},
    };
    for (const Row& row : rows) {
        write("bad.json", row.text);
        ProgramRun r = run("--scenario " + dir + "/bad.json");
        EXPECT_EQ(r.status, 2) << row.text;
        EXPECT_NE(r.err.find("scenario " + dir + "/bad.json : " + row.message), std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "");
    }
    ProgramRun r = run("--scenario " + dir + "/absent.json");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("fichier illisible"), std::string::npos) << r.err;
    // the options are still checked over a good file
    write("good.json", "{}");
    r = run("--scenario " + dir + "/good.json --voie -1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--voie : largeur positive attendue"), std::string::npos) << r.err;
}

// an option and the scenario key that says the same share their limits: a
// value out of them is refused by both with the same reason, status 2
TEST_F(KadmerSimScenario, OptionsAndKeysRefuseTheSameValuesAlike)
{
    struct Row {
        std::string option, json;
    } rows[] = {
        {"--cell 0.001", R"({"terrain": {"cellule": 0.001}})"},
        {"--xmin -1e9", R"({"terrain": {"xmin": -1e9}})"},
        {"--duration 1e300", R"({"duree": 1e300})"},
        {"--period 20000", R"({"dynamique": {"periode": 20000}})"},
        {"--inclinaison 60", R"({"geometrie": {"inclinaison": 60}})"},
        {"--phi0 90", R"({"sol": {"simplifie": {"phi0": 90}}})"},
    };
    // "... <option or key> : <reason>[, pas <value>]": the reason alone
    auto reason = [](const std::string& err) {
        std::string line = err.substr(0, err.find('\n'));
        line = line.substr(line.rfind(" : ") + 3);
        return line.substr(0, line.find(", pas"));
    };
    for (const Row& row : rows) {
        ProgramRun byOption = run(row.option);
        write("limit.json", row.json);
        ProgramRun byKey = run("--scenario " + dir + "/limit.json");
        EXPECT_EQ(byOption.status, 2) << row.option << ": " << byOption.err;
        EXPECT_EQ(byKey.status, 2) << row.json << ": " << byKey.err;
        EXPECT_EQ(reason(byOption.err), reason(byKey.err)) << byOption.err << byKey.err;
    }
}

TEST_F(KadmerSimScenario, RasterTerrainRunsAsTheOptionsSayIt)
{
    // an ASCII grid raster: a ramp along X, 0.5 m pixels
    std::string grid = "ncols 40\nnrows 40\nxllcorner 1000\nyllcorner 2000\ncellsize 0.5\n"
                       "NODATA_value -9999\n";
    for (int j = 0; j < 40; ++j) {
        for (int i = 0; i < 40; ++i)
            grid += std::to_string(0.02 * i) + (i < 39 ? " " : "\n");
    }
    write("ramp.asc", grid);
    write("r.json", R"({"terrain": {"raster": {"fichier": "ramp.asc", "fenetre": [1010, 2010, 15]}},
        "pilotage": {"v": 0.1}, "duree": 1, "sorties": {"trajectoire": "file.txt"}})");
    ProgramRun r = run("--scenario " + dir + "/r.json");
    ASSERT_EQ(r.status, 0) << r.err;
    r = run("--mnt " + dir + "/ramp.asc --window 1010,2010,15 --v 0.1 --duration 1 -o " + dir +
            "/options.txt");
    ASSERT_EQ(r.status, 0) << r.err;
    std::string a = slurp(dir + "/file.txt");
    EXPECT_GT(a.size(), 1000u);
    EXPECT_EQ(a, slurp(dir + "/options.txt"));
}
