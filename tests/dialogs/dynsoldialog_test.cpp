// The soil dynamics dialog: the visco-elastic parameters and the cone angle.
#include "dialogs/dynsoldialog.h"

#include "dialogs/dialog_support.h"
#include "terrain/dynsol.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(DynSolDialog, DefaultsShowAndComeBackToTwoDecimals)
{
    DynSol sol;
    init_dynSol(&sol, 0.5235987755982988, 9.81);
    DynSolDialog d(&sol);
    EXPECT_EQ(d.windowTitle(), "Orlen_Kadmer");
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_kNsol"), 13080.0);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_fNsol"), 835.22);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_kTsol"), 57.74);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_fTsol"), 57.74);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_Phi0"), 30.0);

    DynSol back = {};
    d.litDynSol(&back);
    EXPECT_DOUBLE_EQ(back.kN, 13080.0);
    EXPECT_DOUBLE_EQ(back.fN, 835.22);
    EXPECT_DOUBLE_EQ(back.kT, 57.74);
    EXPECT_DOUBLE_EQ(back.fT, 57.74);
    EXPECT_DOUBLE_EQ(back.tanPhi0, tan(30.0 * 3.141592653589793 / 180.0));
}

TEST(DynSolDialog, ConeAngleEndsGiveZeroAndHugeTangent)
{
    DynSol sol = {1, 1, 1, 1, 0.0};
    DynSolDialog d(&sol);
    EXPECT_EQ(spin(&d, "doubleSpinBox_Phi0"), 0.0);
    DynSol back = {};
    d.litDynSol(&back);
    EXPECT_EQ(back.tanPhi0, 0.0);

    setSpin(&d, "doubleSpinBox_Phi0", 120.0);
    EXPECT_EQ(spin(&d, "doubleSpinBox_Phi0"), 90.0);
    d.litDynSol(&back);
    EXPECT_GT(back.tanPhi0, 1e16);
    EXPECT_LT(back.tanPhi0, 2e16);
}

TEST(DynSolDialog, CoefficientsAboveTheirMaximaComeBackClamped)
{
    DynSol sol = {250000.0, 300000.0, 123456.0, 100001.0, 1.0};
    DynSolDialog d(&sol);
    DynSol back = {};
    d.litDynSol(&back);
    EXPECT_EQ(back.fN, 100000.0);
    EXPECT_EQ(back.kN, 200000.0);
    EXPECT_EQ(back.fT, 100000.0);
    EXPECT_EQ(back.kT, 100000.0);
    EXPECT_DOUBLE_EQ(back.tanPhi0, tan(45.0 * 3.141592653589793 / 180.0));
}

}  // namespace
