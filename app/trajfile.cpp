#include "app/trajfile.h"

#include <cmath>

int parseSampleLine(const char* line, double values[SampleFull])
{
    int n = 0;
    int used = 0;
    // "%n" tells where the white space after the number ends, so the next
    // conversion starts at the next number
    while (n < SampleFull && std::sscanf(line, "%lf %n", &values[n], &used) == 1) {
        line += used;
        n++;
    }
    return n;
}

bool writeSampleLine(FILE* file, const double* values, int n)
{
    for (int i = 0; i < n; i++)
        std::fprintf(file, i == 0 ? "%lf" : " %lf", values[i]);
    std::fputc('\n', file);
    return !std::ferror(file);
}

bool sampleIsFinite(const double* values, int n)
{
    for (int i = 0; i < n; i++)
        if (!std::isfinite(values[i]))
            return false;
    return true;
}
