// Trajectory lines: reading the numbers of a line, writing a sample line.
#include "app/trajfile.h"

#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

struct LineCase {
    const char* line;
    int count;
    double first;  // first number read, when any
};

TEST(TrajFile, LinesGiveTheCountOfLeadingNumbers)
{
    const LineCase cases[] = {
        {"0.04 1 2 3 0.1 0.2 0.3\n", 7, 0.04},
        {"  1.5e3\t-2  \n", 2, 1500.0},
        {"", 0, 0},
        {"\n", 0, 0},
        {"   temps      X       Y\n", 0, 0},        // a column header
        {"1 2 x 3 4 5 6 7\n", 2, 1.0},            // text ends the numbers
        {"1 2 3 4 5 6 7 8\n", 8, 1.0},
        {"1,5 2 3\n", 1, 1.0},                    // a comma is not a separator
        {"-0.25 nan 3\n", 3, -0.25},
    };
    for (const LineCase& c : cases) {
        double v[SampleFull];
        EXPECT_EQ(parseSampleLine(c.line, v), c.count) << '"' << c.line << '"';
        if (c.count > 0) {
            EXPECT_EQ(v[0], c.first) << '"' << c.line << '"';
        }
    }
}

TEST(TrajFile, NumbersBeyondTheTwentyEighthAreIgnored)
{
    std::string line;
    for (int i = 0; i < 31; i++)
        line += std::to_string(i) + " ";
    double v[SampleFull + 4];
    v[SampleFull] = -1.0;  // a guard just past the 28 the reader may write
    EXPECT_EQ(parseSampleLine(line.c_str(), v), SampleFull);
    EXPECT_EQ(v[27], 27.0);
    EXPECT_EQ(v[SampleFull], -1.0);
}

TEST(TrajFile, WrittenLineHasNoLeadingSpaceAndReadsBack)
{
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/line.txt").toStdString();
    double values[SampleFull];
    for (int i = 0; i < SampleFull; i++)
        values[i] = 0.125 * i - 1.0;
    FILE* f = fopen(path.c_str(), "wt");
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(writeSampleLine(f, values, SamplePose));
    EXPECT_TRUE(writeSampleLine(f, values, SampleFull));
    fclose(f);

    f = fopen(path.c_str(), "rb");
    char line[SampleLineSize];
    ASSERT_NE(fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "-1.000000 -0.875000 -0.750000 -0.625000 -0.500000 -0.375000 -0.250000\n");
    ASSERT_NE(fgets(line, sizeof line, f), nullptr);
    fclose(f);
    double back[SampleFull];
    ASSERT_EQ(parseSampleLine(line, back), SampleFull);
    for (int i = 0; i < SampleFull; i++)
        EXPECT_EQ(back[i], values[i]);  // multiples of 1/8 print exactly with six decimals
}

TEST(TrajFile, NonFiniteNumbersAreFound)
{
    double v[SamplePose] = {0, 1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(sampleIsFinite(v, SamplePose));
    v[6] = INFINITY;
    EXPECT_FALSE(sampleIsFinite(v, SamplePose));
    EXPECT_TRUE(sampleIsFinite(v, 6));
    v[2] = NAN;
    EXPECT_FALSE(sampleIsFinite(v, 6));
}

}  // namespace
