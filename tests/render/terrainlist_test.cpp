// The terrain display list: strips of the grid, degenerate grids, placeholder.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdlib>
#include <cstring>

#include "render/terrainlist.h"
#include "terrain/mnt.h"
#include "vue.h"

TEST(TerrainList, DefaultGridGivesEightyStripsOf162Vertices)
{
    Scenario* s = scenarioTest(SansTerrain);
    Vue vue(s);
    vue.makeCurrent();
    Mnt m;
    std::memset(&m, 0, sizeof m);
    defauts_mnt(&m);
    ASSERT_EQ(new_mnt(&m), 0);
    ASSERT_EQ(m.nx, 81);
    CompteTerrain n;
    EXPECT_NE(listeTerrain(&m, -10, -10, 10, 10, &n), 0);
    EXPECT_EQ(n.bandes, 80);
    EXPECT_EQ(n.sommets, 80 * 2 * 81);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    libere_mnt(&m);
    libereScenario(s);
}

// the ground is drawn without blending, the translucent rover shell after it
// still blends
TEST(TerrainList, LeavesBlendingAndCullingOnForWhatIsDrawnAfter)
{
    Scenario* s = scenarioTest(SansTerrain);
    Vue vue(s);
    vue.makeCurrent();
    Mnt m;
    std::memset(&m, 0, sizeof m);
    defauts_mnt(&m);
    ASSERT_EQ(new_mnt(&m), 0);
    const GLuint liste = (GLuint)listeTerrain(&m, -10, -10, 10, 10);
    glEnable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glCallList(liste);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    libere_mnt(&m);
    libereScenario(s);
}

TEST(TerrainList, GridOfOneNodeAlongAnAxisGivesAnEmptyList)
{
    Scenario* s = scenarioTest(SansTerrain);
    Vue vue(s);
    vue.makeCurrent();
    for (int nx : {1, 5}) {
        const int ny = 6 - nx;  // 1 x 5, then 5 x 1
        double h[5] = {0.1, 0.2, 0.3, 0.4, 0.5}, zero[5] = {};
        Vec3 n[5] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        Mnt m;
        std::memset(&m, 0, sizeof m);
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
    libereScenario(s);
}

TEST(TerrainList, WithoutTerrainAFlatBlueGreyGroundIsDrawn)
{
    Scenario* s = scenarioTest(SansTerrain);
    s->site = 90.0;  // straight down on the 20 m square
    s->distance = 60.0;
    s->nbRovers = 0;
    Vue vue(s);
    const QImage img = vue.rendu();
    const QPointF milieu = vue.projete(5.0, 5.0, 0.0), dehors = vue.projete(10.8, 0.0, 0.0);
    const QRgb p = img.pixel(milieu.toPoint());
    EXPECT_GT(qBlue(p), qRed(p) + 20);  // (0.3, 0.4, 0.5), lit
    EXPECT_GT(qGreen(p), qRed(p) + 10);
    EXPECT_EQ(img.pixel(dehors.toPoint()), qRgb(217, 242, 242));
    libereScenario(s);
}
