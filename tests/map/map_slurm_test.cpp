// kadmer-map's tiles as a Slurm job array on a private cluster: the merged
// map is the bytes of the local run, and a second submission has nothing to do.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/program.h"
#include "support/slurm_fixture.h"

namespace {

class CarteSlurm : public SlurmCluster {};

const std::string Terrain = " --sans-progres --mnt-type 1 --bosses 0.3 --pas 0.5 ";

} // namespace

TEST_F(CarteSlurm, TilesAsAJobArrayMergeIntoTheLocalMap)
{
    TempDir d;
    const std::string carte = std::string(KADMER_MAP_PATH) + Terrain;
    ProgramRun local = runProgram(carte + "-o " + d / "local.tif");
    ASSERT_EQ(local.status, 0) << local.err;
    ProgramRun slurm = runProgram("cd " + d.path + " && " + carte + "--tuiles 3 --slurm --time 5 -o slurm.tif");
    ASSERT_EQ(slurm.status, 0) << slurm.err;
    EXPECT_NE(slurm.err.find("tableau de taches Slurm"), std::string::npos) << slurm.err;
    EXPECT_TRUE(slurp(d / "local.tif") == slurp(d / "slurm.tif"));
    EXPECT_FALSE(std::filesystem::exists(d / "slurm.tif.tuiles"));
}
