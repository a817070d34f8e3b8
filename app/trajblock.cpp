#include "app/trajblock.h"

#include <QDataStream>
#include <QIODevice>

QByteArray trajRequest(const QString& text)
{
    QByteArray request;
    QDataStream out(&request, QIODevice::WriteOnly);
    out << qint16(0) << text;
    out.device()->seek(0);
    out << qint16(request.size() - 2);
    return request;
}

BlockRead readSampleBlock(QIODevice* device, qint16* blockSize,
                          double values[SampleBlockValues])
{
    QDataStream in(device);
    if (*blockSize == 0) {
        if (device->bytesAvailable() < 2)
            return BlockRead::Wait;
        in >> *blockSize;
    }
    if (*blockSize == EndBlockSize)
        return BlockRead::End;
    // any other size counts as unsigned; one that cannot hold the eight
    // doubles (0 included) leaves no way to find the next block
    const qint64 size = quint16(*blockSize);
    if (size < SampleBlockBytes)
        return BlockRead::TooShort;
    if (device->bytesAvailable() < size)
        return BlockRead::Wait;
    for (int i = 0; i < SampleBlockValues; i++)
        in >> values[i];
    if (size > SampleBlockBytes)
        device->skip(size - SampleBlockBytes);
    *blockSize = 0;
    return BlockRead::Sample;
}
