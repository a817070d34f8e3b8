// One line of a trajectory text file: a sample of 28 numbers (time, pose,
// the 21 configuration angles) or of 7 (time and pose), as recording writes
// it and playback reads it.
#ifndef KADMER_APP_TRAJFILE_H
#define KADMER_APP_TRAJFILE_H

#include <cstdio>

enum {
    SampleFull = 28,  // time, X, Y, Z, site, gite, azimut, 21 angles
    SamplePose = 7,   // time, X, Y, Z, site, gite, azimut
    SampleLineSize = 1024  // longest line read, terminating zero included
};

// reads numbers from the line (a number, then any white space) until one
// cannot be read or 28 are stored; returns how many were stored
int parseSampleLine(const char* line, double values[SampleFull]);

// writes one line: the first number with "%lf", each following one with
// " %lf", then a newline; returns false when the stream reports an error
bool writeSampleLine(FILE* file, const double* values, int n);

// true when none of the n numbers is infinite or not a number
bool sampleIsFinite(const double* values, int n);

#endif
