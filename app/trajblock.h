// The exchange with the trajectory server, in QDataStream's default encoding
// (big-endian, doubles as 64-bit IEEE 754, strings as a 32-bit byte count and
// UTF-16 code units).
//
// The viewer sends one request: a signed 16-bit count of the bytes that
// follow, then the string "Morvale". The server answers with blocks: a signed
// 16-bit size n, then n bytes of which the first 64 are eight doubles (an
// index, time, X, Y, Z, site, gite, azimut); the size -1, followed by
// nothing, ends the trajectory.
#ifndef KADMER_APP_TRAJBLOCK_H
#define KADMER_APP_TRAJBLOCK_H

#include <QByteArray>
#include <QString>

class QIODevice;

enum {
    TrajServerPort = 6178,
    SampleBlockValues = 8,   // doubles at the head of a sample block
    SampleBlockBytes = 64,   // their size
    EndBlockSize = -1        // block size marking the end of the trajectory
};

// the request: the 16-bit count of the following bytes, then the string
QByteArray trajRequest(const QString& text);

enum class BlockRead {
    Wait,      // not enough bytes yet: call again on the next arrival
    Sample,    // one sample block read into values; blockSize is 0 again
    End,       // the end block; blockSize stays -1
    TooShort   // a block too short to hold a sample: the stream is unusable
};

// reads the next block from the device. blockSize carries the awaited block's
// size between calls (0 while a size is awaited); the size is taken as an
// unsigned 16-bit count, so only -1 ends the trajectory. Bytes of a block
// beyond its 64 are skipped.
BlockRead readSampleBlock(QIODevice* device, qint16* blockSize,
                          double values[SampleBlockValues]);

#endif
