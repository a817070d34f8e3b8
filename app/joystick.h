// A game controller read through SDL's joystick subsystem, and the mapping of
// its two first axes to the driver's commands.
#ifndef KADMER_APP_JOYSTICK_H
#define KADMER_APP_JOYSTICK_H

#include <QObject>
#include <QStringList>

struct _SDL_Joystick;

class Joystick : public QObject {
public:
    explicit Joystick(QObject* parent);
    ~Joystick() override;

    // opens device n (closing the open one first); false after telling the user
    bool openJoystick(int n);
    void closeJoystick();
    // axes 0 and 1 of the open device; returns false, writing nothing, when none is open
    bool readAxes(int* axis0, int* axis1);

    QStringList names;  // never filled
    _SDL_Joystick* handle;
    int deviceCount;
    int axisCount, buttonCount, hatCount, ballCount;
};

// speed and curvature commands from the two axes (SDL's signed 16-bit
// values): dead zone 0.3 of full scale, full deflection about the limits,
// speed times 10 in kinematic piloting
void joystickCommands(int axis0, int axis1, double vmax, double cmax, bool dynamic,
                      double* vDes, double* cDes);

#endif
