// One frame of the 3-D view: projection, light, observer, terrain, rovers.
#include "render/scene.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

#include "app/scenario.h"
#include "render/planlist.h"
#include "render/roverlists.h"
#include "render/terrainlist.h"

namespace {

const double ZNear = 0.01;

// corners of the flat ground drawn when there is no terrain
const double PlaceX1 = -10.0, PlaceY1 = -10.0, PlaceX2 = 10.0, PlaceY2 = 10.0;

}  // namespace

void tailleVue(Scenario* s, int width, int height)
{
    s->viewWidth = width;
    s->viewHeight = height;
}

void creeListes(Scenario* s)
{
    // a record whose grid was never built counts as no terrain
    const Mnt* m = (s->terrain && s->terrain->h) ? s->terrain : nullptr;
    s->terrainList = listeTerrain(m, PlaceX1, PlaceY1, PlaceX2, PlaceY2);
    // a map draped on the terrain it was computed for goes with it
    if (s->carteList)
        glDeleteLists((GLuint)s->carteList, 1);
    s->carteList = 0;
    s->terrainShown = 1;
    // a new context holds no plan list yet
    s->planList = 0;
    s->planAJour = 0;
    for (int u = 0; u < s->nbRovers && u < MaxRovers; ++u)
        if (s->confRovers[u])
            listesRover(s->confRovers[u]);
}

int afficheScene(Scenario* s)
{
    if (s->viewHeight <= 0 || s->viewWidth <= 0)
        return 0;
    // the far plane follows the observer; it is kept beyond the near plane
    // when the distance has been brought down to zero or below by the keys
    double zFar = 1000.0 * s->distance;
    if (zFar < 1000.0 * ZNear)
        zFar = 1000.0 * ZNear;
    const double aspect = (double)s->viewWidth / s->viewHeight;

    glViewport(0, 0, s->viewWidth, s->viewHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (s->perspective) {
        gluPerspective(s->fovy, aspect, ZNear, zFar);
    } else {
        // the section of the perspective frustum at the observer distance,
        // so that the point looked at keeps its size on screen
        const double f = std::tan(0.5 * s->fovy * M_PI / 180.0) * s->distance;
        const double g = f * aspect;
        glOrtho(-g, g, -f, f, ZNear, zFar);
    }

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_LIGHT0);
    // given under the identity: the light travels with the observer
    glLightfv(GL_LIGHT0, GL_POSITION, s->lightPosition);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    // observer; the last turn brings the world's Z up onto the eye's Y
    glTranslated(s->panX, s->panY, -s->distance);
    glRotated(s->site, 1.0, 0.0, 0.0);
    glRotated(s->azimuth, 0.0, 1.0, 0.0);
    glRotated(-90.0, 1.0, 0.0, 0.0);
    if (s->follow && s->nbRovers > 0 && s->confRovers[0]) {
        // the target is the rover's body origin, and the azimuth counts from
        // its heading: the observer keeps its place as the rover moves
        const ConfRover* c = s->confRovers[0];
        glRotated(-c->att[ATT_AZIMUT] * 180.0 / M_PI, 0.0, 0.0, 1.0);
        glTranslated(-c->pos[0], -c->pos[1], -c->pos[2]);
    }

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);

    if (s->terrainShown)
        glCallList((GLuint)s->terrainList);
    if (s->terrainShown && s->carteList) {
        // flat colours over the lit ground, drawn before the rover
        glDisable(GL_LIGHTING);
        glDisable(GL_CULL_FACE);
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-1.0f, -1.0f);
        glCallList((GLuint)s->carteList);
        glDisable(GL_POLYGON_OFFSET_FILL);
        glEnable(GL_CULL_FACE);
        glEnable(GL_LIGHTING);
    }
    // the plan is compiled here, once per plan, where the context is current
    if (!s->planAJour) {
        s->planList = listePlan(s->terrain, s->planChemin, s->planNbPoints, s->planFins,
                                s->planNbFins, s->planZones, s->planNbZones, s->planList);
        s->planAJour = 1;
    }
    if (s->planList && s->terrainShown)
        glCallList((GLuint)s->planList);
    for (int u = 0; u < s->nbRovers && u < MaxRovers; ++u) {
        const ConfRover* c = s->confRovers[u];
        if (!c)
            continue;
        afficheTraces(c);
        afficheRover(c);
    }

    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    return 0;
}
