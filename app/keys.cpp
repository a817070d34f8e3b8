// Keyboard input: the observer keys, the rover keys and their dispatch.
#include "app/keys.h"

#include "app/kadmer.h"
#include "app/scenario.h"
#include "rover/confrover.h"

#include <QKeyEvent>
#include <cmath>

int selectedChain = 0;

// one key press turns an angle by 2.5 degrees
static const double AngleStep = 0.04363323129985824;
// and moves a length by 2 cm
static const double LengthStep = 0.02;
static const double TwoPi = 2.0 * M_PI;

bool cameraKeys(Scenario* s, int key, bool shift)
{
    switch (key) {
    case Qt::Key_Escape:
        s->distance = 10.0;
        s->azimuth = -120.0;
        s->site = 20.0;
        s->panX = 0.0;
        s->panY = 0.0;
        return true;
    case Qt::Key_Left:
        if (shift) {
            s->panX -= 0.02;
        } else {
            s->azimuth += 2.5;
            if (s->azimuth > 180.0)
                s->azimuth -= 360.0;
        }
        return true;
    case Qt::Key_Right:
        if (shift) {
            s->panX += 0.02;
        } else {
            s->azimuth -= 2.5;
            if (s->azimuth < -180.0)
                s->azimuth += 360.0;
        }
        return true;
    case Qt::Key_Up:
        if (shift)
            s->panY += 0.02;
        else
            s->site += 2.5;
        return true;
    case Qt::Key_Down:
        if (shift)
            s->panY -= 0.02;
        else
            s->site -= 2.5;
        return true;
    case Qt::Key_PageUp:
        s->distance -= 0.2;
        return true;
    case Qt::Key_PageDown:
        s->distance += 0.2;
        return true;
    case Qt::Key_C:
        s->follow = !s->follow;
        return true;
    default:
        return false;
    }
}

// the traverse carrying the selected chain: left bogie, right bogie, rear
static int selectedTraverse()
{
    return selectedChain >= 4 ? TRAV_R : selectedChain % 2;
}

bool roverKeys(Scenario* s, int key, bool shift)
{
    if (s->nbRovers < 1 || !s->confRovers[0])
        return false;
    ConfRover* c = s->confRovers[0];
    const DynRover* dyn = s->dynRovers[0];
    const double vmax = dyn ? dyn->vmax : 1.0;
    const double cmax = dyn ? dyn->cmax : 3.0;
    // unshifted keys raise the value, shifted ones lower it
    const double d = shift ? 1.0 : -1.0;

    switch (key) {
    // driver's commands; the limit is tested before the step
    case Qt::Key_Plus:
        if (s->vDes < vmax)
            s->vDes += 0.04;
        s->terrainShown = 1;
        return true;
    case Qt::Key_Minus:
        if (s->vDes > -vmax)
            s->vDes -= 0.04;
        s->terrainShown = 1;
        return true;
    case Qt::Key_S:
        s->vDes = 0.0;
        s->terrainShown = 1;
        return true;
    // the curvature is positive to the left (as the model and the joystick
    // take it): "d" (droite) lowers it, "g" (gauche) raises it
    case Qt::Key_D:
        if (s->cDes > -cmax)
            s->cDes -= AngleStep;
        s->terrainShown = 1;
        return true;
    case Qt::Key_G:
        if (s->cDes < cmax)
            s->cDes += AngleStep;
        s->terrainShown = 1;
        return true;

    // back to the origin, standing on the ground
    case Qt::Key_0:
    case Qt::Key_O:
        c->pos[0] = 0.0;
        c->pos[1] = 0.0;
        c->pos[2] = c->hNominale;
        c->att[ATT_SITE] = c->att[ATT_GITE] = c->att[ATT_AZIMUT] = 0.0;
        for (int i = 0; i < NB_CONF; i++)
            c->q[i] = 0.0;
        s->terrainShown = 1;
        place_on_ground(c, s->terrain);
        return true;

    case Qt::Key_1:
    case Qt::Key_2:
    case Qt::Key_3:
    case Qt::Key_4:
    case Qt::Key_5:
    case Qt::Key_6:
        selectedChain = key - Qt::Key_1;
        return true;

    // moves on the ground
    case Qt::Key_X:
        c->pos[0] -= d * LengthStep;
        s->terrainShown = 1;
        place_on_ground(c, s->terrain);
        return true;
    case Qt::Key_Y:
        c->pos[1] -= d * LengthStep;
        s->terrainShown = 1;
        place_on_ground(c, s->terrain);
        return true;
    case Qt::Key_L: {
        double& a = c->att[ATT_AZIMUT];
        a -= d * AngleStep;
        if (a < 0.0)
            a += TwoPi;
        if (a > TwoPi)
            a -= TwoPi;
        s->terrainShown = 1;
        place_on_ground(c, s->terrain);
        return true;
    }

    // moves of the model off the ground
    case Qt::Key_Z:
        c->pos[2] -= d * LengthStep;
        s->terrainShown = 1;
        update_geometry(c);
        return true;
    case Qt::Key_R: {
        double& a = c->att[ATT_GITE];
        a -= d * AngleStep;
        if (a > M_PI)
            a -= TwoPi;
        if (a < -M_PI)
            a += TwoPi;
        s->terrainShown = 0;
        update_geometry(c);
        return true;
    }
    case Qt::Key_T: {
        double& a = c->att[ATT_SITE];
        a -= d * AngleStep;
        if (a < -M_PI)
            a += TwoPi;
        if (a > M_PI)
            a -= TwoPi;
        s->terrainShown = 0;
        update_geometry(c);
        return true;
    }
    case Qt::Key_F1:
        c->q[Q_TRAV + selectedTraverse()] -= d * AngleStep;
        s->terrainShown = 0;
        update_geometry(c);
        return true;
    case Qt::Key_F2:
        c->q[Q_STEERING + selectedChain] -= d * AngleStep;
        s->terrainShown = 0;
        update_geometry(c);
        return true;
    case Qt::Key_F3:
        c->q[Q_FOURCHE + selectedChain] -= d * AngleStep;
        s->terrainShown = 0;
        update_geometry(c);
        return true;
    case Qt::Key_F4:
        c->q[Q_ROUE + selectedChain] -= d * AngleStep;
        s->terrainShown = 0;
        update_geometry(c);
        return true;

    case Qt::Key_P:
        s->perspective = shift ? 1 : 0;
        return true;

    default:
        return false;
    }
}

void Kadmer::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    // Shift with another modifier (or on the keypad) counts as unshifted
    const bool shift = event->modifiers() == Qt::ShiftModifier;
    // the driver's keys and those that move the rover take the controls
    // back from a plan driving
    switch (key) {
    case Qt::Key_Plus:
    case Qt::Key_Minus:
    case Qt::Key_S:
    case Qt::Key_D:
    case Qt::Key_G:
    case Qt::Key_0:
    case Qt::Key_O:
    case Qt::Key_X:
    case Qt::Key_Y:
    case Qt::Key_L:
    case Qt::Key_Z:
    case Qt::Key_R:
    case Qt::Key_T:
    case Qt::Key_F1:
    case Qt::Key_F2:
    case Qt::Key_F3:
    case Qt::Key_F4:
        suspendPlan();
        break;
    default:
        break;
    }
    if (cameraKeys(scenario, key, shift)) {
        updateGL();
    } else if (roverKeys(scenario, key, shift)) {
        afficheEtat(scenario->confRovers[0], scenario->dynRovers[0]);
        updateGL();
    } else {
        QGLWidget::keyPressEvent(event);
    }
}
