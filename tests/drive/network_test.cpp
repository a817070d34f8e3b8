// Network reading: against kadmer-trajserver and against a server written
// here that sends blocks whole, in pieces, merged, too short, or closes early;
// the received file and its replay; no server; the reading stopped by hand.
#include "drive_support.h"

#include "app/trajblock.h"
#include "rover/confrover.h"

#include <QDataStream>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <cmath>

namespace {

QByteArray block(int index, const std::vector<double>& pose)
{
    QByteArray b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << qint16(64) << double(index);
    for (int i = 0; i < 7; i++)
        out << pose[i];
    return b;
}

QByteArray endBlock()
{
    return QByteArray("\xff\xff", 2);
}


class DriveNetwork : public DriveWindow {
protected:
    void SetUp() override
    {
        DriveWindow::SetUp();
        // "trajkadmer.txt" is written in the working directory
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override
    {
        if (trajServer.state() != QProcess::NotRunning) {
            trajServer.kill();
            trajServer.waitForFinished();
        }
        QDir::setCurrent(oldDir);
    }
    // listens on the viewer's port, starts "&Lecture Reseau" and takes the
    // viewer's connection and request
    void connectViewer()
    {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, TrajServerPort));
        k->netAction->trigger();
        EXPECT_EQ(k->mode, ModeLectReseau);
        EXPECT_EQ(k->statusLabel->text(), "Connexion au serveur...");
        EXPECT_EQ(k->netAction->text(), "&Arreter Reseau");
        EXPECT_FALSE(k->fileAction->isEnabled());
        EXPECT_TRUE(k->localAction->isEnabled());
        ASSERT_TRUE(server.waitForNewConnection(5000));
        peer = server.nextPendingConnection();
        QTRY_VERIFY_WITH_TIMEOUT(peer->bytesAvailable() >= 20, 5000);
        EXPECT_EQ(peer->readAll(), trajRequest("Morvale"));
    }
    void send(const QByteArray& bytes)
    {
        peer->write(bytes);
        peer->flush();
    }
    QByteArray samples(int from, int to)
    {
        QByteArray b;
        for (int i = from; i < to; i++)
            b += block(i, poseSample(i));
        return b;
    }
    void waitForPausedPlayback()
    {
        QTRY_VERIFY_WITH_TIMEOUT(k->mode == ModeVisuFichier && k->paused == 1, 10000);
    }
    void waitForLocalMode()
    {
        QTRY_VERIFY_WITH_TIMEOUT(k->mode == ModeLocal, 10000);
        // already there: going back to it is not offered
        EXPECT_FALSE(k->localAction->isEnabled());
    }
    // the received file holds the poses, and replays them with STEP
    void expectReceivedAndReplayed(int count)
    {
        const QList<QByteArray> lines = readLines("trajkadmer.txt");
        ASSERT_EQ(lines.size(), count);
        for (int i = 0; i < count; i++)
            EXPECT_EQ(lines[i], sampleLine(poseSample(i))) << i;
        EXPECT_EQ(k->slider->maximum(), count - 1);
        for (int i = 0; i < count; i++) {
            k->stepButton->click();
            EXPECT_DOUBLE_EQ(conf->temps, poseSample(i)[0]) << i;
            EXPECT_DOUBLE_EQ(conf->pos[0], poseSample(i)[1]) << i;
        }
        EXPECT_EQ(k->counterLabel->text(), QString::asprintf("%06d/%06d", count, count));
        k->stepButton->click();
        EXPECT_EQ(k->sampleIndex, 0);
        EXPECT_EQ(k->paused, 1);
    }

    QString oldDir;
    QTcpServer server;
    QTcpSocket* peer = nullptr;
    QProcess trajServer;
};

TEST_F(DriveNetwork, TrajectoryServerStreamIsShownStoredAndReplayed)
{
    QByteArray text;
    for (int i = 0; i < 3; i++)
        text += sampleLine(fullSample(i));  // the server sends the poses only
    writeText("served.txt", text);
    trajServer.start(KADMER_TRAJSERVER, {"served.txt", "--rate", "100"});
    ASSERT_TRUE(trajServer.waitForReadyRead(5000));
    ASSERT_TRUE(trajServer.readLine().contains("listening on 127.0.0.1:6178"));

    k->netAction->trigger();
    waitForPausedPlayback();
    EXPECT_EQ(k->counterLabel->text(), "000003/000003");
    EXPECT_EQ(k->sampleCount, 3);
    EXPECT_EQ(k->statusLabel->text(), "Mode visualisation fichier");
    EXPECT_EQ(k->netAction->text(), "&Lecture Reseau");
    EXPECT_TRUE(k->fileAction->isEnabled());
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
    expectReceivedAndReplayed(3);
    // without --loop it stops once its viewer is served
    QTRY_COMPARE_WITH_TIMEOUT(trajServer.state(), QProcess::NotRunning, 5000);
    EXPECT_EQ(trajServer.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(trajServer.exitCode(), 0);
}

TEST_F(DriveNetwork, ThreeSamplesThenTheEndEndInPausedPlayback)
{
    connectViewer();
    send(samples(0, 3) + endBlock());
    waitForPausedPlayback();
    EXPECT_EQ(k->counterLabel->text(), "000003/000003");
    EXPECT_EQ(k->blockSize, -1);
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
    expectReceivedAndReplayed(3);
}

TEST_F(DriveNetwork, BlockArrivingInPiecesIsAppliedWhenWhole)
{
    connectViewer();
    const QByteArray first = block(0, poseSample(0));
    send(first.left(2));  // the size alone
    QTRY_COMPARE_WITH_TIMEOUT(int(k->blockSize), 64, 5000);
    EXPECT_EQ(k->statusLabel->text(), "Lecture trajectoire par socket");
    send(first.mid(2, 30));
    QTRY_COMPARE_WITH_TIMEOUT(int(k->socket.bytesAvailable()), 30, 5000);
    EXPECT_EQ(k->sampleCount, 0);
    send(first.mid(32) + samples(1, 2).left(40));
    QTRY_COMPARE_WITH_TIMEOUT(k->sampleCount, 1, 5000);
    EXPECT_EQ(k->counterLabel->text(), "000001/000001");
    EXPECT_DOUBLE_EQ(conf->pos[0], poseSample(0)[1]);
    EXPECT_NEAR(conf->att[ATT_AZIMUT], poseSample(0)[6], 1e-12);
    // a pose sample shows the 10 values
    EXPECT_EQ(labelNumbers(k->valuesLabel->text()).size(), 10u);

    // the rest of the second block, a third whole and half a fourth at once
    send(samples(1, 2).mid(40) + samples(2, 3) + samples(3, 4).left(10));
    QTRY_COMPARE_WITH_TIMEOUT(k->sampleCount, 3, 5000);
    EXPECT_EQ(k->counterLabel->text(), "000003/000003");
    EXPECT_DOUBLE_EQ(conf->temps, poseSample(2)[0]);
    send(samples(3, 4).mid(10) + endBlock());
    waitForPausedPlayback();
    expectReceivedAndReplayed(4);
}

TEST_F(DriveNetwork, ServerClosingEarlyOffersWhatArrived)
{
    connectViewer();
    send(samples(0, 2));
    QTRY_COMPARE_WITH_TIMEOUT(k->sampleCount, 2, 5000);
    peer->close();
    waitForPausedPlayback();
    expectReceivedAndReplayed(2);
}

TEST_F(DriveNetwork, ServerClosingAfterOneSampleReturnsToLocalMode)
{
    connectViewer();
    send(samples(0, 1));
    QTRY_COMPARE_WITH_TIMEOUT(k->sampleCount, 1, 5000);
    peer->close();
    waitForLocalMode();
    EXPECT_EQ(k->paused, 1);
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
    EXPECT_EQ(k->netAction->text(), "&Lecture Reseau");
    EXPECT_TRUE(k->fileAction->isEnabled());
    EXPECT_EQ(readLines("trajkadmer.txt").size(), 1);
}

TEST_F(DriveNetwork, NoServerListeningReturnsToLocalModeWithoutAnOldPlayback)
{
    // an earlier playback of a longer file, and an old received file
    writeText("old.txt",
              sampleLine(poseSample(0)) + sampleLine(poseSample(1)) + sampleLine(poseSample(2)));
    writeText("trajkadmer.txt", sampleLine(poseSample(5)) + sampleLine(poseSample(6)));
    script.fileName = dir.path() + "/old.txt";
    k->fileAction->trigger();
    k->playpauseSlot();
    ASSERT_EQ(k->sampleCount, 4);

    k->netAction->trigger();
    waitForLocalMode();
    EXPECT_EQ(k->paused, 1);
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
    EXPECT_EQ(k->netAction->text(), "&Lecture Reseau");
    EXPECT_TRUE(k->fileAction->isEnabled());
    EXPECT_TRUE(k->netAction->isEnabled());
}

TEST_F(DriveNetwork, ShortBlockEndsTheReadingWithAClearStatus)
{
    connectViewer();
    QByteArray shortBlock;
    QDataStream(&shortBlock, QIODevice::WriteOnly) << qint16(10);
    shortBlock += QByteArray(10, '\x7f');
    send(samples(0, 1) + shortBlock + samples(1, 3));
    waitForLocalMode();
    EXPECT_EQ(k->sampleCount, 1);
    EXPECT_EQ(k->statusLabel->text(), "Erreur: bloc de 10 octet(s) trop court");
    EXPECT_EQ(k->paused, 1);
    EXPECT_EQ(readLines("trajkadmer.txt").size(), 1);
    // the viewer goes on: a step simulates
    const double t = conf->temps;
    k->stepButton->click();
    EXPECT_GT(conf->temps, t);
}

TEST_F(DriveNetwork, StoppingTheReadingByHandOffersTheSamples)
{
    connectViewer();
    send(samples(0, 2));
    QTRY_COMPARE_WITH_TIMEOUT(k->sampleCount, 2, 5000);
    k->netAction->trigger();  // "&Arreter Reseau"
    EXPECT_EQ(k->mode, ModeVisuFichier);
    EXPECT_EQ(k->paused, 1);
    EXPECT_EQ(k->socket.state(), QAbstractSocket::UnconnectedState);
    expectReceivedAndReplayed(2);
}

TEST_F(DriveNetwork, SamplesStillArriveInLocalModeUntilTheReadingIsStopped)
{
    connectViewer();
    send(samples(0, 2));
    QTRY_COMPARE_WITH_TIMEOUT(k->sampleCount, 2, 5000);
    k->localAction->trigger();
    EXPECT_EQ(k->mode, ModeLocal);
    send(samples(2, 3));
    QTRY_COMPARE_WITH_TIMEOUT(k->sampleCount, 3, 5000);
    EXPECT_DOUBLE_EQ(conf->temps, poseSample(2)[0]);
    // the action still reads "&Arreter Reseau", and stops the reading
    ASSERT_EQ(k->netAction->text(), "&Arreter Reseau");
    k->netAction->trigger();
    EXPECT_EQ(k->mode, ModeVisuFichier);
    EXPECT_EQ(k->socket.state(), QAbstractSocket::UnconnectedState);
    expectReceivedAndReplayed(3);
}

TEST_F(DriveNetwork, LocalSimulationGoesOnDuringTheReading)
{
    k->playButton->click();
    connectViewer();
    EXPECT_EQ(k->paused, 0);
    const double t = conf->temps;
    QTRY_VERIFY_WITH_TIMEOUT(conf->temps > t + 0.1, 5000);
    EXPECT_EQ(k->mode, ModeLectReseau);
    send(samples(0, 1) + endBlock());
    waitForLocalMode();
    // fewer than two samples: local mode, and the simulation is paused
    EXPECT_EQ(k->paused, 1);
    EXPECT_FALSE(k->simTimer->isActive());
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
}

TEST_F(DriveNetwork, ReceivedFileThatCannotBeCreatedRefusesTheReading)
{
    ASSERT_TRUE(QDir().mkdir("trajkadmer.txt"));
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, TrajServerPort));
    k->netAction->trigger();
    ASSERT_TRUE(server.waitForNewConnection(5000));
    peer = server.nextPendingConnection();
    waitForLocalMode();
    EXPECT_EQ(k->statusLabel->text(), "Erreur: creation de trajkadmer.txt impossible");
    EXPECT_EQ(k->playFile, nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(peer->state(), QAbstractSocket::UnconnectedState, 5000);
    EXPECT_EQ(peer->bytesAvailable(), 0);  // no request was sent
}

TEST_F(DriveNetwork, ReadingEndedDuringAQuestionStopsAtOnce)
{
    connectViewer();
    std::vector<double> bad = poseSample(0);
    bad[1] = NAN;
    // while the question on the bad sample is open the server goes away
    script.duringBox = [&] {
        peer->close();
        QTRY_VERIFY_WITH_TIMEOUT(k->mode != ModeLectReseau, 5000);
    };
    send(block(0, bad) + samples(1, 3));
    waitForLocalMode();
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].startsWith("Erreur Simulation !!|"));
    EXPECT_EQ(k->sampleCount, 1);
    EXPECT_EQ(k->playFile, nullptr);
    EXPECT_TRUE(std::isfinite(conf->pos[0]));
}

}  // namespace
