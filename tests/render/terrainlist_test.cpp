// The terrain display list: strips of the grid, degenerate grids, placeholder.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "render/terrainlist.h"
#include "terrain/mnt.h"
#include "vue.h"

namespace {

// a view of a scenario without terrain, its GL context current
class TerrainList : public ::testing::Test {
protected:
    void SetUp() override { vue.makeCurrent(); }
    void TearDown() override
    {
        libere_mnt(&m);
        libereScenario(s);
    }
    // the default grid in m: 81 x 81 nodes over 20 m
    void grilleDefaut()
    {
        defauts_mnt(&m);
        ASSERT_EQ(new_mnt(&m), 0);
    }
    Scenario* s = scenarioTest(SansTerrain);
    Vue vue{s};
    Mnt m = {};
};

TEST_F(TerrainList, DefaultGridGivesEightyStripsOf162Vertices)
{
    ASSERT_NO_FATAL_FAILURE(grilleDefaut());
    ASSERT_EQ(m.nx, 81);
    CompteTerrain n;
    EXPECT_NE(listeTerrain(&m, -10, -10, 10, 10, &n), 0);
    EXPECT_EQ(n.bandes, 80);
    EXPECT_EQ(n.sommets, 80 * 2 * 81);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// the ground is drawn without blending, the translucent rover shell after it
// still blends
TEST_F(TerrainList, LeavesBlendingAndCullingOnForWhatIsDrawnAfter)
{
    ASSERT_NO_FATAL_FAILURE(grilleDefaut());
    const GLuint liste = (GLuint)listeTerrain(&m, -10, -10, 10, 10);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glCallList(liste);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

TEST_F(TerrainList, GridOfOneNodeAlongAnAxisGivesAnEmptyList)
{
    for (int nx : {1, 5}) {
        const int ny = 6 - nx;  // 1 x 5, then 5 x 1
        double h[5] = {0.1, 0.2, 0.3, 0.4, 0.5}, zero[5] = {};
        Vec3 n[5] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        Mnt m = {};
        m.nx = nx;
        m.ny = ny;
        m.h = h;
        m.dzx = m.dzy = m.dzxy = zero;
        m.normale = n;
        m.dx = m.dy = 1.0;
        m.Xmin = m.Ymin = 0.0;
        m.Xmax = m.Xmin + (nx - 1);
        m.Ymax = m.Ymin + (ny - 1);
        CompteTerrain c;
        const int liste = listeTerrain(&m, -10, -10, 10, 10, &c);
        EXPECT_NE(liste, 0) << nx << " x " << ny;
        EXPECT_EQ(c.bandes, 0) << nx << " x " << ny;
        glCallList((GLuint)liste);
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << nx << " x " << ny;
    }
}

TEST_F(TerrainList, WithoutTerrainAFlatBlueGreyGroundIsDrawn)
{
    s->site = 90.0;  // straight down on the 20 m square
    s->distance = 60.0;
    s->nbRovers = 0;
    const QImage img = vue.rendu();
    const QPointF milieu = vue.projete(5.0, 5.0, 0.0), dehors = vue.projete(10.8, 0.0, 0.0);
    const QRgb p = img.pixel(milieu.toPoint());
    EXPECT_GT(qBlue(p), qRed(p) + 20);  // (0.3, 0.4, 0.5), lit
    EXPECT_GT(qGreen(p), qRed(p) + 10);
    EXPECT_EQ(img.pixel(dehors.toPoint()), qRgb(217, 242, 242));
}

}  // namespace
