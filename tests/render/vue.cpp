// Test harness of the 3-D view.
#include "vue.h"

#include <GL/glu.h>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include "render/roverlists.h"
#include "render/scene.h"
#include "rover/confrover.h"
#include "terrain/mnt.h"

Scenario* scenarioTest(TerrainTest terrain)
{
    Scenario* s = static_cast<Scenario*>(std::calloc(1, sizeof(Scenario)));
    scenarioInitial(s);
    if (terrain == SansTerrain)
        s->terrain = nullptr;
    s->periodMs = 40;

    ConfRover* c = s->confRovers[0];
    s->dynRover.voie = 1.0;
    geodir_rover(c, 1.0, 0.0, 0);
    c->pos[2] = c->hNominale;
    for (int u = 0; u < NB_CHAINES; ++u)
        c->normale[u][2] = 1.0;
    update_geometry(c);
    if (terrain != SansTerrain) {
        defauts_mnt(&s->mnt);
        if (terrain == TerrainPlat) {
            s->mnt.typeMNT = MntPlat;
            s->mnt.hBosses = 0.0;
        }
        new_mnt(&s->mnt);
    }
    place_on_ground(c, s->terrain);
    return s;
}

Vue::Vue(Scenario* sc) : QGLWidget(QGLFormat(QGL::DoubleBuffer | QGL::DepthBuffer | QGL::Rgba)), s(sc)
{
    resize(720, 576);
    show();
    if (!QTest::qWaitForWindowExposed(this))
        qWarning("the test view was not exposed");
}

Vue::~Vue() = default;

void Vue::initializeGL()
{
    creeListes(s);
    glClearColor(0.85f, 0.95f, 0.95f, 1.0f);
}

void Vue::resizeGL(int width, int height) { tailleVue(s, width, height); }

void Vue::paintGL() { afficheScene(s); }

QImage Vue::rendu()
{
    makeCurrent();
    paintGL();
    glFinish();
    return grabFrameBuffer();
}

void Vue::refaitRover(const char* code)
{
    makeCurrent();
    listesRover(s->confRovers[0], code);
}

QPointF Vue::projete(double x, double y, double z)
{
    makeCurrent();
    GLdouble mv[16], pr[16], wx, wy, wz;
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    gluProject(x, y, z, mv, pr, vp, &wx, &wy, &wz);
    return QPointF(wx, vp[3] - wy);  // image rows run downwards
}

static bool differe(QRgb p, QRgb q, int seuil)
{
    return std::abs(qRed(p) - qRed(q)) > seuil || std::abs(qGreen(p) - qGreen(q)) > seuil ||
           std::abs(qBlue(p) - qBlue(q)) > seuil;
}

int pixelsDifferents(const QImage& a, const QImage& b, int seuil)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += differe(a.pixel(x, y), b.pixel(x, y), seuil);
    return n;
}

QRect zoneDifferente(const QImage& a, const QImage& b, int seuil)
{
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (differe(a.pixel(x, y), b.pixel(x, y), seuil))
                r |= QRect(x, y, 1, 1);
    return r;
}
