// Helpers shared by the driving tests: trajectory files, reading them back,
// the values line, and a window fixture.
#ifndef KADMER_TESTS_DRIVE_SUPPORT_H
#define KADMER_TESTS_DRIVE_SUPPORT_H

#include "app/support.h"

#include "app/scenario.h"

#include <QAction>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

// one sample line as recording writes it
inline QByteArray sampleLine(const std::vector<double>& values)
{
    QByteArray line;
    char number[64];
    for (size_t i = 0; i < values.size(); i++) {
        std::snprintf(number, sizeof number, i ? " %lf" : "%lf", values[i]);
        line += number;
    }
    return line + "\n";
}

// a pose sample k of a straight run: time 0.04 k, X 0.01 k, Y 0.5, Z 0.3,
// level, azimut 0.1
inline std::vector<double> poseSample(int k)
{
    return {0.04 * k, 0.01 * k, 0.5, 0.3, 0.0, 0.0, 0.1};
}

// a full sample: the pose followed by 21 small angles
inline std::vector<double> fullSample(int k)
{
    std::vector<double> v = poseSample(k);
    for (int i = 0; i < 21; i++)
        v.push_back(0.001 * ((k + i) % 5));
    return v;
}

inline void writeText(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

inline QList<QByteArray> readLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines;
    while (!f.atEnd())
        lines << f.readLine();
    return lines;
}

// the numbers of a values line (fields of eight characters)
inline std::vector<double> labelNumbers(const QString& text)
{
    std::vector<double> numbers;
    for (int i = 0; i + 8 <= text.size(); i += 8)
        numbers.push_back(text.mid(i, 8).trimmed().toDouble());
    return numbers;
}

// a shown main window on the default scenario, modal interactions answered
class DriveWindow : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        s = k->scenario;
        conf = s->confRovers[0];
    }
    Scenario* s = nullptr;
    ConfRover* conf = nullptr;
    QTemporaryDir dir;
};

#endif
