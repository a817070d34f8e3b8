// The per-body dialog: the fifty-nine linked fields, their rounding and ranges.
#include "dialogs/dynrovdialog.h"

#include "dialogs/dialog_support.h"
#include "rover/dynrover.h"

#include <QComboBox>
#include <QStackedWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Field {
    const char* name;
    int index;  // in the 74 doubles of the record
    double lo, hi;
    int decimals;
    bool inertia;  // shown x 1e6
};

// every linked field with the record value it edits
const Field fields[] = {
    {"doubleSpinBox_mc", 1, 0, 99.99, 3, false},
    {"doubleSpinBox_xc", 2, -2, 2, 3, false},
    {"doubleSpinBox_yc", 3, -2, 2, 3, false},
    {"doubleSpinBox_zc", 4, -2, 2, 3, false},
    {"doubleSpinBox_rxc", 5, 0, 99.99, 3, false},
    {"doubleSpinBox_ryc", 6, 0, 1, 3, false},
    {"doubleSpinBox_rzc", 7, 0, 99.99, 3, false},
    {"doubleSpinBox_mtl", 8, 0, 20, 3, false},
    {"doubleSpinBox_rxtl", 9, 0, 1, 3, false},
    {"doubleSpinBox_rytl", 10, 0, 1, 3, false},
    {"doubleSpinBox_rztl", 11, 0, 1, 3, false},
    {"doubleSpinBox_mtr", 12, 0, 20, 2, false},
    {"doubleSpinBox_rxtr", 13, 0, 1, 3, false},
    {"doubleSpinBox_rytr", 14, 0, 1, 3, false},
    {"doubleSpinBox_rztr", 15, 0, 1, 3, false},
    {"doubleSpinBox_mbl", 16, 0, 10, 3, false},
    {"doubleSpinBox_xbAD", 17, -1, 10000, 3, false},
    {"doubleSpinBox_ybAD", 18, -1, 10000, 3, false},
    {"doubleSpinBox_zbAD", 19, -1, 10000, 3, false},
    {"doubleSpinBox_rxbl", 20, -99, 1, 3, false},
    {"doubleSpinBox_rybl", 21, -99, 1, 3, false},
    {"doubleSpinBox_rzbl", 22, -99, 99.99, 3, false},
    {"doubleSpinBox_mbr", 23, 0, 10, 3, false},
    {"doubleSpinBox_xbRD", 24, -1, 10000, 3, false},
    {"doubleSpinBox_ybRD", 25, -1, 10000, 3, false},
    {"doubleSpinBox_zbRD", 26, -1, 10000, 3, false},
    {"doubleSpinBox_rxbr", 27, 0, 1, 3, false},
    {"doubleSpinBox_rybr", 28, 0, 1, 3, false},
    {"doubleSpinBox_rzbr", 29, 0, 1, 3, false},
    {"doubleSpinBox_ms", 30, 0, 10, 3, false},
    {"doubleSpinBox_xsAD", 31, -1, 1, 3, false},
    {"doubleSpinBox_zsAD", 32, -1, 1, 3, false},
    {"doubleSpinBox_rxs", 33, 0, 1, 3, false},
    {"doubleSpinBox_rys", 34, 0, 1, 3, false},
    {"doubleSpinBox_rzs", 35, 0, 1, 3, false},
    {"doubleSpinBox_me", 36, 0, 10, 3, false},
    {"doubleSpinBox_xeAD", 37, -1, 1, 3, false},
    {"doubleSpinBox_zeAD", 38, -1, 1, 3, false},
    {"doubleSpinBox_rxe", 39, 0, 1, 3, false},
    {"doubleSpinBox_rye", 40, 0, 1, 3, false},
    {"doubleSpinBox_rze", 41, 0, 1, 3, false},
    {"doubleSpinBox_mw", 42, 0, 20, 3, false},
    {"doubleSpinBox_xwAD", 43, -1, 1, 3, false},
    {"doubleSpinBox_rxw", 44, 0, 1, 3, false},
    {"doubleSpinBox_ryw", 45, 0, 1, 3, false},
    {"doubleSpinBox_rzw", 46, 0, 1, 3, false},
    {"doubleSpinBox_rhos", 47, 0, 10000, 0, false},
    {"doubleSpinBox_Jmots", 48, 0, 200, 2, true},
    {"doubleSpinBox_fsecs", 49, 0, 0.7, 4, false},
    {"doubleSpinBox_cviss", 50, 0, 0.02, 4, false},
    {"doubleSpinBox_rhoe", 51, 0, 10000, 0, false},
    {"doubleSpinBox_Jmote", 52, 0, 200, 2, true},
    {"doubleSpinBox_fsece", 53, 0, 0.7, 4, false},
    {"doubleSpinBox_cvise", 54, 0, 0.02, 4, false},
    {"doubleSpinBox_rhow", 55, 0, 10000, 0, false},
    {"doubleSpinBox_Jmotw", 56, 0, 50, 2, true},
    {"doubleSpinBox_fsecw", 57, 0, 0.07, 5, false},
    {"doubleSpinBox_cvisw", 58, 0, 0.002, 5, false},
    {"doubleSpinBox_cwMax", 59, 0, 0.5, 4, false},
};

double* values(DataDynRov* d) { return reinterpret_cast<double*>(d); }

double rounded(double x, int decimals)
{
    const double p = std::pow(10.0, decimals);
    return std::round(x * p) / p;
}

TEST(DynRovDialog, EveryLinkedFieldGoesToItsOwnRecordValue)
{
    ASSERT_EQ(sizeof(fields) / sizeof(fields[0]), 59u);
    DataDynRov in;
    double* v = values(&in);
    // a distinct in-range value per field, with more decimals than shown;
    // the unlinked values are markers that must come back untouched
    for (int k = 0; k < NB_DATADYN; ++k)
        v[k] = -1000.0 - k;
    double shown[59];
    for (int k = 0; k < 59; ++k) {
        const Field& f = fields[k];
        shown[k] = f.lo + (f.hi - f.lo) * (k + 1.37) / 61.0;
        v[f.index] = f.inertia ? shown[k] * 1e-6 : shown[k];
    }
    DynRovDialog d;
    d.afficheCorps(&in);
    DataDynRov out = in;
    for (int k = 0; k < 59; ++k)
        values(&out)[fields[k].index] = 0.0;
    d.litCorps(&out);
    for (int k = 0; k < 59; ++k) {
        const Field& f = fields[k];
        const double expect = rounded(shown[k], f.decimals) * (f.inertia ? 1e-6 : 1.0);
        EXPECT_NEAR(values(&out)[f.index], expect, 1e-12 * (1.0 + std::fabs(expect))) << f.name;
    }
    for (int k = 0; k < NB_DATADYN; ++k) {
        if (k < 1 || k > 59) {
            EXPECT_EQ(values(&out)[k], -1000.0 - k) << "unlinked value " << k;
        }
    }
}

TEST(DynRovDialog, MotorInertiasAreShownInMillionthsToTwoDecimals)
{
    DataDynRov in = {};
    in.jmSteer = 2.5e-6;
    in.jmElev = 1.2e-8;
    in.jmRoue = 60e-6;  // above the wheel field's 50
    DynRovDialog d;
    d.afficheCorps(&in);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_Jmots"), 2.5);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_Jmote"), 0.01);
    EXPECT_DOUBLE_EQ(spin(&d, "doubleSpinBox_Jmotw"), 50.0);
    DataDynRov out = {};
    d.litCorps(&out);
    EXPECT_DOUBLE_EQ(out.jmSteer, 2.5e-6);
    EXPECT_DOUBLE_EQ(out.jmElev, 1e-8);
    EXPECT_DOUBLE_EQ(out.jmRoue, 50e-6);

    in.jmSteer = in.jmElev = 3e-4;  // above the 200 of the pivot and leg fields
    d.afficheCorps(&in);
    d.litCorps(&out);
    EXPECT_DOUBLE_EQ(out.jmSteer, 2e-4);
    EXPECT_DOUBLE_EQ(out.jmElev, 2e-4);
}

TEST(DynRovDialog, BogieMassesAndSupportRadiiKeepTheirOwnRanges)
{
    DataDynRov in = {};
    in.mTravL = in.mTravR = 4.1234;
    for (int i = 0; i < 3; ++i)
        in.rgSupL[i] = in.rgSupR[i] = -5.0;
    in.rgSupL[0] = -120.0;
    DynRovDialog d;
    d.afficheCorps(&in);
    DataDynRov out = {};
    d.litCorps(&out);
    EXPECT_DOUBLE_EQ(out.mTravL, 4.123);
    EXPECT_DOUBLE_EQ(out.mTravR, 4.12);
    EXPECT_EQ(out.rgSupL[0], -99.0);
    EXPECT_EQ(out.rgSupL[1], -5.0);
    EXPECT_EQ(out.rgSupL[2], -5.0);
    EXPECT_EQ(out.rgSupR[0], 0.0);
    EXPECT_EQ(out.rgSupR[2], 0.0);
}

TEST(DynRovDialog, BodyListSelectsThePage)
{
    DynRovDialog d;
    QComboBox* list = child<QComboBox>(&d, "comboBox_ChoixCorps");
    QStackedWidget* pages = child<QStackedWidget>(&d, "stackedWidget");
    ASSERT_EQ(list->count(), 6);
    EXPECT_EQ(pages->count(), 6);
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(pages->currentIndex(), 0);
    list->setCurrentIndex(5);
    EXPECT_EQ(pages->currentWidget()->objectName(), "page_roue");
    EXPECT_EQ(list->currentText(), "ROUE");
    list->setCurrentIndex(3);
    EXPECT_EQ(pages->currentWidget()->objectName(), "page_direction");
}

}  // namespace
