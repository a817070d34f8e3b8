// A private single-node Slurm cluster for a test suite (slurm-cluster.sh),
// started once before the suite's tests and stopped after them; SLURM_CONF
// points at it meanwhile. Tests are skipped, saying why, when not run as root.
#ifndef KADMER_TESTS_SUPPORT_SLURM_FIXTURE_H
#define KADMER_TESTS_SUPPORT_SLURM_FIXTURE_H

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// KADMER_SOURCE must name the source tree (for tests/support/slurm-cluster.sh)
class SlurmCluster : public ::testing::Test {
protected:
    static std::string& dir()
    {
        static std::string d;
        return d;
    }
    static void SetUpTestSuite()
    {
        if (::geteuid() != 0)
            return;
        char tmpl[] = "/tmp/kadmer_slurm_XXXXXX";
        if (!::mkdtemp(tmpl))
            return;
        dir() = tmpl;
        const std::string cmd = std::string(KADMER_SOURCE) + "/tests/support/slurm-cluster.sh start " + dir() +
                                " >/dev/null";
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "private Slurm cluster did not start; logs in %s/log\n", dir().c_str());
            dir().clear();
            return;
        }
        ::setenv("SLURM_CONF", (dir() + "/slurm.conf").c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        if (dir().empty())
            return;
        std::system((std::string(KADMER_SOURCE) + "/tests/support/slurm-cluster.sh stop " + dir()).c_str());
        std::system(("rm -rf '" + dir() + "'").c_str());
        dir().clear();
    }
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "the private Slurm cluster needs root (slurmd runs the jobs): not tested";
        ASSERT_FALSE(dir().empty()) << "the private Slurm cluster did not start";
    }
};

#endif
