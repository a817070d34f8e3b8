// Trajectory file playback: indexing, the counter and the cut at the end of
// the data, pose and full samples, bad lines, the slider and STEP while
// paused, the index limit, and applying a sample.
#include "drive_support.h"

#include "app/playback.h"
#include "rover/confrover.h"
#include "terrain/mnt.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <cstring>

namespace {

class DrivePlayback : public DriveWindow {
protected:
    // writes the lines to a file and chooses it with "&Lecture Fichier"
    void play(const QByteArray& text)
    {
        const QString path = dir.path() + "/traj.txt";
        writeText(path, text);
        script.fileName = path;
        k->fileAction->trigger();
    }
    // the same, then paused at once, before any tick
    void playPaused(const QByteArray& text)
    {
        play(text);
        ASSERT_EQ(k->paused, 0);
        k->playpauseSlot();
    }
    static QByteArray lines(int n, bool full)
    {
        QByteArray text;
        for (int i = 0; i < n; i++)
            text += sampleLine(full ? fullSample(i) : poseSample(i));
        return text;
    }
};

TEST_F(DrivePlayback, HundredFullSamplesPlayToTheEndThenPause)
{
    s->periodMs = 1;  // the real timer, quickly
    QStringList counters;
    QObject::connect(k->slider, &QSlider::valueChanged,
                     [&](int) { counters << k->counterLabel->text(); });
    play(lines(100, true));
    EXPECT_EQ(k->mode, ModeVisuFichier);
    EXPECT_EQ(k->sampleCount, 101);
    EXPECT_EQ(k->slider->maximum(), 100);
    EXPECT_EQ(k->statusLabel->text(), "Mode visualisation fichier");
    EXPECT_EQ(k->playButton->text(), "PAUSE");
    EXPECT_EQ(k->fileAction->text(), "&Lecture Fichier");
    EXPECT_TRUE(k->netAction->isEnabled());
    EXPECT_TRUE(k->localAction->isEnabled());

    QTRY_VERIFY_WITH_TIMEOUT(k->paused == 1, 30000);
    // the slider moves from sample 1 on (it starts at 0)
    ASSERT_EQ(counters.size(), 99);
    EXPECT_EQ(counters.first(), "000002/000101");
    EXPECT_EQ(counters.last(), "000100/000101");
    EXPECT_EQ(k->sampleCount, 100);
    EXPECT_EQ(k->slider->maximum(), 99);
    EXPECT_EQ(k->sampleIndex, 0);
    EXPECT_EQ(k->playButton->text(), "PLAY");
    EXPECT_TRUE(k->stepButton->isEnabled());
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();

    const std::vector<double> last = fullSample(99);
    EXPECT_DOUBLE_EQ(conf->temps, last[0]);
    EXPECT_DOUBLE_EQ(conf->pos[0], last[1]);
    for (int i = 0; i < NB_CONF; i++)
        EXPECT_DOUBLE_EQ(conf->q[i], last[7 + i]) << i;
    // a full sample shows the 16 values of the playback modes
    EXPECT_EQ(labelNumbers(k->valuesLabel->text()).size(), 16u);
}

TEST_F(DrivePlayback, PoseSamplesStandOnTheTerrainAndShowTenValues)
{
    QByteArray text;
    for (int i = 0; i < 3; i++) {
        std::vector<double> v = poseSample(i);
        v[3] = 4.0;  // far above the ground: the placement decides the height
        text += sampleLine(v);
    }
    playPaused(text);
    k->stepButton->click();
    k->stepButton->click();
    EXPECT_EQ(k->counterLabel->text(), "000002/000004");
    EXPECT_DOUBLE_EQ(conf->temps, 0.04);
    EXPECT_DOUBLE_EQ(conf->pos[0], 0.01);
    EXPECT_DOUBLE_EQ(conf->pos[1], 0.5);
    EXPECT_NEAR(conf->att[ATT_AZIMUT], 0.1, 1e-12);
    EXPECT_LT(conf->pos[2], 2.0);
    for (int w = 0; w < NB_CHAINES; w++)
        EXPECT_NEAR(conf->contact[w][2],
                    hauteur_mnt(s->terrain, conf->contact[w][0], conf->contact[w][1], nullptr),
                    0.005)
            << "wheel " << w;
    EXPECT_EQ(labelNumbers(k->valuesLabel->text()).size(), 10u);
}

TEST_F(DrivePlayback, LineWithEightNumbersEndsThePlayback)
{
    playPaused(lines(3, false) + "1 2 3 4 5 6 7 8\n" + lines(2, false));
    EXPECT_EQ(k->sampleCount, 7);
    for (int i = 0; i < 3; i++)
        k->stepButton->click();
    EXPECT_EQ(k->counterLabel->text(), "000003/000007");
    k->stepButton->click();
    EXPECT_EQ(k->sampleCount, 3);
    EXPECT_EQ(k->slider->maximum(), 2);
    EXPECT_EQ(k->sampleIndex, 0);
    // the end of the data leaves a paused playback paused
    EXPECT_EQ(k->paused, 1);
    EXPECT_FALSE(k->simTimer->isActive());
    EXPECT_EQ(k->mode, ModeVisuFichier);
    EXPECT_DOUBLE_EQ(conf->temps, poseSample(2)[0]);
    // the line that stopped it is named, with what was kept
    EXPECT_EQ(k->statusLabel->text(), QString::fromUtf8(
                  "Lecture arrêtée ligne 4 : 8 nombre(s) lu(s), 7 ou 28 attendus ; les 3 "
                  "échantillons précédents restent."));

    // blank lines at the end are only the file's end
    playPaused(lines(2, false) + "\n  \n\n");
    for (int i = 0; i < 3; i++)
        k->stepButton->click();
    EXPECT_EQ(k->sampleCount, 2);
    EXPECT_EQ(k->statusLabel->text(), "Mode visualisation fichier");
}

TEST_F(DrivePlayback, FileWithoutAFirstSampleIsRefusedAndTheViewStaysLocal)
{
    const struct {
        QByteArray text;
        const char* why;
    } files[] = {
        {"   temps      X       Y       Z\n" + lines(3, false), "ligne 1 : 0 nombre(s) lu(s)"},
        {"", "ligne 1 : le fichier est vide"},
        {QByteArray("\x7f""ELF\x02\x01\x01\0\0\0", 10) + lines(2, true), "ligne 1 : 0 nombre(s)"},
        {"0.04 1 2 3\n" + lines(2, true), "ligne 1 : 4 nombre(s) lu(s), 7 ou 28 attendus"},
    };
    // once from a paused start, once while the local simulation runs
    for (bool running : {false, true}) {
        for (const auto& f : files) {
            if (running != !k->paused)
                k->playpauseSlot();
            script.boxes.clear();
            const double t = conf->temps;
            play(f.text);
            ASSERT_EQ(script.boxes.size(), 1) << f.why;
            EXPECT_TRUE(script.boxes[0].startsWith("Lecture Fichier|Le fichier " + dir.path()
                                                   + "/traj.txt ne peut pas être rejoué"))
                << script.boxes[0].toStdString();
            EXPECT_TRUE(script.boxes[0].contains(f.why)) << script.boxes[0].toStdString();
            EXPECT_EQ(k->mode, ModeLocal);
            EXPECT_EQ(k->paused, 1);
            EXPECT_FALSE(k->simTimer->isActive());
            EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
            EXPECT_EQ(k->counterLabel->text(), "000000/000000");
            EXPECT_EQ(k->fileAction->text(), "&Lecture Fichier");
            EXPECT_FALSE(k->localAction->isEnabled());
            EXPECT_TRUE(k->netAction->isEnabled());
            EXPECT_EQ(k->playFile, nullptr);
            QTest::qWait(3 * s->periodMs);
            EXPECT_EQ(conf->temps, t);
        }
    }
}

TEST_F(DrivePlayback, CounterAndStatusTellTheTruthAfterACutAndTheWayBack)
{
    // a bad line in the middle: the total follows the cut
    playPaused(lines(3, false) + "garbage\n" + lines(3, false));
    EXPECT_EQ(k->sampleCount, 8);
    for (int i = 0; i < 4; i++)
        k->stepButton->click();
    EXPECT_EQ(k->sampleCount, 3);
    EXPECT_EQ(k->counterLabel->text(), "000003/000003");
    // the way back to local mode while paused shows the local status
    k->localAction->trigger();
    EXPECT_EQ(k->mode, ModeLocal);
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
    k->playpauseSlot();
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Play");
    k->playpauseSlot();
}

// after a playback, back in local mode and into dynamic piloting, the rover
// turned over past the terrain's edge is said to be both, even though the
// second comes while the first question is open (the timer ticks on)
TEST_F(DrivePlayback, DynamicPilotingAfterAPlaybackReportsTheRoverOverturned)
{
    playPaused(lines(3, false));
    k->localAction->trigger();
    actionNamed(k, "&Pil. Dynamique")->trigger();
    conf->pos[0] = s->terrain->Xmax + 3.0;
    conf->att[ATT_GITE] = M_PI;
    script.duringBox = [&] {
        if (script.boxes.size() == 1)
            k->oneStepSlot();
    };
    k->oneStepSlot();
    const QString ask = "Erreur Simulation !!|Message d'erreur :\n%1\n\nVoulez-vous continuer ?";
    EXPECT_EQ(script.boxes, QStringList({ask.arg("Rover hors du terrain"),
                                         ask.arg("Rover renverse")}));
}

TEST_F(DrivePlayback, SliderWhilePausedShowsTheSampleAndStepGoesOnFromIt)
{
    playPaused(lines(10, true));
    EXPECT_TRUE(k->slider->isEnabled());
    k->slider->setValue(6);
    EXPECT_DOUBLE_EQ(conf->temps, fullSample(6)[0]);
    EXPECT_EQ(k->counterLabel->text(), "000007/000011");
    EXPECT_EQ(k->sampleIndex, 7);
    // each STEP shows the next sample, once: a recording receives one line
    // per sample
    QTemporaryDir rec;
    k->recordFile = fopen(QFile::encodeName(rec.filePath("r.txt")).constData(), "w");
    k->stepButton->click();
    EXPECT_DOUBLE_EQ(conf->temps, fullSample(7)[0]);
    EXPECT_EQ(k->counterLabel->text(), "000008/000011");
    k->stepButton->click();
    EXPECT_DOUBLE_EQ(conf->temps, fullSample(8)[0]);
    EXPECT_EQ(k->slider->value(), 8);
    fclose(k->recordFile);
    k->recordFile = nullptr;
    EXPECT_EQ(readLines(rec.filePath("r.txt")).size(), 2);
    // INIT shows the first sample; STEP then goes on with the second
    k->initButton->click();
    EXPECT_DOUBLE_EQ(conf->temps, 0.0);
    EXPECT_EQ(k->counterLabel->text(), "000001/000011");
    k->stepButton->click();
    EXPECT_DOUBLE_EQ(conf->temps, fullSample(1)[0]);
    EXPECT_EQ(k->counterLabel->text(), "000002/000011");
}

TEST_F(DrivePlayback, SlidingToTheEndOfTheDataCutsTheCount)
{
    playPaused(lines(4, false));
    k->slider->setValue(4);  // the entry after the last line: no line there
    EXPECT_EQ(k->sampleCount, 4);
    EXPECT_EQ(k->slider->maximum(), 3);
    EXPECT_EQ(k->slider->minimum(), 0);
    // the slider has fallen back to the last sample, which is shown
    EXPECT_EQ(k->slider->value(), 3);
    EXPECT_DOUBLE_EQ(conf->temps, poseSample(3)[0]);
}

TEST_F(DrivePlayback, FirstTwentyThousandLinesAreIndexed)
{
    QByteArray text;
    text.reserve(20005 * 60);
    for (int i = 0; i < 20005; i++)
        text += sampleLine(poseSample(i));
    playPaused(text);
    EXPECT_EQ(k->sampleCount, MaxSamples);
    EXPECT_EQ(k->slider->maximum(), MaxSamples - 1);
    k->slider->setValue(MaxSamples - 1);
    EXPECT_DOUBLE_EQ(conf->temps, poseSample(MaxSamples - 1)[0]);
    EXPECT_EQ(k->counterLabel->text(), "020000/020000");
    // no entry exists past the index
    EXPECT_EQ(k->lecSampleSlot(MaxSamples), -1);
    k->stepButton->click();  // at the count: the playback ends, paused
    EXPECT_EQ(k->sampleIndex, 0);
    EXPECT_EQ(k->paused, 1);
}

TEST_F(DrivePlayback, CancelledOrUnreadableChoiceChangesNothing)
{
    script.fileName = "";
    k->fileAction->trigger();
    EXPECT_EQ(k->mode, ModeLocal);
    EXPECT_TRUE(k->netAction->isEnabled());
    EXPECT_FALSE(k->slider->isEnabled());
    script.fileName = dir.path() + "/missing.txt";
    k->fileAction->trigger();
    EXPECT_EQ(k->mode, ModeLocal);
    EXPECT_EQ(k->playFile, nullptr);
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
}

TEST_F(DrivePlayback, SampleWithANonFiniteNumberIsNotApplied)
{
    const ConfRover before = *conf;
    std::vector<double> v = poseSample(1);
    v[2] = NAN;
    EXPECT_NE(applySample(s, v.data(), 7), nullptr);
    v = fullSample(1);
    v[20] = INFINITY;
    EXPECT_NE(applySample(s, v.data(), 28), nullptr);
    EXPECT_NE(applySample(s, v.data(), 8), nullptr);
    EXPECT_EQ(conf->temps, before.temps);
    EXPECT_EQ(std::memcmp(conf->pos, before.pos, sizeof conf->pos), 0);
    EXPECT_EQ(std::memcmp(conf->q, before.q, sizeof conf->q), 0);

    // in a file it is shown as a question, and the rover stays where it was
    playPaused(lines(1, false) + "0.04 nan 0.5 0.3 0 0 0.1\n" + sampleLine(poseSample(2)));
    k->slider->setValue(2);
    EXPECT_DOUBLE_EQ(conf->temps, 0.08);
    EXPECT_TRUE(script.boxes.isEmpty());
    k->slider->setValue(1);
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].startsWith("Erreur Simulation !!|")) << script.boxes[0].toStdString();
    EXPECT_DOUBLE_EQ(conf->temps, 0.08);
    EXPECT_EQ(k->counterLabel->text(), "000002/000004");
}

}  // namespace
