// GoogleTest entry for tests that use widgets: the QApplication must exist
// before any widget is created.
#include <QApplication>
#include <QTest>
#include <clocale>
#include <dlfcn.h>
#include <gtest/gtest.h>

// QVERIFY, QCOMPARE and the QTRY_ waits report a failure to QtTest only, which
// outside a QtTest run neither prints it nor fails the GoogleTest test: the
// test during which QtTest's failure flag rises is failed here. The flag
// stays up once raised, so only the first such test of a run is named.
class QtTestFailures : public ::testing::EmptyTestEventListener {
    bool before = false;
    void OnTestStart(const ::testing::TestInfo&) override { before = QTest::currentTestFailed(); }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        if (!before && QTest::currentTestFailed())
            ADD_FAILURE() << "a QVERIFY, QCOMPARE or QTRY_ check failed in this test";
    }
};

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
    ::testing::UnitTest::GetInstance()->listeners().Append(new QtTestFailures);
    return RUN_ALL_TESTS();
}
