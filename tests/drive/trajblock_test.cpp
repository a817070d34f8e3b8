// The exchange with the trajectory server: the request's bytes, and sample
// blocks read whole, in pieces, several at once, too short or too long.
#include "app/trajblock.h"

#include <QBuffer>
#include <QDataStream>
#include <gtest/gtest.h>

namespace {

// a sample block as a server writes it: size, then the eight doubles and
// `extra` bytes more
QByteArray sampleBlock(double first, double time, int extra = 0)
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << qint16(64 + extra) << first << time << 1.0 << 2.0 << 3.0 << 0.1 << 0.2 << 0.3;
    b.append(QByteArray(extra, '\x55'));
    return b;
}

QByteArray sizeOnly(qint16 size)
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << size;
    return b;
}

// bytes arriving one piece after another on an open device
struct Arrivals {
    Arrivals() { device.open(QIODevice::ReadOnly); }
    void arrive(const QByteArray& bytes) { device.buffer().append(bytes); }
    QBuffer device;
    qint16 blockSize = 0;
    double values[SampleBlockValues] = {};
    BlockRead read() { return readSampleBlock(&device, &blockSize, values); }
};

TEST(TrajBlock, RequestIsTwentyBytesWithTheStringInUtf16)
{
    const QByteArray expected("\x00\x12\x00\x00\x00\x0e\x00M\x00o\x00r\x00v\x00" "a\x00l\x00" "e", 20);
    EXPECT_EQ(trajRequest("Morvale"), expected);
}

TEST(TrajBlock, BlockIsReadOnlyOnceWhole)
{
    Arrivals a;
    const QByteArray block = sampleBlock(7.0, 0.04);
    EXPECT_EQ(a.read(), BlockRead::Wait);
    a.arrive(block.left(1));
    EXPECT_EQ(a.read(), BlockRead::Wait);
    EXPECT_EQ(a.blockSize, 0);
    a.arrive(block.mid(1, 1));  // the size header alone is remembered
    EXPECT_EQ(a.read(), BlockRead::Wait);
    EXPECT_EQ(a.blockSize, 64);
    a.arrive(block.mid(2, 63));
    EXPECT_EQ(a.read(), BlockRead::Wait);
    EXPECT_EQ(a.blockSize, 64);
    a.arrive(block.mid(65));
    ASSERT_EQ(a.read(), BlockRead::Sample);
    EXPECT_EQ(a.blockSize, 0);
    const double expected[] = {7.0, 0.04, 1.0, 2.0, 3.0, 0.1, 0.2, 0.3};
    for (int i = 0; i < SampleBlockValues; i++)
        EXPECT_EQ(a.values[i], expected[i]);
    EXPECT_EQ(a.device.bytesAvailable(), 0);
}

TEST(TrajBlock, BlocksArrivingTogetherAreReadOneAfterAnother)
{
    Arrivals a;
    a.arrive(sampleBlock(0, 0.0) + sampleBlock(1, 0.04) + sampleBlock(2, 0.08) + sizeOnly(-1));
    for (int k = 0; k < 3; k++) {
        ASSERT_EQ(a.read(), BlockRead::Sample);
        EXPECT_EQ(a.values[0], k);
        EXPECT_EQ(a.values[1], 0.04 * k);
    }
    EXPECT_EQ(a.read(), BlockRead::End);
    EXPECT_EQ(a.blockSize, -1);
    EXPECT_EQ(a.read(), BlockRead::End);  // the end stays the end
}

TEST(TrajBlock, LongerBlockHasItsExtraBytesSkipped)
{
    Arrivals a;
    a.arrive(sampleBlock(0, 1.5, 10) + sampleBlock(1, 2.5));
    ASSERT_EQ(a.read(), BlockRead::Sample);
    EXPECT_EQ(a.values[1], 1.5);
    ASSERT_EQ(a.read(), BlockRead::Sample);
    EXPECT_EQ(a.values[0], 1.0);
    EXPECT_EQ(a.values[1], 2.5);
}

TEST(TrajBlock, BlockTooShortForASampleIsAnError)
{
    for (qint16 size : {qint16(0), qint16(10), qint16(63)}) {
        Arrivals a;
        a.arrive(sizeOnly(size) + QByteArray(size, '\0'));
        EXPECT_EQ(a.read(), BlockRead::TooShort) << size;
        // nothing after the size is consumed, so nothing past the data is read
        EXPECT_EQ(a.device.bytesAvailable(), size) << size;
    }
}

TEST(TrajBlock, NegativeSizesOtherThanTheEndCountAsUnsigned)
{
    Arrivals a;
    a.arrive(sizeOnly(-2) + sampleBlock(0, 0.0));
    EXPECT_EQ(a.read(), BlockRead::Wait);  // 65534 bytes awaited
    EXPECT_EQ(quint16(a.blockSize), 65534);
}

}  // namespace
