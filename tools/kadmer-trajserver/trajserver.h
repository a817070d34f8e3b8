// A trajectory server for the viewer's network reading: it loads a
// trajectory file, and for each viewer that connects and sends the request
// it streams one sample block per trajectory line at a fixed rate, then the
// end block.
#ifndef KADMER_TOOLS_TRAJSERVER_H
#define KADMER_TOOLS_TRAJSERVER_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QStringList>
#include <QVector>

class QTcpSocket;
class QTimer;

// one trajectory sample as sent: time, X, Y, Z, site, gite, azimut
struct TrajSample {
    double v[7];
};

// reads the samples of a trajectory file (lines of 7 or 28 numbers; numbers
// after the 7th are not sent); bad lines are reported on `complaints` and
// skipped. Returns false when the file cannot be read.
bool loadTrajectory(const QString& path, QVector<TrajSample>* samples, QStringList* complaints);

class TrajServer : public QObject {
    Q_OBJECT
public:
    // rateHz: blocks per second; loop: serve viewer after viewer instead of
    // ending after the first complete stream
    TrajServer(QVector<TrajSample> samples, double rateHz, bool loop, QObject* parent = nullptr);

    // listens on 127.0.0.1 only; false (with errorString) when the port is taken
    bool listen(quint16 port);
    QString errorString() const { return server.errorString(); }

signals:
    // the server has served its viewer and does not loop
    void finished();

private slots:
    void newViewer();

private:
    friend class TrajSession;
    void sessionEnded(bool streamed);

    QTcpServer server;
    QVector<TrajSample> samples;
    double rateHz;
    bool loop;
    bool done = false;
};

// one connected viewer: awaits the request, then streams the samples
class TrajSession : public QObject {
    Q_OBJECT
public:
    TrajSession(TrajServer* owner, QTcpSocket* socket);

private slots:
    void readRequest();
    void sendNext();
    void viewerLeft();
    void requestTimedOut();

private:
    void refuse(const QString& why);
    // stops sending; the connection is closed by the caller
    void end();

    TrajServer* owner;
    QTcpSocket* socket;
    QTimer* pacer;
    QTimer* requestTimer;
    QString peer;
    int next = 0;          // index of the next sample to send
    bool streaming = false;
    bool ended = false;
};

#endif
