// Waiting for what a timer or another process does: the event loop runs until
// the condition holds, with a deadline far above any machine's need, so that
// a loaded machine only makes the test slower.
#ifndef KADMER_TESTS_SUPPORT_EVENTUALLY_H
#define KADMER_TESTS_SUPPORT_EVENTUALLY_H

#include <QElapsedTimer>
#include <QTest>

// wall-clock allowance: the sanitizer build under a software GL driver ticks
// several times slower than the 40 ms period
const int Patience = 120000;

// runs the event loop until the condition holds; false when the time is up
template <class Condition>
bool eventually(Condition condition, int ms = Patience)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(10);
    }
    return true;
}

#endif
