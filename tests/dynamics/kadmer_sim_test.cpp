// kadmer-sim as a program: its arguments, the trajectory it writes, its
// summary line, and its exit status on bad input and on a step's message.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "rover/dynrover.h"
#include "support/program.h"

namespace {

ProgramRun run(const std::string& args)
{
    return runProgram(KADMER_SIM_PATH " " + args);
}

std::vector<std::vector<double>> samples(const std::string& path)
{
    std::vector<std::vector<double>> rows;
    std::ifstream f(path);
    std::string line;
    while (std::getline(f, line)) {
        std::istringstream is(line);
        std::vector<double> v;
        double x;
        while (is >> x)
            v.push_back(x);
        rows.push_back(v);
    }
    return rows;
}

} // namespace

TEST(KadmerSim, BadArgumentsAndUnreadableFilesEndWithStatusTwo)
{
    struct Row {
        const char* args;
        const char* message;
    } rows[] = {
        {"--bogus", "option inconnue : --bogus"},
        {"--voie", "--voie attend une valeur"},
        {"--voie abc", "--voie attend un nombre"},
        {"--voie -1", "--voie : largeur positive attendue"},
        {"--mode walk", "--mode : kin ou dyn attendu"},
        {"--mnt-type 3", "--mnt-type : 0, 1 ou 2 attendu"},
        {"--period 0", "--period : periode entiere de 1 a 10000 ms attendue"},
        {"--pose 1,2,3", "--pose attend des valeurs separees par des virgules"},
        {"--pose 1,2,3,4,5,6,7", "--pose : trop de valeurs"},
        {"--cell 0", "--cell : dimension de cellule positive attendue"},
        {"--zones /nonexistent", "--zones ne sert qu'avec --sol 1"},
        {"--sol 3", "--sol : 0, 1 ou 2 attendu"},
        {"--sol 2 --c1 0.7", "c1 + c2 < 1"},
        {"--mnt /nonexistent/terrain.txt", "fichier MNT illisible : /nonexistent/terrain.txt"},
        {"--datadyn /nonexistent/d.txt", "fichier de donnees dynamiques illisible"},
        {"--commands /nonexistent/c.txt", "fichier de commandes illisible"},
        {"--telemetry /nonexistent/t.csv", "fichier de telemetrie impossible a ecrire"},
        {"--telemetry", "--telemetry attend une valeur"},
        {"--summary=oui", "--summary n'attend pas de valeur, pas \"oui\""},
        {"--duration 1 2", "argument en trop : 2"},
    };
    for (const Row& r : rows) {
        ProgramRun res = run(r.args);
        EXPECT_EQ(res.status, 2) << r.args;
        EXPECT_NE(res.err.find(r.message), std::string::npos) << r.args << ": " << res.err;
        EXPECT_EQ(res.out, "") << r.args;
    }
}

TEST(KadmerSim, MalformedInputFilesNameTheirFault)
{
    TempDir d;
    const std::string cmds = d / "cmds.txt", data = d / "data.txt";
    writeText(cmds, "0 0.05 0\n2 0.05\n");
    ProgramRun r = run("--commands " + cmds);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("ligne 2"), std::string::npos) << r.err;

    writeText(data, "Masse caisse+cu m0 = 43.0 (kg)\n");
    r = run("--datadyn " + data);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Erreur lecture donnees dynamiques ligne 2"), std::string::npos) << r.err;
}

TEST(KadmerSim, KinematicRunWritesTheStartThenOneSamplePerTick)
{
    TempDir d;
    const std::string traj = d / "kin.txt";
    ProgramRun r = run("--v 0.1 --duration 2 --mnt-type 0 --bosses 0 -o " + traj);
    ASSERT_EQ(r.status, 0) << r.err;
    // the summary, alone on the last line
    int ticks = 0, sub = -1;
    double time = 0, wall = 0, rtf = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "ticks=%d time=%lf substeps=%d wall=%lf rtf=%lf", &ticks,
                          &time, &sub, &wall, &rtf),
              5)
        << r.out;
    EXPECT_EQ(ticks, 50);
    EXPECT_DOUBLE_EQ(time, 2.0);
    EXPECT_EQ(sub, 0);

    auto rows = samples(traj);
    ASSERT_EQ(rows.size(), 51u);
    for (const auto& row : rows)
        ASSERT_EQ(row.size(), 28u);
    EXPECT_EQ(rows[0][0], 0.0);
    EXPECT_NEAR(rows[50][0], 2.0, 1e-6);
    // placed on the flat ground, then straight ahead at 0.1 m/s
    EXPECT_NEAR(rows[0][3], 0.445, 1e-6);
    EXPECT_NEAR(rows[50][2] - rows[0][2], 0.2, 1e-6);
    // the text format of a recording: "%lf" then " %lf"
    std::string text = slurp(traj);
    EXPECT_EQ(text.substr(0, 9), "0.000000 ");
}

TEST(KadmerSim, DynamicRunFollowsItsCommandFileAndCountsSubSteps)
{
    TempDir d;
    const std::string cmds = d / "cmds.txt", traj = d / "dyn.txt";
    writeText(cmds, "# t vDes cDes\n0 0 0\n2 0.05 0\n");
    ProgramRun r = run("--mode dyn --duration 12 --mnt-type 0 --bosses 0 --commands " + cmds + " -o " +
                traj);
    ASSERT_EQ(r.status, 0) << r.err;
    long sub = 0;
    double rtf = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "ticks=300 time=12.000 substeps=%ld wall=%*f rtf=%lf",
                          &sub, &rtf),
              2)
        << r.out;
    EXPECT_GE(sub, 300);
    auto rows = samples(traj);
    ASSERT_EQ(rows.size(), 301u);
    // at rest for the first two seconds, then at 5 cm/s along y
    EXPECT_NEAR(rows[50][2], rows[0][2], 1e-3);
    EXPECT_NEAR((rows[300][2] - rows[200][2]) / 4.0, 0.05, 0.0025);
    EXPECT_NEAR(rows[300][1], 0.0, 0.01);
}

TEST(KadmerSim, NoPlaceKeepsThePoseAndAnglesAsGiven)
{
    TempDir d;
    const std::string traj = d / "pose.txt";
    ProgramRun r = run("--pose 1,2,3,10,-5,90 "
                "--angles 5,-5,2,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,20 --no-place "
                "--duration 0 -o " + traj);
    ASSERT_EQ(r.status, 0) << r.err;
    auto rows = samples(traj);
    ASSERT_EQ(rows.size(), 1u);
    const double deg = 0.017453292519943295;
    const double expected[10] = {0, 1, 2, 3, 10 * deg, -5 * deg, 90 * deg, 5 * deg, -5 * deg,
                                 2 * deg};
    for (int k = 0; k < 10; ++k)
        EXPECT_NEAR(rows[0][k], expected[k], 1e-6) << k;
    EXPECT_NEAR(rows[0][27], 20 * deg, 1e-6);
}

TEST(KadmerSim, StepMessageEndsTheRunUnlessToldToContinue)
{
    // a rover without mass cannot be solved for
    TempDir tmp;
    const std::string data = tmp / "massless.txt";
    DynRover* d = new_dynRover(1.0, 0.0, 0, nullptr, 0, 0, nullptr);
    DataDynRov dd = d->data;
    std::free(d);
    dd.m0 = dd.mTravL = dd.mTravR = dd.mSupL = dd.mSupR = 0.0;
    dd.mSteer = dd.mFourche = dd.mRoue = 0.0;
    saveDatadynrov(&dd, std::fopen(data.c_str(), "wt"));

    ProgramRun r = run("--mode dyn --duration 1 --datadyn " + data);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Echec inversion dynamique par Choleski"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.rfind("ticks=1 ", 0), 0u) << r.out;

    r = run("--mode dyn --duration 0.2 --continue --datadyn " + data);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("ticks=5 ", 0), 0u) << r.out;
}

TEST(KadmerSim, TelemetryFileHasOneRowPerTickAndTheSummaryFollowsTheRunLine)
{
    TempDir d;
    const std::string csv = d / "tel.csv";
    ProgramRun r = run("--mode dyn --duration 2 --v 0.1 --mnt-type 0 --bosses 0 --summary --telemetry " +
                   csv);
    ASSERT_EQ(r.status, 0) << r.err;
    double dist = 0, slip = 0, sink = 0, epm = 0, tip = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(),
                          "ticks=50 time=2.000 substeps=%*d wall=%*f rtf=%*f distance_m=%lf "
                          "mean_slip=%lf peak_sinkage_m=%lf energy_per_m_J=%lf "
                          "min_tip_margin_deg=%lf",
                          &dist, &slip, &sink, &epm, &tip),
              5)
        << r.out;
    EXPECT_GT(dist, 0.05);
    EXPECT_LT(std::fabs(slip), 0.2);
    EXPECT_GT(sink, 0.0);
    EXPECT_GT(epm, 0.0);
    EXPECT_GT(tip, 10.0);

    std::ifstream f(csv);
    std::string line;
    std::vector<size_t> commas;
    while (std::getline(f, line))
        commas.push_back(std::count(line.begin(), line.end(), ','));
    ASSERT_EQ(commas.size(), 51u);
    for (size_t n : commas)
        EXPECT_EQ(n, commas[0]);

    // kinematic piloting: the figures that need the dynamics are "nan"
    r = run("--duration 1 --v 0.1 --summary");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" distance_m=0.100 mean_slip=nan peak_sinkage_m=nan energy_per_m_J=nan "
                         "min_tip_margin_deg="),
              std::string::npos)
        << r.out;
    // without --summary the line is as before
    r = run("--duration 1 --v 0.1");
    EXPECT_EQ(r.out.find("distance_m"), std::string::npos);
}

TEST(KadmerSim, LeavingTheTerrainOrOverturningEndsTheRunUnlessToldToContinue)
{
    // a 4 m square of flat ground, crossed at 0.5 m/s
    const std::string small = "--mode dyn --mnt-type 0 --bosses 0 --xmin -2 --xmax 2 "
                              "--ymin -2 --ymax 2 --v 0.5 --duration 10";
    ProgramRun r = run(small);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(": Rover hors du terrain\n"), std::string::npos) << r.err;
    // told to go on, it is said once
    r = run(small + " --continue");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("ticks=250 ", 0), 0u) << r.out;
    size_t first = r.err.find("Rover hors du terrain");
    ASSERT_NE(first, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Rover hors du terrain", first + 1), std::string::npos) << r.err;

    // a turn onto the flank of a steep hill rolls the rover over
    r = run("--mode dyn --coefh 3 --v 0.05 --c 0.3 --duration 20");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(": Rover renverse\n"), std::string::npos) << r.err;
}
