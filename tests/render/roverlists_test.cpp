// Rover lists: geometry check, shared slices, mirror copies, wheel turns and
// the wheel tracks.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "render/roverlists.h"
#include "render/textures.h"
#include "rover/confrover.h"
#include "rover/piloting.h"
#include "vue.h"

namespace {

// a banner code one pair short: the wheels go untextured, which leaves the
// shapes symmetric about their axis
std::string bandeauAbime() { return std::string(codeBandeau).substr(4); }

void tourneRoues(ConfRover* c, double angle)
{
    for (int u = 0; u < NB_CHAINES; ++u)
        c->q[Q_ROUE + u] = angle;
    update_geometry(c);
}

// track pixels: what changes when the rings are emptied
int pixelsDeTraces(Vue& vue, const QRect& zone)
{
    ConfRover* c = vue.s->confRovers[0];
    const QImage avec = vue.rendu();
    ConfRover sans;
    std::memcpy(&sans, c, sizeof sans);
    std::memset(c->trace, 0, sizeof c->trace);
    const QImage vide = vue.rendu();
    std::memcpy(c, &sans, sizeof sans);
    return pixelsDifferents(avec.copy(zone), vide.copy(zone));
}

QRect zoneProjetee(Vue& vue, double x0, double y0, double x1, double y1)
{
    vue.rendu();
    return QRectF(vue.projete(x0, y0, 0.0), vue.projete(x1, y1, 0.0)).normalized().toRect();
}

}  // namespace

TEST(RoverLists, GeometryFitsForEveryPivotInclinationAndMisfitEndsTheProgram)
{
    ConfRover c;
    for (double degres = 0.0; degres < 90.0; degres += 5.0) {
        std::memset(&c, 0, sizeof c);
        geodir_rover(&c, 1.0, degres * M_PI / 180.0, 0);
        EXPECT_EQ(verifieGeometrie(&c), nullptr) << degres;
    }
    std::memset(&c, 0, sizeof c);
    geodir_rover(&c, 1.0, 0.0, 0);
    // r/15 = 0.01 needs hs - 0.3875 r = hs - 0.058125 above it
    c.hSteering = 0.068;
    EXPECT_STREQ(verifieGeometrie(&c), "hauteur insuffisante entre axes O2 et O3\n");
    // re-run in a fresh process: forking one that holds a GL context may hang
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(listesRover(&c), ::testing::ExitedWithCode(1), "hauteur insuffisante entre axes O2 et O3");
}

TEST(RoverLists, SliceTableHas24SlicesOf15DegreesClosingOnItsFirstPair)
{
    const double(*t)[2] = tableCosSin();
    EXPECT_EQ(t, tableCosSin());
    for (int k = 0; k <= 24; ++k) {
        EXPECT_NEAR(t[k][0], std::cos(k * M_PI / 12.0), 1e-15) << k;
        EXPECT_NEAR(t[k][1], std::sin((k % 24) * M_PI / 12.0), 1e-15) << k;
    }
    EXPECT_EQ(t[24][0], t[0][0]);
    EXPECT_EQ(t[24][1], t[0][1]);
}

TEST(RoverLists, ChainsShareTheirListsByTheSlotTable)
{
    Scenario* s = scenarioTest(SansTerrain);
    Vue vue(s);
    const ConfRover* c = s->confRovers[0];
    unsigned int(*l)[6] = s->confRovers[0]->listes;
    // one bar for the bogies, one for the rear traverse
    EXPECT_EQ(l[AVANT_G][0], l[MILIEU_D][0]);
    EXPECT_NE(l[AVANT_G][0], l[ARRIERE_D][0]);
    EXPECT_EQ(l[ARRIERE_G][0], l[ARRIERE_D][0]);
    // six different supports
    std::set<unsigned int> supports;
    for (int u = 0; u < NB_CHAINES; ++u)
        supports.insert(l[u][1]);
    EXPECT_EQ(supports.size(), 6u);
    // pivot, fork and wheel: one list per side
    for (int k = 2; k <= 4; ++k) {
        EXPECT_EQ(l[AVANT_D][k], l[MILIEU_D][k]);
        EXPECT_EQ(l[AVANT_D][k], l[ARRIERE_D][k]);
        EXPECT_EQ(l[AVANT_G][k], l[MILIEU_G][k]);
        EXPECT_EQ(l[AVANT_G][k], l[ARRIERE_G][k]);
        EXPECT_NE(l[AVANT_G][k], l[AVANT_D][k]);
    }
    // coupler links: bogies and rear
    EXPECT_EQ(l[AVANT_G][5], l[MILIEU_D][5]);
    EXPECT_EQ(l[ARRIERE_G][5], l[ARRIERE_D][5]);
    EXPECT_NE(l[AVANT_G][5], l[ARRIERE_G][5]);
    EXPECT_NE(c->listeCaisse, 0u);
    libereScenario(s);
}

TEST(RoverLists, LeftAndRightSidesAreMirrorImages)
{
    Scenario* s = scenarioTest(SansTerrain);
    s->azimuth = 180.0;  // from straight ahead, slightly above
    s->site = 10.0;
    s->distance = 4.0;
    Vue vue(s);
    vue.refaitRover(bandeauAbime().c_str());
    const QImage img = vue.rendu();
    s->nbRovers = 0;
    const QRect rover = zoneDifferente(img, vue.rendu());
    ASSERT_GT(rover.width(), 200);
    const int asymetriques = pixelsDifferents(img, img.mirrored(true, false), 40);
    EXPECT_LT(asymetriques, 0.01 * rover.width() * rover.height());
    libereScenario(s);
}

TEST(RoverLists, WheelTurnedByOneSliceShowsTheSameGrousers)
{
    Scenario* s = scenarioTest(SansTerrain);
    s->distance = 3.0;
    Vue vue(s);
    vue.refaitRover(bandeauAbime().c_str());
    ConfRover* c = s->confRovers[0];
    const QImage a0 = vue.rendu();
    tourneRoues(c, 15.0 * M_PI / 180.0);
    const QImage a15 = vue.rendu();
    tourneRoues(c, 7.5 * M_PI / 180.0);
    const QImage a7 = vue.rendu();
    const int memes = pixelsDifferents(a0, a15), decales = pixelsDifferents(a0, a7);
    EXPECT_GT(decales, 500);
    EXPECT_LT(memes, decales / 10);
    libereScenario(s);
}

TEST(RoverLists, DamagedBannerLeavesTheRoverDrawnUntextured)
{
    Scenario* s = scenarioTest(SansTerrain);
    s->distance = 4.0;
    Vue vue(s);
    const QImage lettres = vue.rendu();
    s->nbRovers = 0;
    const QImage vide = vue.rendu();
    s->nbRovers = 1;
    vue.refaitRover(bandeauAbime().c_str());
    const QImage blanc = vue.rendu();
    EXPECT_EQ(zoneDifferente(blanc, vide), zoneDifferente(lettres, vide));
    EXPECT_GT(pixelsDifferents(lettres, blanc), 100);  // only the lettering went
    EXPECT_LT(pixelsDifferents(lettres, blanc), pixelsDifferents(lettres, vide) / 5);
    libereScenario(s);
}

TEST(RoverLists, TracksAppearOnceTheRoverMovesAndTheOldestGoAfter150Slots)
{
    Scenario* s = scenarioTest(TerrainPlat);
    s->site = 90.0;  // straight down, world X to the right and Y up the view
    s->azimuth = 0.0;
    s->distance = 25.0;
    ConfRover* c = s->confRovers[0];
    c->pos[1] = -5.0;
    place_on_ground(c, s->terrain);
    Vue vue(s);
    // where the wheels start, and 1 m around the body origin after 8 m
    const QRect depart = zoneProjetee(vue, -0.8, -5.9, 0.8, -4.6);
    const QRect arrivee = zoneProjetee(vue, -0.8, 1.0, 0.8, 2.0);
    // the empty rings are segments at the origin: nothing shows anywhere
    EXPECT_EQ(pixelsDeTraces(vue, QRect(0, 0, 720, 576)), 0);

    // a slot every pi r / 12 = 3.9 cm: 2 m fill 51 of the 150
    for (int k = 0; k < 50; ++k)
        kin_step(c, s->terrain, 0.0, 1.0, 0.04);
    EXPECT_GT(pixelsDeTraces(vue, depart), 100);

    // 8 m are 204 slots: the ring has wrapped over the start
    for (int k = 0; k < 150; ++k)
        kin_step(c, s->terrain, 0.0, 1.0, 0.04);
    ASSERT_NEAR(c->pos[1], 3.0, 1e-6);
    EXPECT_EQ(pixelsDeTraces(vue, depart), 0);
    EXPECT_GT(pixelsDeTraces(vue, arrivee), 100);
    libereScenario(s);
}
