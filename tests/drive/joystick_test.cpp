// Joystick input: the axes-to-commands mapping, the Joystick class with no
// device and with a virtual SDL device, and the tick's commands taken from it.
//
// The SDL 1.2 library in use runs on SDL 2; a virtual device attached through
// SDL 2 is what the SDL 1.2 calls then enumerate and read.
#include "drive_support.h"

#include "app/joystick.h"

#include <QPushButton>
#include <QTest>
#include <csignal>
#include <dlfcn.h>

namespace {

// a virtual device with two axes, no button and no hat, attached through
// the few SDL 2 entry points needed, and detached again when done
class VirtualStick {
public:
    VirtualStick()
    {
        lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_GLOBAL);
        if (!lib)
            return;
        auto initSubSystem = symbol<int (*)(unsigned)>("SDL_InitSubSystem");
        auto attachVirtual = symbol<int (*)(int, int, int, int)>("SDL_JoystickAttachVirtual");
        auto open = symbol<void* (*)(int)>("SDL_JoystickOpen");
        setVirtualAxis = symbol<int (*)(void*, int, short)>("SDL_JoystickSetVirtualAxis");
        if (!initSubSystem || !attachVirtual || !open || !setVirtualAxis
            || initSubSystem(JoystickSubsystem) != 0)
            return;
        initialised = true;
        const int gameController = 1;
        index = attachVirtual(gameController, 2, 0, 0);
        if (index >= 0)
            device = open(index);
    }
    ~VirtualStick()
    {
        if (device)
            symbol<void (*)(void*)>("SDL_JoystickClose")(device);
        if (index >= 0)
            symbol<int (*)(int)>("SDL_JoystickDetachVirtual")(index);
        if (initialised)
            symbol<void (*)(unsigned)>("SDL_QuitSubSystem")(JoystickSubsystem);
    }
    bool attached() const { return device != nullptr; }
    void setAxis(int axis, short value) { setVirtualAxis(device, axis, value); }

private:
    template <typename F>
    F symbol(const char* name)
    {
        return reinterpret_cast<F>(dlsym(lib, name));
    }
    static const unsigned JoystickSubsystem = 0x200;
    void* lib = nullptr;
    bool initialised = false;
    int index = -1;
    void* device = nullptr;
    int (*setVirtualAxis)(void*, int, short) = nullptr;
};

TEST(JoystickCommands, CentredStickAndDeadZoneGiveNoCommand)
{
    const int inside = int(0.29 * 32765);
    for (int a0 : {0, inside, -inside})
        for (int a1 : {0, inside, -inside}) {
            double v = 1.0, c = 1.0;
            joystickCommands(a0, a1, 1.2, 3.0, false, &v, &c);
            EXPECT_EQ(v, 0.0) << a0 << " " << a1;
            EXPECT_EQ(c, 0.0) << a0 << " " << a1;
        }
}

TEST(JoystickCommands, FullDeflectionReachesAboutTheLimits)
{
    const double vmax = 1.2, cmax = 3.0;
    double v, c;
    // stick pushed forward (axis 1 negative) and to the right (axis 0 positive)
    joystickCommands(32767, -32768, vmax, cmax, true, &v, &c);
    EXPECT_DOUBLE_EQ(v, vmax * (32768 / 32765.0 - 0.3) / 0.7);
    EXPECT_DOUBLE_EQ(c, -cmax * (32767 / 32765.0 - 0.3) / 0.7);
    EXPECT_NEAR(v, vmax, 0.001);
    // kinematic piloting: ten times the speed
    joystickCommands(-32768, 32767, vmax, cmax, false, &v, &c);
    EXPECT_DOUBLE_EQ(v, -10.0 * vmax * (32767 / 32765.0 - 0.3) / 0.7);
    EXPECT_NEAR(c, cmax, 0.001);
    // just past the dead zone the command starts from zero
    joystickCommands(0, -int(0.4 * 32765), vmax, cmax, true, &v, &c);
    EXPECT_NEAR(v, vmax * 0.1 / 0.7, 1e-4);
}

TEST(JoystickDevice, WithoutADeviceNothingIsOpenAndOpeningIsReported)
{
    ModalScript script;
    Joystick stick(nullptr);
    EXPECT_EQ(stick.deviceCount, 0);
    EXPECT_EQ(stick.handle, nullptr);
    EXPECT_FALSE(stick.openJoystick(0));
    EXPECT_EQ(script.boxes, QStringList{"JOYSTICK|Echec ouverture Joystick #0"});
    int a0 = 7, a1 = 7;
    EXPECT_FALSE(stick.readAxes(&a0, &a1));
    EXPECT_EQ(a0, 7);
    EXPECT_EQ(stick.axisCount, 0);
}

TEST(JoystickDevice, CtrlCAndKillStillEndTheProgram)
{
    // SDL installs its own handlers only over the default ones
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ModalScript script;
    Joystick stick(nullptr);
    struct sigaction interrupt, terminate;
    sigaction(SIGINT, nullptr, &interrupt);
    sigaction(SIGTERM, nullptr, &terminate);
    EXPECT_EQ(interrupt.sa_handler, SIG_DFL);
    EXPECT_EQ(terminate.sa_handler, SIG_DFL);
}

TEST(JoystickDevice, VirtualDeviceIsOpenedAndItsAxesRead)
{
    VirtualStick device;
    ASSERT_TRUE(device.attached());
    ModalScript script;
    Joystick stick(nullptr);
    ASSERT_EQ(stick.deviceCount, 1);
    ASSERT_TRUE(stick.openJoystick(0));
    EXPECT_EQ(stick.axisCount, 2);
    EXPECT_EQ(stick.buttonCount, 0);
    EXPECT_EQ(stick.hatCount, 0);
    device.setAxis(0, 12000);
    device.setAxis(1, -32768);
    int a0 = 0, a1 = 0;
    ASSERT_TRUE(stick.readAxes(&a0, &a1));
    EXPECT_EQ(a0, 12000);
    EXPECT_EQ(a1, -32768);
    stick.closeJoystick();
    EXPECT_EQ(stick.handle, nullptr);
    EXPECT_EQ(stick.axisCount, 0);
    EXPECT_FALSE(stick.readAxes(&a0, &a1));
    EXPECT_TRUE(script.boxes.isEmpty());
}

TEST(JoystickTick, StickSetsTheCommandsAtEachStep)
{
    VirtualStick device;
    ASSERT_TRUE(device.attached());
    ModalScript script;
    std::unique_ptr<MainWindow> window = openMainWindow();
    Kadmer* k = window->kadmer;
    Scenario* s = k->scenario;
    ASSERT_NE(k->joystick.handle, nullptr);
    const double vmax = s->dynRovers[0]->vmax, cmax = s->dynRovers[0]->cmax;

    // a speed given by the keys lasts until the next step reads the stick
    QTest::keyClick(k, Qt::Key_Plus);
    EXPECT_NEAR(s->vDes, 0.04, 1e-12);
    k->stepButton->click();
    EXPECT_EQ(s->vDes, 0.0);
    EXPECT_EQ(s->cDes, 0.0);

    device.setAxis(1, -32768);
    device.setAxis(0, 32767);
    const double x0 = k->scenario->confRovers[0]->pos[0];
    k->stepButton->click();
    EXPECT_DOUBLE_EQ(s->vDes, 10.0 * vmax * (32768 / 32765.0 - 0.3) / 0.7);
    EXPECT_DOUBLE_EQ(s->cDes, -cmax * (32767 / 32765.0 - 0.3) / 0.7);
    EXPECT_NE(k->scenario->confRovers[0]->pos[0], x0);

    k->switchDynCinSlot();
    k->stepButton->click();
    EXPECT_DOUBLE_EQ(s->vDes, vmax * (32768 / 32765.0 - 0.3) / 0.7);
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
}

TEST(JoystickTick, WithoutADeviceTheKeysKeepTheirCommands)
{
    ModalScript script;
    std::unique_ptr<MainWindow> window = openMainWindow();
    Kadmer* k = window->kadmer;
    EXPECT_EQ(k->joystick.handle, nullptr);
    QTest::keyClick(k, Qt::Key_Plus);
    QTest::keyClick(k, Qt::Key_D);
    k->stepButton->click();
    EXPECT_NEAR(k->scenario->vDes, 0.04, 1e-12);
    EXPECT_NEAR(k->scenario->cDes, -0.04363323129985824, 1e-12);
    EXPECT_TRUE(script.boxes.isEmpty());
}

}  // namespace
