// The frame as a whole: clear colour, terrain, rover placement, projections.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>

#include "render/scene.h"
#include "rover/confrover.h"
#include "vue.h"

namespace {

const QRgb Fond = qRgb(217, 242, 242);  // clear colour (0.85, 0.95, 0.95)

bool proche(QRgb p, QRgb q, int tol = 3)
{
    return std::abs(qRed(p) - qRed(q)) <= tol && std::abs(qGreen(p) - qGreen(q)) <= tol &&
           std::abs(qBlue(p) - qBlue(q)) <= tol;
}

// the reddish sand lit by the light from the observer's side
bool sable(QRgb p) { return qRed(p) > qGreen(p) + 20 && qRed(p) > qBlue(p) + 20; }

}  // namespace

TEST(Scene, DefaultViewShowsSkyCornersSandBelowAndTheRoverAtItsOrigin)
{
    Scenario* s = scenarioTest();
    Vue vue(s);
    ASSERT_EQ(vue.width(), 720);
    ASSERT_EQ(vue.height(), 576);
    QImage avec = vue.rendu();
    EXPECT_TRUE(proche(avec.pixel(0, 0), Fond));
    EXPECT_TRUE(proche(avec.pixel(719, 0), Fond));

    // the lower third of the view is sand, apart from the rover
    int grains = 0, total = 0;
    for (int y = 400; y < 576; y += 4)
        for (int x = 0; x < 720; x += 4, ++total)
            grains += sable(avec.pixel(x, y));
    EXPECT_GT(grains, 0.9 * total);

    // the rover is what changes when it is left out, and it is drawn round
    // the projection of its body origin
    const ConfRover* c = s->confRovers[0];
    const QPointF o = vue.projete(c->pos[0], c->pos[1], c->pos[2]);
    s->nbRovers = 0;
    const QImage sans = vue.rendu();
    const QRect zone = zoneDifferente(avec, sans);
    ASSERT_FALSE(zone.isEmpty());
    EXPECT_TRUE(zone.contains(o.toPoint()));
    EXPECT_NEAR(zone.center().x(), o.x(), 0.15 * zone.width());
    EXPECT_NEAR(zone.center().y(), o.y(), 0.25 * zone.height());
    libereScenario(s);
}

TEST(Scene, OrthographicBoxKeepsTheRoverSizeAtTheTarget)
{
    Scenario* s = scenarioTest();
    Vue vue(s);
    const QImage persp = vue.rendu();
    s->nbRovers = 0;
    const QImage perspSans = vue.rendu();
    s->nbRovers = 1;
    s->perspective = 0;
    const QImage ortho = vue.rendu();
    s->nbRovers = 0;
    const QImage orthoSans = vue.rendu();

    const QRect a = zoneDifferente(persp, perspSans), b = zoneDifferente(ortho, orthoSans);
    ASSERT_GT(a.width(), 20);
    // the rover is about 1.5 m deep at 20 m: its near and far ends scale by
    // a few per cent either way in perspective
    EXPECT_NEAR(double(b.width()) / a.width(), 1.0, 0.05);
    EXPECT_NEAR(double(b.height()) / a.height(), 1.0, 0.05);
    libereScenario(s);
}

TEST(Scene, ZeroHeightViewDrawsNothing)
{
    Scenario* s = scenarioTest();
    Vue vue(s);
    vue.makeCurrent();
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    tailleVue(s, 720, 0);
    EXPECT_EQ(afficheScene(s), 0);
    glFinish();
    const QImage img = vue.grabFrameBuffer();
    EXPECT_EQ(img.pixel(360, 288), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(0, 575), qRgb(255, 0, 0));
    libereScenario(s);
}

TEST(Scene, FarPlaneFollowsTheDistanceAndStaysBeyondTheNearPlane)
{
    Scenario* s = scenarioTest();
    Vue vue(s);
    vue.rendu();
    GLdouble p[16];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    // perspective depth terms: p10 = (f + n)/(n - f), p14 = 2fn/(n - f); the
    // matrix is kept in single precision, which leaves f known to a few per
    // cent with a far-to-near ratio of two million
    const double n = p[14] / (p[10] - 1.0), f = p[14] / (p[10] + 1.0);
    EXPECT_NEAR(n, 0.01, 1e-6);
    EXPECT_NEAR(f, 1000.0 * 20.0, 0.1 * 20000.0);

    // the keys may bring the distance below zero: the frame stays valid
    s->distance = -1.0;
    vue.rendu();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    libereScenario(s);
}

TEST(Scene, FollowingCameraKeepsTheRoverWhereItIsSeen)
{
    Scenario* s = scenarioTest(TerrainPlat);
    Vue vue(s);
    ConfRover* c = s->confRovers[0];
    // the rover's origin and a point one metre ahead of it, on screen
    auto seen = [&](QPointF* ahead) {
        vue.rendu();
        const double psi = c->att[ATT_AZIMUT];
        *ahead = vue.projete(c->pos[0] - std::sin(psi), c->pos[1] + std::cos(psi), c->pos[2]);
        return vue.projete(c->pos[0], c->pos[1], c->pos[2]);
    };
    for (int follow : {0, 1}) {
        s->follow = follow;
        c->pos[0] = c->pos[1] = 0.0;
        c->att[ATT_AZIMUT] = 0.0;
        place_on_ground(c, s->terrain);
        QPointF ahead0, ahead1;
        const QPointF o0 = seen(&ahead0);
        c->pos[0] = 3.0;
        c->pos[1] = -2.0;
        c->att[ATT_AZIMUT] = 0.7;
        place_on_ground(c, s->terrain);
        const QPointF o1 = seen(&ahead1);
        if (follow) {
            EXPECT_NEAR(o1.x(), o0.x(), 0.5);
            EXPECT_NEAR(o1.y(), o0.y(), 0.5);
            EXPECT_NEAR(ahead1.x(), ahead0.x(), 0.5);
            EXPECT_NEAR(ahead1.y(), ahead0.y(), 0.5);
        } else {
            EXPECT_GT(std::hypot(o1.x() - o0.x(), o1.y() - o0.y()), 50.0);
        }
    }
    libereScenario(s);
}
