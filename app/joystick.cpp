#include "app/joystick.h"

#include "app/modal.h"

#include <SDL/SDL.h>
#include <csignal>

Joystick::Joystick(QObject* parent)
    : QObject(parent), handle(nullptr), deviceCount(0), axisCount(0), buttonCount(0),
      hatCount(0), ballCount(0)
{
    // SDL turns SIGINT and SIGTERM into quit events of its own event loop,
    // which this program does not run: with SDL's handlers left in place,
    // neither Ctrl+C nor kill would end it
    struct sigaction interrupt, terminate;
    sigaction(SIGINT, nullptr, &interrupt);
    sigaction(SIGTERM, nullptr, &terminate);
    const int status = SDL_Init(SDL_INIT_JOYSTICK);
    sigaction(SIGINT, &interrupt, nullptr);
    sigaction(SIGTERM, &terminate, nullptr);
    if (status < 0) {
        modal::information(nullptr, "JOYSTICK", tr("Echec initialistion joystick SDL !"));
        return;
    }
    deviceCount = SDL_NumJoysticks();
}

Joystick::~Joystick()
{
    closeJoystick();
    SDL_Quit();
}

bool Joystick::openJoystick(int n)
{
    closeJoystick();
    handle = SDL_JoystickOpen(n);
    if (!handle) {
        modal::information(nullptr, "JOYSTICK", tr("Echec ouverture Joystick #%1").arg(n));
        return false;
    }
    axisCount = SDL_JoystickNumAxes(handle);
    buttonCount = SDL_JoystickNumButtons(handle);
    hatCount = SDL_JoystickNumHats(handle);
    ballCount = SDL_JoystickNumBalls(handle);
    return true;
}

void Joystick::closeJoystick()
{
    if (handle)
        SDL_JoystickClose(handle);
    handle = nullptr;
    axisCount = buttonCount = hatCount = ballCount = 0;
}

bool Joystick::readAxes(int* axis0, int* axis1)
{
    if (!handle)
        return false;
    SDL_JoystickUpdate();
    *axis0 = SDL_JoystickGetAxis(handle, 0);
    *axis1 = SDL_JoystickGetAxis(handle, 1);
    return true;
}

static double deadZone(double x)
{
    if (x > 0.3)
        return x - 0.3;
    if (x < -0.3)
        return x + 0.3;
    return 0.0;
}

void joystickCommands(int axis0, int axis1, double vmax, double cmax, bool dynamic,
                      double* vDes, double* cDes)
{
    double u = deadZone(axis0 / 32765.0);
    double v = deadZone(axis1 / 32765.0);
    *vDes = -vmax * v / 0.7;
    *cDes = -cmax * u / 0.7;
    if (!dynamic)
        *vDes *= 10.0;
}
