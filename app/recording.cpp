// Recording of trajectories and images: the REC button, its blinking, and the
// writing of each displayed state.
#include "app/kadmer.h"

#include "app/modal.h"
#include "app/scenario.h"
#include "app/trajfile.h"
#include "rover/confrover.h"

#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

void Kadmer::recordSlot()
{
    if (mode != ModeLocal) {
        // recording starts and stops in local mode only; the user is told
        // how to get there rather than left with a button that does nothing
        modal::information(this, "REC",
                           recordMode != RecordNone
                               ? tr("L'enregistrement en cours s'arrête en mode local : "
                                    "choisir « Retour Mode Local » d'abord.")
                               : tr("L'enregistrement se lance en mode local : "
                                    "choisir « Retour Mode Local » d'abord."));
        return;
    }
    if (recordMode != RecordNone) {
        if (recordFile) {
            fclose(recordFile);
            recordFile = nullptr;
        }
        recordMode = RecordNone;
        blinkTimer->stop();
        blinkOn = false;
        recButton->setStyleSheet(QString());
        return;
    }

    // the question and the dialogs are modal: the simulation waits for them
    const bool wasRunning = !paused;
    if (wasRunning)
        playpauseSlot();

    QMessageBox box(QMessageBox::Information, "QUESTION ?", "Voulez-vous enregistrer",
                    QMessageBox::NoButton, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    QPushButton* trajectory = box.addButton("Trajectoire", QMessageBox::ActionRole);
    QPushButton* video = box.addButton("Video", QMessageBox::ActionRole);
    QPushButton* both = box.addButton("Les 2", QMessageBox::ActionRole);
    box.addButton(QMessageBox::Abort);
    modal::exec(&box);
    QAbstractButton* choice = box.clickedButton();

    if (choice == trajectory || choice == both) {
        QString name = modal::getSaveFileName(nullptr, tr("Fichier enregistrement ?"), QString(),
                                              tr("Fichier texte (*.txt *.asc)"));
        if (!name.isEmpty()) {
            recordFile = fopen(QFile::encodeName(name).constData(), "wt");
            if (recordFile)
                recordMode = RecordTrajectory;
        }
    }
    if (choice == video || choice == both) {
        QString dir = modal::getExistingDirectory(nullptr, tr("Repertoire enregistrement ?"));
        if (!dir.isEmpty()) {
            recordMode = recordMode == RecordTrajectory ? RecordBoth : RecordImages;
            imageDir = QFile::encodeName(dir);
            imageName = imageDir.size();
            imageCount = 0;
        }
    }

    if (wasRunning)
        playpauseSlot();
    if (recordMode != RecordNone) {
        blinkTimer->setInterval(250);
        blinkTimer->start();
        recordCount = 0;
        showLocalCounter();
    }
}

void Kadmer::clignoRecordSlot()
{
    blinkOn = !blinkOn;
    recButton->setStyleSheet(blinkOn ? "background-color : red" : QString());
}

void Kadmer::recordState(ConfRover* conf, DynRover*)
{
    if (!recordFile && recordMode != RecordImages && recordMode != RecordBoth)
        return;
    recordCount++;
    // in local mode the counter tells the states recorded; in playback it
    // keeps telling the file's
    if (mode == ModeLocal)
        counterLabel->setText(QString::asprintf("%06d/%06d", recordCount, recordCount));
    if (recordFile) {
        double line[SampleFull];
        line[0] = conf->temps;
        for (int i = 0; i < 3; i++) {
            line[1 + i] = conf->pos[i];
            line[4 + i] = conf->att[i];
        }
        for (int i = 0; i < NB_CONF; i++)
            line[7 + i] = conf->q[i];
        writeSampleLine(recordFile, line, SampleFull);
    }
    if (recordMode == RecordImages || recordMode == RecordBoth) {
        // the directory's path is kept whole, whatever its length
        imageDir.truncate(imageName);
        imageDir += QString::asprintf("/img%05d.jpg", imageCount).toLatin1();
        imageCount++;
        QImage image = grabFrameBuffer(false);
        image.save(QFile::decodeName(imageDir));
    }
}
