// GoogleTest entry for tests that use widgets: the QApplication must exist
// before any widget is created.
#include <QApplication>
#include <clocale>
#include <dlfcn.h>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Mesa's software driver is unloaded at exit, before the leak check: the
    // stacks of its own allocations would then end in an unknown module and
    // escape the suppressions of the GL libraries. Opened once more with
    // no-delete, it stays mapped to the end (harmless where it is not used).
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY | RTLD_NODELETE);
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
