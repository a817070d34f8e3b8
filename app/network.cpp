// Network trajectory reading: each pose sample sent by the trajectory server
// is applied, shown and stored in "trajkadmer.txt", which is then offered for
// playback.
#include "app/kadmer.h"

#include "app/playback.h"
#include "app/scenario.h"
#include "app/trajblock.h"
#include "app/trajfile.h"

#include <QAction>
#include <QHostAddress>
#include <QLabel>

// where the received samples are stored, in the working directory
static const char ReceivedFile[] = "trajkadmer.txt";

void Kadmer::initLectNetSlot() { initLect(2); }

void Kadmer::startNetworkReading()
{
    fileAction->setEnabled(false);
    mode = ModeLectReseau;
    statusLabel->setText(tr("Connexion au serveur..."));
    netAction->setText(tr("&Arreter Reseau"));
    readingEnded = false;
    // the index of an earlier playback must not decide, after a failed
    // connection, whether the received file is played
    sampleCount = 0;
    blockSize = 0;
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), TrajServerPort,
                         QIODevice::ReadWrite);
}

void Kadmer::skSendRequest()
{
    sampleCount = 0;
    blockSize = 0;
    if (playFile) {
        fclose(playFile);
        playFile = nullptr;
    }
    playFile = fopen(ReceivedFile, "wb");
    if (!playFile) {
        // nowhere to keep the samples: the reading is refused
        const QString why = tr("Erreur: creation de %1 impossible").arg(ReceivedFile);
        finLectReseau(why);
        statusLabel->setText(why);
        return;
    }
    socket.write(trajRequest(tr("Morvale")));
}

void Kadmer::skReadNewData()
{
    if (readingEnded)
        return;
    statusLabel->setText(tr("Lecture trajectoire par socket"));
    for (;;) {
        double block[SampleBlockValues];
        switch (readSampleBlock(&socket, &blockSize, block)) {
        case BlockRead::Wait:
            return;
        case BlockRead::End:
            finLectReseau(tr("Trouve %1 ligne(s)").arg(sampleCount));
            return;
        case BlockRead::TooShort: {
            const QString why =
                tr("Erreur: bloc de %1 octet(s) trop court").arg(quint16(blockSize));
            finLectReseau(why);
            statusLabel->setText(why);
            return;
        }
        case BlockRead::Sample:
            break;
        }

        // the first number of a block is the server's own; the seven after it
        // are the sample, stored like a recorded pose line so that the file
        // replays
        const double* sample = block + 1;
        if (sampleCount < MaxSamples) {
            sampleOffsets[sampleCount] = ftello(playFile);
            sampleCount++;
        }
        writeSampleLine(playFile, sample, SamplePose);
        afficheErreur(applySample(scenario, sample, SamplePose));
        // the question above runs a nested event loop, in which the reading
        // may have ended (connection closed, error)
        if (readingEnded)
            return;
        afficheEtat(scenario->confRovers[0], nullptr);
        counterLabel->setText(QString::asprintf("%06d/%06d", sampleCount, sampleCount));
        updateGL();
    }
}

void Kadmer::skConnectionClosedByServer()
{
    if (blockSize == EndBlockSize)
        finLectReseau(tr("Fin de connexion"));
    else
        finLectReseau(tr("Erreur: Connexion fermee par le serveur"));
}

void Kadmer::skError() { finLectReseau(socket.errorString()); }

void Kadmer::finLectReseau(const QString& status)
{
    // closing the socket below reports the disconnection at once, which ends
    // the reading a second time from within this call
    if (readingEnded)
        return;
    readingEnded = true;
    statusLabel->setText(status);
    if (playFile) {
        fclose(playFile);
        playFile = nullptr;
    }
    socket.close();
    if (sampleCount >= 2 && (playFile = fopen(ReceivedFile, "rb")) != nullptr)
        setModeLecture(ModeVisuFichier, true);
    else
        setModeLecture(ModeLocal, true);
}
