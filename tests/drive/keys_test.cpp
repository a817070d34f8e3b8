// Keyboard input: observer keys, rover keys with their steps, limits and
// wraps, the terrain shown or hidden, and the dispatch of a key press.
#include "drive_support.h"

#include "app/keys.h"
#include "rover/confrover.h"
#include "rover/piloting.h"
#include "terrain/mnt.h"

#include <QLabel>
#include <QTest>
#include <cmath>
#include <cstring>

namespace {

const double Step = 0.04363323129985824;  // 2.5 degrees
const double Tiny = 1e-12;                // a few ulps of the values moved

using DriveKeys = DriveWindow;

TEST_F(DriveKeys, XMovesByTwoCentimetresAndShowsTheTerrain)
{
    s->terrainShown = 0;
    const double x0 = conf->pos[0];
    QTest::keyClick(k, Qt::Key_X);
    EXPECT_NEAR(conf->pos[0], x0 + 0.02, Tiny);
    EXPECT_EQ(s->terrainShown, 1);
    QTest::keyClick(k, Qt::Key_X, Qt::ShiftModifier);
    EXPECT_NEAR(conf->pos[0], x0, Tiny);
    // the values line follows: X is its second field
    EXPECT_NEAR(labelNumbers(k->valuesLabel->text())[1], x0, 0.0005);

    const double y0 = conf->pos[1];
    QTest::keyClick(k, Qt::Key_Y, Qt::ShiftModifier);
    EXPECT_NEAR(conf->pos[1], y0 - 0.02, Tiny);
}

TEST_F(DriveKeys, RollHidesTheTerrainAndXPutsTheRoverBackOnTheGround)
{
    QTest::keyClick(k, Qt::Key_X);
    const double placedGite = conf->att[ATT_GITE];
    QTest::keyClick(k, Qt::Key_R);
    EXPECT_EQ(s->terrainShown, 0);
    EXPECT_NEAR(conf->att[ATT_GITE], placedGite + Step, Tiny);
    QTest::keyClick(k, Qt::Key_X);
    EXPECT_EQ(s->terrainShown, 1);
    // the placement has taken the roll back to what the ground gives
    EXPECT_NEAR(conf->att[ATT_GITE], placedGite, Step / 4);
    for (int w = 0; w < NB_CHAINES; w++)
        EXPECT_NEAR(conf->contact[w][2],
                    hauteur_mnt(s->terrain, conf->contact[w][0], conf->contact[w][1], nullptr),
                    0.005)
            << "wheel " << w;
}

TEST_F(DriveKeys, CommandKeysStepUntilTheirLimits)
{
    const double vmax = s->dynRovers[0]->vmax;
    ASSERT_GT(vmax, 0.0);
    const double cDes = s->cDes;
    int presses = 0;
    while (s->vDes < vmax && presses < 1000) {
        const double before = s->vDes;
        QTest::keyClick(k, Qt::Key_Plus);
        EXPECT_NEAR(s->vDes, before + 0.04, Tiny);
        presses++;
    }
    EXPECT_EQ(presses, int(std::ceil(vmax / 0.04 - 1e-9)));
    const double top = s->vDes;
    EXPECT_LT(top, vmax + 0.04);
    k->valuesLabel->clear();
    QTest::keyClick(k, Qt::Key_Plus);
    EXPECT_EQ(s->vDes, top);
    // still handled: the line is refreshed, with the command in local mode
    EXPECT_NEAR(labelNumbers(k->valuesLabel->text()).at(16), top, 0.0005);

    QTest::keyClick(k, Qt::Key_S, Qt::ShiftModifier);
    EXPECT_EQ(s->vDes, 0.0);
    EXPECT_EQ(s->cDes, cDes);
    QTest::keyClick(k, Qt::Key_Minus);
    EXPECT_NEAR(s->vDes, -0.04, Tiny);

    // the curvature steps by the angle step, within its own limit: "d"
    // (droite) to the right, negative, "g" to the left
    QTest::keyClick(k, Qt::Key_D);
    EXPECT_NEAR(s->cDes, cDes - Step, Tiny);
    s->cDes = -s->dynRovers[0]->cmax;
    QTest::keyClick(k, Qt::Key_D);
    EXPECT_EQ(s->cDes, -s->dynRovers[0]->cmax);
    QTest::keyClick(k, Qt::Key_G);
    EXPECT_NEAR(s->cDes, Step - s->dynRovers[0]->cmax, Tiny);
}

// "d" turns the rover to its right and "g" to its left, as the help says,
// whether the rover is driven kinematically or dynamically
TEST_F(DriveKeys, DTurnsRightAndGTurnsLeft)
{
    for (bool dynamic : {false, true}) {
        // the dynamic model is slow to step: its right turn is enough, the
        // left one being the same law with the other sign
        for (int key : {Qt::Key_D, Qt::Key_G}) {
            if (dynamic && key == Qt::Key_G)
                continue;
            k->scenario->vDes = 0.0;
            k->scenario->cDes = 0.0;
            QTest::keyClick(k, Qt::Key_O);
            if (k->dynamic != dynamic)
                k->switchDynCinSlot();
            if (dynamic)
                dyn_reset(s->dynRovers[0]);
            QTest::keyClick(k, Qt::Key_S);
            for (int i = 0; i < 10; i++) {
                QTest::keyClick(k, Qt::Key_Plus);
                QTest::keyClick(k, key);
            }
            const double psi0 = conf->att[ATT_AZIMUT];
            // 0.8 s: enough for the heading to move by a few hundredths
            for (int i = 0; i < 20; i++)
                k->oneStepSlot();
            // forward is +Y of the body, its right +X; the heading turns
            // clockwise seen from above (negative) when turning right
            const double turn = std::remainder(conf->att[ATT_AZIMUT] - psi0, 2 * M_PI);
            if (key == Qt::Key_D)
                EXPECT_LT(turn, -0.005) << "dynamic " << dynamic;
            else
                EXPECT_GT(turn, 0.005) << "dynamic " << dynamic;
        }
    }
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
}

TEST_F(DriveKeys, ObserverAzimuthWrapsAtHalfTurn)
{
    s->azimuth = 180.0;
    QTest::keyClick(k, Qt::Key_Left);
    EXPECT_EQ(s->azimuth, -177.5);
    s->azimuth = -180.0;
    QTest::keyClick(k, Qt::Key_Right);
    EXPECT_EQ(s->azimuth, 177.5);
    s->site = 89.0;
    QTest::keyClick(k, Qt::Key_Up);
    EXPECT_EQ(s->site, 91.5);  // the elevation has no limit
}

TEST_F(DriveKeys, EscapeReturnsToTheViewpointAtDistanceTen)
{
    EXPECT_EQ(s->distance, 20.0);
    s->azimuth = 3.0;
    s->site = -4.0;
    s->panX = 1.0;
    s->panY = -1.0;
    QTest::keyClick(k, Qt::Key_Escape);
    EXPECT_EQ(s->distance, 10.0);
    EXPECT_EQ(s->azimuth, -120.0);
    EXPECT_EQ(s->site, 20.0);
    EXPECT_EQ(s->panX, 0.0);
    EXPECT_EQ(s->panY, 0.0);
    QTest::keyClick(k, Qt::Key_PageUp, Qt::ShiftModifier);
    EXPECT_NEAR(s->distance, 9.8, Tiny);
}

TEST_F(DriveKeys, ShiftWithAnotherModifierCountsAsUnshifted)
{
    const double azimuth = s->azimuth;
    QTest::keyClick(k, Qt::Key_Left, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(s->azimuth, azimuth + 2.5);
    EXPECT_EQ(s->panX, 0.0);
    QTest::keyClick(k, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(s->azimuth, azimuth + 2.5);
    EXPECT_NEAR(s->panX, -0.02, Tiny);
    QTest::keyClick(k, Qt::Key_Up, Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(s->site, 22.5);
}

TEST_F(DriveKeys, ChainKeysSelectWithoutChangingAValueAndRefreshTheLine)
{
    const ConfRover before = *conf;
    k->valuesLabel->setText("stale");
    QTest::keyClick(k, Qt::Key_5);
    EXPECT_EQ(selectedChain, 4);
    EXPECT_NE(k->valuesLabel->text(), "stale");
    EXPECT_EQ(std::memcmp(conf->q, before.q, sizeof conf->q), 0);
    EXPECT_EQ(std::memcmp(conf->pos, before.pos, sizeof conf->pos), 0);

    // F1 on a rear chain turns the rear traverse; F2 to F4 the chain's own joints
    QTest::keyClick(k, Qt::Key_F1);
    EXPECT_NEAR(conf->q[Q_TRAV + TRAV_R], before.q[Q_TRAV + TRAV_R] + Step, Tiny);
    EXPECT_EQ(s->terrainShown, 0);
    QTest::keyClick(k, Qt::Key_2);
    QTest::keyClick(k, Qt::Key_F2, Qt::ShiftModifier);
    EXPECT_NEAR(conf->q[Q_STEERING + 1], before.q[Q_STEERING + 1] - Step, Tiny);
    QTest::keyClick(k, Qt::Key_F4);
    EXPECT_NEAR(conf->q[Q_ROUE + 1], before.q[Q_ROUE + 1] + Step, Tiny);
    QTest::keyClick(k, Qt::Key_1);
    EXPECT_EQ(selectedChain, 0);
}

TEST_F(DriveKeys, HeadingStaysWithinOneTurnAndPitchAndRollWithinHalfTurns)
{
    conf->att[ATT_AZIMUT] = 0.0;
    QTest::keyClick(k, Qt::Key_L, Qt::ShiftModifier);
    EXPECT_NEAR(conf->att[ATT_AZIMUT], 2 * M_PI - Step, Tiny);
    QTest::keyClick(k, Qt::Key_L);
    QTest::keyClick(k, Qt::Key_L);
    EXPECT_NEAR(conf->att[ATT_AZIMUT], Step, 1e-9);

    conf->att[ATT_SITE] = M_PI - Step / 2;
    QTest::keyClick(k, Qt::Key_T);
    EXPECT_NEAR(conf->att[ATT_SITE], -M_PI + Step / 2, 1e-9);
    conf->att[ATT_GITE] = -M_PI + Step / 2;
    QTest::keyClick(k, Qt::Key_R, Qt::ShiftModifier);
    EXPECT_NEAR(conf->att[ATT_GITE], M_PI - Step / 2, 1e-9);
}

TEST_F(DriveKeys, ZeroReturnsToTheOriginOnTheGround)
{
    for (int i = 0; i < 4; i++)
        QTest::keyClick(k, Qt::Key_X);
    QTest::keyClick(k, Qt::Key_L);
    QTest::keyClick(k, Qt::Key_F3);
    QTest::keyClick(k, Qt::Key_0);
    EXPECT_EQ(conf->pos[0], 0.0);
    EXPECT_EQ(conf->pos[1], 0.0);
    EXPECT_EQ(conf->att[ATT_AZIMUT], 0.0);
    EXPECT_EQ(s->terrainShown, 1);
    for (int i = Q_ROUE; i < NB_CONF; i++)
        EXPECT_EQ(conf->q[i], 0.0) << i;
    QTest::keyClick(k, Qt::Key_O, Qt::ShiftModifier);
    EXPECT_EQ(conf->pos[0], 0.0);
}

TEST_F(DriveKeys, OtherKeysChangeNothing)
{
    const ConfRover before = *conf;
    k->valuesLabel->setText("stale");
    QTest::keyClick(k, Qt::Key_A);
    QTest::keyClick(k, Qt::Key_F5);
    EXPECT_EQ(k->valuesLabel->text(), "stale");
    EXPECT_EQ(std::memcmp(conf->pos, before.pos, sizeof conf->pos), 0);
    EXPECT_EQ(std::memcmp(conf->att, before.att, sizeof conf->att), 0);
    EXPECT_EQ(std::memcmp(conf->q, before.q, sizeof conf->q), 0);
}

}  // namespace
