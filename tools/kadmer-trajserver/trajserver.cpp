#include "trajserver.h"

#include "app/trajfile.h"

#include <QDataStream>
#include <QFile>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace {

// the viewer's request: a 16-bit byte count, then this string
const char* const RequestText = "Morvale";
// a request longer than this is not a viewer's
const int MaxRequestBytes = 256;
// a viewer that has not sent its request by then is dropped
const int RequestTimeoutMs = 5000;

void say(const QString& line)
{
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

}  // namespace

bool loadTrajectory(const QString& path, QVector<TrajSample>* samples, QStringList* complaints)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    int lineNo = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        lineNo++;
        if (line.trimmed().isEmpty())
            continue;
        double v[SampleFull];
        const int n = parseSampleLine(line.constData(), v);
        if (n != SamplePose && n != SampleFull) {
            complaints->append(QString("line %1: %2 number(s) read, 7 or 28 expected; skipped")
                                   .arg(lineNo)
                                   .arg(n));
            continue;
        }
        if (!sampleIsFinite(v, SamplePose)) {
            complaints->append(QString("line %1: a number is not finite; skipped").arg(lineNo));
            continue;
        }
        TrajSample s;
        for (int i = 0; i < SamplePose; i++)
            s.v[i] = v[i];
        samples->append(s);
    }
    if (file.error() != QFileDevice::NoError)
        return false;
    return true;
}

TrajServer::TrajServer(QVector<TrajSample> samples_, double rateHz_, bool loop_, QObject* parent)
    : QObject(parent), samples(std::move(samples_)), rateHz(rateHz_), loop(loop_)
{
    connect(&server, &QTcpServer::newConnection, this, &TrajServer::newViewer);
}

bool TrajServer::listen(quint16 port)
{
    return server.listen(QHostAddress::LocalHost, port);
}

void TrajServer::newViewer()
{
    while (QTcpSocket* socket = server.nextPendingConnection()) {
        if (done) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new TrajSession(this, socket);
    }
}

void TrajServer::sessionEnded(bool streamed)
{
    if (streamed && !loop && !done) {
        done = true;
        server.close();
        emit finished();
    }
}

TrajSession::TrajSession(TrajServer* owner_, QTcpSocket* socket_)
    : QObject(owner_), owner(owner_), socket(socket_)
{
    socket->setParent(this);
    peer = QString("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
    say(QString("viewer %1 connected").arg(peer));

    pacer = new QTimer(this);
    pacer->setTimerType(Qt::PreciseTimer);
    pacer->setInterval(qMax(1, int(std::lround(1000.0 / owner->rateHz))));
    connect(pacer, &QTimer::timeout, this, &TrajSession::sendNext);

    requestTimer = new QTimer(this);
    requestTimer->setSingleShot(true);
    connect(requestTimer, &QTimer::timeout, this, &TrajSession::requestTimedOut);
    requestTimer->start(RequestTimeoutMs);

    connect(socket, &QTcpSocket::readyRead, this, &TrajSession::readRequest);
    connect(socket, &QTcpSocket::disconnected, this, &TrajSession::viewerLeft);
    readRequest();
}

void TrajSession::readRequest()
{
    if (streaming || ended) {
        // nothing more is expected from the viewer
        socket->readAll();
        return;
    }
    if (socket->bytesAvailable() < 2)
        return;
    QByteArray head = socket->peek(2);
    QDataStream headIn(head);
    qint16 size;
    headIn >> size;
    if (size <= 0 || size > MaxRequestBytes) {
        refuse(QString("request announces %1 byte(s)").arg(size));
        return;
    }
    if (socket->bytesAvailable() < 2 + size)
        return;
    socket->read(2);
    QByteArray body = socket->read(size);
    QDataStream in(body);
    QString text;
    in >> text;
    if (in.status() != QDataStream::Ok || !in.atEnd()) {
        refuse("request is not one string");
        return;
    }
    if (text != RequestText) {
        refuse(QString("request \"%1\" is not \"%2\"").arg(text, RequestText));
        return;
    }
    requestTimer->stop();
    streaming = true;
    say(QString("request \"%1\" from %2: streaming %3 sample(s) at %4 Hz")
            .arg(text, peer)
            .arg(owner->samples.size())
            .arg(owner->rateHz));
    pacer->start();
    sendNext();
}

void TrajSession::sendNext()
{
    if (ended)
        return;
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    if (next < owner->samples.size()) {
        const TrajSample& s = owner->samples[next];
        // the block's first number is the sample's index in the stream
        out << qint16(64) << double(next);
        for (double v : s.v)
            out << v;
        socket->write(block);
        say(QString::asprintf("sample %d: t=%.6f X=%.6f Y=%.6f Z=%.6f site=%.6f gite=%.6f azimut=%.6f",
                              next, s.v[0], s.v[1], s.v[2], s.v[3], s.v[4], s.v[5], s.v[6]));
        next++;
        return;
    }
    out << qint16(-1);
    socket->write(block);
    say(QString("end block after %1 sample(s)").arg(next));
    end();
    // the connection closes once the end block is written
    socket->disconnectFromHost();
}

void TrajSession::refuse(const QString& why)
{
    say(QString("viewer %1 refused: %2").arg(peer, why));
    end();
    socket->abort();
    deleteLater();
}

void TrajSession::requestTimedOut() { refuse("no request within 5 s"); }

void TrajSession::viewerLeft()
{
    if (!ended) {
        if (streaming)
            say(QString("viewer %1 left after %2 of %3 sample(s)")
                    .arg(peer)
                    .arg(next)
                    .arg(owner->samples.size()));
        else
            say(QString("viewer %1 left without a request").arg(peer));
        end();
    }
    // only now is everything written: the server may stop
    owner->sessionEnded(streaming);
    deleteLater();
}

void TrajSession::end()
{
    ended = true;
    pacer->stop();
    requestTimer->stop();
}
