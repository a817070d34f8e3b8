// Trajectory file playback: choosing and indexing the file, reading and
// showing one sample, applying a sample to the rover.
#include "app/playback.h"

#include "app/kadmer.h"
#include "app/modal.h"
#include "app/scenario.h"
#include "app/trajfile.h"
#include "rover/confrover.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <cctype>
#include <cstdio>

const char* applySample(Scenario* scenario, const double* values, int n)
{
    if (n != SamplePose && n != SampleFull)
        return "Echantillon de trajectoire incomplet : ignore";
    // a non-finite number would spread through every frame of the rover
    if (!sampleIsFinite(values, n))
        return "Echantillon de trajectoire non numerique : ignore";
    ConfRover* c = scenario->confRovers[0];
    c->temps = values[0];
    for (int i = 0; i < 3; i++) {
        c->pos[i] = values[1 + i];
        c->att[i] = values[4 + i];
    }
    if (n == SamplePose)
        return place_on_ground(c, scenario->terrain);
    for (int i = 0; i < NB_CONF; i++)
        c->q[i] = values[7 + i];
    return update_geometry(c);
}

// the line just read and every one after it hold only white space
static bool blankToEnd(FILE* f, char* line)
{
    do {
        for (const char* c = line; *c; c++)
            if (!isspace(static_cast<unsigned char>(*c)))
                return false;
    } while (fgets(line, SampleLineSize, f));
    return true;
}

void Kadmer::initLectFichSlot() { initLect(1); }

int Kadmer::initLect(int source)
{
    localAction->setEnabled(true);
    switch (mode) {
    case ModeLocal:
    case ModeVisuFichier:
        disconnect(slider, SIGNAL(valueChanged(int)), this, SLOT(lecSampleSlot(int)));
        slider->setEnabled(false);
        if (source == 2) {
            // after "&Retour Mode Local" the connection may still be open and
            // the action still offers to stop it: a second connection would
            // mix two streams in one file
            if (socket.state() != QAbstractSocket::UnconnectedState)
                finLectReseau(tr("Demande fin lecture reseau"));
            else
                startNetworkReading();
            return 0;
        }
        break;
    case ModeLectFichier:
        mode = ModeVisuFichier;
        fileAction->setText(tr("&Lecture Fichier"));
        setModeLecture(ModeVisuFichier, false);
        return 0;
    case ModeLectReseau:
        finLectReseau(tr("Demande fin lecture reseau"));
        return 0;
    default:
        return 0;
    }

    netAction->setEnabled(false);
    QString name = modal::getOpenFileName(nullptr, tr("Fichier data visu TARNO"));
    if (!name.isEmpty()) {
        if (playFile) {
            fclose(playFile);
            playFile = nullptr;
        }
        playFile = fopen(QFile::encodeName(name).constData(), "rb");
        if (playFile) {
            statusLabel->setText(tr("Lecture fichier..."));
            mode = ModeLectFichier;
            fileAction->setText(tr("&Arreter Lecture"));
            indexPlayFile();
            if (firstSampleReadable(name))
                setModeLecture(ModeVisuFichier, false);
        }
    }
    netAction->setEnabled(true);
    return 0;
}

void Kadmer::indexPlayFile()
{
    sampleOffsets[0] = 0;
    sampleCount = 1;
    // entry k is where line k starts; the entry after the last line is the
    // end of the file, where reading finds nothing
    while (fgets(lineBuffer, sizeof lineBuffer, playFile)) {
        sampleOffsets[sampleCount] = ftello(playFile);
        sampleCount++;
        if (sampleCount >= MaxSamples || mode != ModeLectFichier)
            break;
    }
}

bool Kadmer::firstSampleReadable(const QString& name)
{
    double values[SampleFull];
    int n = -1;
    if (fseeko(playFile, 0, SEEK_SET) == 0 && fgets(lineBuffer, sizeof lineBuffer, playFile))
        n = parseSampleLine(lineBuffer, values);
    if (n == SamplePose || n == SampleFull)
        return true;

    // nothing of this file can be shown: the view stays with the local
    // simulation, paused, and the user learns why
    fclose(playFile);
    playFile = nullptr;
    sampleIndex = 0;
    sampleCount = 0;
    mode = ModeLocal;
    fileAction->setText(tr("&Lecture Fichier"));
    localAction->setEnabled(false);
    if (!paused)
        playpauseSlot();
    showLocalStatus();
    showLocalCounter();
    const QString why = n < 0 ? tr("le fichier est vide")
                              : tr("%1 nombre(s) lu(s), 7 ou 28 attendus").arg(n);
    modal::warning(this, tr("Lecture Fichier"),
                   tr("Le fichier %1 ne peut pas être rejoué :\nligne 1 : %2.\n"
                      "Retour au mode local.")
                       .arg(name, why));
    return false;
}

void Kadmer::cutSamples(int m)
{
    sampleCount = m;
    slider->setMaximum(m > 0 ? m - 1 : 0);
    // the total shown is the one now known; the sample shown stays
    counterLabel->setText(QString::asprintf("%06d/%06d", sampleIndex < m ? sampleIndex : m, m));
}

int Kadmer::lecSampleSlot(int m)
{
    // sampleOffsets holds MaxSamples entries: m = sampleCount is looked up
    // only while the count is below that
    if (m < 0 || m > sampleCount || m >= MaxSamples || !playFile)
        return -1;
    if (fseeko(playFile, sampleOffsets[m], SEEK_SET) != 0
        || !fgets(lineBuffer, sizeof lineBuffer, playFile)) {
        cutSamples(m);
        return 0;
    }
    double values[SampleFull];
    const int n = parseSampleLine(lineBuffer, values);
    if (n != SampleFull && n != SamplePose) {
        cutSamples(m);
        // blank lines to the end are the file's end; any other line stopped
        // the data short of it, and the user learns where
        if (!blankToEnd(playFile, lineBuffer))
            statusLabel->setText(tr("Lecture arrêtée ligne %1 : %2 nombre(s) lu(s), 7 ou 28 "
                                    "attendus ; les %3 échantillons précédents restent.")
                                     .arg(m + 1)
                                     .arg(n)
                                     .arg(m));
        return n;
    }
    // the next sample to play follows the one shown, whether the tick, the
    // slider or INIT chose it
    sampleIndex = m + 1;
    afficheErreur(applySample(scenario, values, n));
    // a pose sample carries no joint rates: the values line stops at the angles
    afficheEtat(scenario->confRovers[0], n == SampleFull ? scenario->dynRovers[0] : nullptr);
    counterLabel->setText(QString::asprintf("%06d/%06d", m + 1, sampleCount));
    updateGL();
    return n;
}
