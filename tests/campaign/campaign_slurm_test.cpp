// kadmer-campaign through a real Slurm: a private single-node cluster started
// for the suite (tests/support/slurm-cluster.sh), the example campaign as one
// job array giving the local run's table and trajectories, a resubmission that
// has nothing to do or only the lost case, a failing case collected after a
// submission without waiting. Skipped, saying why, when not run as root.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <thread>

#include "campaign_support.h"
#include "support/slurm_fixture.h"

namespace {

using CampaignSlurm = SlurmCluster;

} // namespace

TEST_F(CampaignSlurm, ExampleAsAJobArrayGivesTheLocalTableAndResumes)
{
    TempDir tmp;
    std::string local = tmp.path + "/local", slurm = tmp.path + "/slurm";
    ProgramRun r = run_program("run " + example() + " --out " + local);
    ASSERT_EQ(r.status, 0) << r.err;
    r = run_program("run " + example() + " --out " + slurm + " --slurm --time 5");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("tableau de taches Slurm"), std::string::npos) << r.err;
    EXPECT_EQ(without(read_csv(local + "/summary.csv"), {"wall", "rtf"}),
              without(read_csv(slurm + "/summary.csv"), {"wall", "rtf"}));
    for (int i = 0; i < 12; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/cases/c%06d.traj", i);
        EXPECT_TRUE(slurp(local + name) == slurp(slurm + name)) << name;
    }

    // nothing to do: nothing submitted; one lost result: one task
    r = run_program("run " + example() + " --out " + slurm + " --slurm");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("12 deja faits, 0 a lancer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("soumis"), std::string::npos) << r.err;
    std::remove((slurm + "/cases/c000005.result").c_str());
    r = run_program("run " + example() + " --out " + slurm + " --slurm");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("11 deja faits, 1 a lancer"), std::string::npos) << r.err;
    Csv t = read_csv(slurm + "/summary.csv");
    ASSERT_EQ(t.rows.size(), 12u);
    EXPECT_EQ(t.at(t.rows[5], "status"), "ok");
}

TEST_F(CampaignSlurm, AFailingCaseIsRecordedAndCollectedAfterSubmittingWithoutWaiting)
{
    TempDir tmp;
    std::string file = tmp.path + "/c.json", dir = tmp.path + "/out";
    writeText(file, R"({"base": {"terrain": {"forme": "plat"}, "pilotage": {"v": 0.05}, "duree": 2},
        "axes": [{"path": "terrain.cellule", "values": [0.25, -1, 0.5]}]})");
    ProgramRun r = run_program("run " + file + " --out " + dir + " --slurm --no-wait");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("kadmer-campaign collect " + dir), std::string::npos) << r.err;
    std::string job = slurp(dir + "/slurm/job");
    ASSERT_FALSE(job.empty());
    job.pop_back();
    // the array leaves the queue once its tasks have ended
    std::string queued = "test -n \"$(squeue -h -j " + job + " 2>/dev/null)\"";
    auto t0 = std::chrono::steady_clock::now();
    while (std::system(queued.c_str()) == 0 &&
           std::chrono::steady_clock::now() - t0 < std::chrono::seconds(60))
        std::this_thread::sleep_for(std::chrono::milliseconds(200));

    r = run_program("collect " + dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("3 cas : 2 reussis, 1 en echec, 0 non termines"), std::string::npos) << r.err;
    Csv t = read_csv(dir + "/summary.csv");
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.at(t.rows[1], "status"), "echec");
    EXPECT_EQ(t.at(t.rows[1], "exit_code"), "2");
    EXPECT_NE(t.at(t.rows[1], "stderr_tail").find("terrain.cellule"), std::string::npos);
    EXPECT_EQ(t.at(t.rows[2], "status"), "ok");
}
