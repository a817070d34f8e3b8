// kadmer-trajserver: the stream it sends a viewer, bad file lines, bad
// requests, serving one viewer or several, and its refusals at start.
#include "app/trajblock.h"

#include <QDataStream>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// true once the process has ended (it may have ended already)
bool hasEnded(QProcess& p)
{
    return p.state() == QProcess::NotRunning || p.waitForFinished(5000);
}

// a port nobody listens on right now
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class TrajServerRun : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished();
        }
    }
    // starts the server on the file's text and waits until it listens
    void start(const QByteArray& text, QStringList extra = {})
    {
        path = dir.path() + "/traj.txt";
        writeFile(path, text);
        port = freePort();
        server.start(KADMER_TRAJSERVER,
                     QStringList{path, "--port", QString::number(port), "--rate", "500"} + extra);
        ASSERT_TRUE(server.waitForStarted());
        ASSERT_TRUE(server.waitForReadyRead(5000));
        ASSERT_TRUE(server.readLine().contains("listening on 127.0.0.1:" + QByteArray::number(port)));
    }
    // connects as a viewer, sends the request and reads until the end block
    // or the connection closes; returns the blocks' values
    QVector<QVector<double>> stream(const QString& request, bool* ended)
    {
        QTcpSocket viewer;
        viewer.connectToHost(QHostAddress::LocalHost, port);
        EXPECT_TRUE(viewer.waitForConnected(5000));
        viewer.write(trajRequest(request));
        QVector<QVector<double>> blocks;
        qint16 blockSize = 0;
        *ended = false;
        for (;;) {
            double v[SampleBlockValues];
            BlockRead r = readSampleBlock(&viewer, &blockSize, v);
            if (r == BlockRead::Sample) {
                blocks.append(QVector<double>(v, v + SampleBlockValues));
            } else if (r == BlockRead::End) {
                *ended = true;
                break;
            } else if (r == BlockRead::TooShort || !viewer.waitForReadyRead(5000)) {
                break;
            }
        }
        return blocks;
    }

    QTemporaryDir dir;
    QString path;
    quint16 port = 0;
    QProcess server;
};

TEST_F(TrajServerRun, StreamsEachLineWithItsIndexThenTheEndBlock)
{
    start("0.00 1 2 0.3 0.01 0.02 0.03\n"
          "0.04 1.1 2 0.3 0.01 0.02 0.03 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9 9\n"
          "0.08 1.2 2 0.3 0.01 0.02 0.03\n");
    bool ended = false;
    QVector<QVector<double>> blocks = stream("Morvale", &ended);
    EXPECT_TRUE(ended);
    ASSERT_EQ(blocks.size(), 3);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(blocks[k][0], k);
        EXPECT_DOUBLE_EQ(blocks[k][1], 0.04 * k);
        EXPECT_DOUBLE_EQ(blocks[k][2], 1.0 + 0.1 * k);
        EXPECT_EQ(blocks[k][7], 0.03);  // azimut, not the 28-number line's angles
    }
    // without --loop it stops once its viewer is served
    ASSERT_TRUE(hasEnded(server));
    EXPECT_EQ(server.exitCode(), 0);
    const QByteArray said = server.readAllStandardOutput();
    EXPECT_TRUE(said.contains("sample 2: t=0.080000 X=1.200000")) << said.constData();
    EXPECT_TRUE(said.contains("end block after 3 sample(s)")) << said.constData();
}

TEST_F(TrajServerRun, BadLinesAreReportedAndSkipped)
{
    start("   temps      X       Y\n"
          "0 1 2 3 4 5 6\n"
          "\n"
          "1 2 3 4 5 6 7 8\n"
          "2 1 2 3 inf 5 6\n"
          "3 1 2 3 4 5 6\n");
    bool ended = false;
    QVector<QVector<double>> blocks = stream("Morvale", &ended);
    EXPECT_TRUE(ended);
    ASSERT_EQ(blocks.size(), 2);
    EXPECT_EQ(blocks[0][1], 0.0);
    EXPECT_EQ(blocks[1][0], 1.0);  // indices follow the samples sent
    EXPECT_EQ(blocks[1][1], 3.0);
    ASSERT_TRUE(hasEnded(server));
    const QByteArray complaints = server.readAllStandardError();
    EXPECT_TRUE(complaints.contains("line 1: 0 number(s) read")) << complaints.constData();
    EXPECT_TRUE(complaints.contains("line 4: 8 number(s) read")) << complaints.constData();
    EXPECT_TRUE(complaints.contains("line 5: a number is not finite")) << complaints.constData();
    EXPECT_FALSE(complaints.contains("line 3")) << complaints.constData();
}

TEST_F(TrajServerRun, WrongRequestIsRefusedAndTheServerWaitsOn)
{
    start("0 1 2 3 4 5 6\n");
    bool ended = true;
    EXPECT_TRUE(stream("Bonjour", &ended).isEmpty());
    EXPECT_FALSE(ended);
    EXPECT_EQ(server.state(), QProcess::Running);
    QVector<QVector<double>> blocks = stream("Morvale", &ended);
    EXPECT_TRUE(ended);
    EXPECT_EQ(blocks.size(), 1);
    ASSERT_TRUE(hasEnded(server));
    EXPECT_TRUE(server.readAllStandardOutput().contains("refused: request \"Bonjour\""));
}

TEST_F(TrajServerRun, LoopServesViewerAfterViewer)
{
    start("0 1 2 3 4 5 6\n1 1 2 3 4 5 6\n", {"--loop"});
    for (int viewer = 0; viewer < 3; viewer++) {
        bool ended = false;
        EXPECT_EQ(stream("Morvale", &ended).size(), 2) << viewer;
        EXPECT_TRUE(ended) << viewer;
    }
    EXPECT_FALSE(server.waitForFinished(300));
}

TEST(TrajServerStart, BadArgumentsAndEmptyFilesAreRefused)
{
    QTemporaryDir dir;
    const QString empty = dir.path() + "/empty.txt";
    writeFile(empty, "no numbers here\n");
    const QString good = dir.path() + "/good.txt";
    writeFile(good, "0 1 2 3 4 5 6\n");
    struct Case {
        QStringList args;
        int status;
        const char* says;
    } cases[] = {
        {{}, 2, "one trajectory file expected"},
        {{good, "--port", "70000"}, 2, "bad port"},
        {{good, "--rate", "0"}, 2, "bad rate"},
        {{dir.path() + "/missing.txt"}, 1, "cannot read"},
        {{empty}, 1, "no sample in"},
    };
    for (const Case& c : cases) {
        QProcess p;
        p.start(KADMER_TRAJSERVER, c.args);
        ASSERT_TRUE(p.waitForFinished(5000)) << c.says;
        EXPECT_EQ(p.exitCode(), c.status) << c.says;
        EXPECT_TRUE(p.readAllStandardError().contains(c.says)) << c.says;
    }
}

}  // namespace
