// Recording: the question and its choices, one trajectory line and one image
// per displayed state, numbering, long directories, blinking, recording only
// from local mode, and the file left complete when the window closes.
#include "drive_support.h"

#include "rover/confrover.h"

#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

namespace {

class DriveRecording : public DriveWindow {
protected:
    void SetUp() override
    {
        DriveWindow::SetUp();
        imageDir = dir.path() + "/images";
        QDir().mkpath(imageDir);
        recordPath = dir.path() + "/rec.txt";
        modal::hooks().fileName = [this](QWidget*, const QString& caption, const QString&,
                                         const QString& filter, bool save) {
            dialogs << caption + "|" + filter + (save ? "|save" : "|open");
            wasPausedInDialog = k->paused;
            return script.fileName;
        };
    }
    // REC, answering the question with the button of that text
    void record(const QString& choice, const QString& file, const QString& directory)
    {
        script.fileName = file;
        script.directory = directory;
        modal::hooks().exec = [this, choice](QDialog* dialog) {
            QMessageBox* box = qobject_cast<QMessageBox*>(dialog);
            EXPECT_NE(box, nullptr);
            if (!box)
                return 0;
            questions << box->windowTitle() + "|" + box->text();
            wasPausedInQuestion = k->paused;
            for (QAbstractButton* b : box->buttons())
                if (b->text() == choice)
                    b->click();
            return 0;
        };
        k->recButton->click();
    }
    QString image(int n) const { return imageDir + QString::asprintf("/img%05d.jpg", n); }

    QString imageDir, recordPath;
    QStringList questions, dialogs;
    int wasPausedInQuestion = -1, wasPausedInDialog = -1;
};

// the 28 numbers of a configuration, as recorded
std::vector<double> recorded(const ConfRover* c)
{
    std::vector<double> v = {c->temps, c->pos[0], c->pos[1], c->pos[2],
                             c->att[0], c->att[1], c->att[2]};
    v.insert(v.end(), c->q, c->q + NB_CONF);
    return v;
}

// back from a playback, the counter tells the states recorded, and INIT no
// longer reaches the file's samples
TEST_F(DriveRecording, CounterInLocalModeTellsTheStatesRecorded)
{
    writeText(recordPath, sampleLine(poseSample(0)) + sampleLine(poseSample(1)));
    script.fileName = recordPath;
    k->fileAction->trigger();
    k->playpauseSlot();
    k->localAction->trigger();
    EXPECT_EQ(k->counterLabel->text(), "000000/000000");
    record("Trajectoire", dir.path() + "/local.txt", QString());
    k->stepButton->click();
    k->stepButton->click();
    const double t = conf->temps;
    k->initButton->click();
    EXPECT_EQ(k->counterLabel->text(), "000002/000002");
    EXPECT_EQ(conf->temps, t);
}

TEST_F(DriveRecording, BothRecordsOneLineAndOneImagePerTick)
{
    record("Les 2", recordPath, imageDir);
    EXPECT_EQ(questions, QStringList{"QUESTION ?|Voulez-vous enregistrer"});
    EXPECT_EQ(dialogs, QStringList{"Fichier enregistrement ?|Fichier texte (*.txt *.asc)|save"});
    ASSERT_EQ(k->recordMode, RecordBoth);
    EXPECT_TRUE(k->blinkTimer->isActive());
    EXPECT_EQ(k->blinkTimer->interval(), 250);

    s->vDes = 0.5;
    for (int i = 0; i < 3; i++)
        k->stepButton->click();
    const std::vector<double> last = recorded(conf);
    k->recButton->click();  // stops
    EXPECT_EQ(k->recordMode, RecordNone);
    EXPECT_EQ(k->recordFile, nullptr);
    EXPECT_FALSE(k->blinkTimer->isActive());
    EXPECT_FALSE(k->blinkOn);
    EXPECT_EQ(k->recButton->styleSheet(), "");

    const QList<QByteArray> lines = readLines(recordPath);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_NE(lines[0][0], ' ');
    EXPECT_EQ(lines[2], sampleLine(last));
    for (int n = 0; n < 3; n++) {
        QImage img(image(n));
        EXPECT_FALSE(img.isNull()) << n;
        EXPECT_EQ(img.size(), k->size()) << n;
    }
    EXPECT_FALSE(QFile::exists(image(3)));
}

TEST_F(DriveRecording, SecondImageRecordingStartsAgainFromZero)
{
    record("Video", "", imageDir);
    ASSERT_EQ(k->recordMode, RecordImages);
    EXPECT_TRUE(dialogs.isEmpty());
    k->stepButton->click();
    k->stepButton->click();
    k->recButton->click();
    ASSERT_TRUE(QFile::remove(image(0)));

    record("Video", "", imageDir);
    k->stepButton->click();
    EXPECT_TRUE(QFile::exists(image(0)));
    EXPECT_FALSE(QFile::exists(image(2)));
    EXPECT_EQ(k->imageCount, 1);
    k->recButton->click();
}

TEST_F(DriveRecording, LongDirectoryPathIsKeptWhole)
{
    QString deep = dir.path();
    while (deep.size() < 300)
        deep += "/un-repertoire-au-nom-assez-long";
    ASSERT_TRUE(QDir().mkpath(deep));
    imageDir = deep;
    record("Video", "", deep);
    k->stepButton->click();
    k->recButton->click();
    EXPECT_FALSE(QImage(image(0)).isNull());
}

TEST_F(DriveRecording, RecordingOnlyStartsAndStopsInLocalMode)
{
    record("Trajectoire", recordPath, "");
    ASSERT_EQ(k->recordMode, RecordTrajectory);

    // a playback begun afterwards is recorded too
    const QString traj = dir.path() + "/traj.txt";
    writeText(traj, sampleLine(fullSample(0)) + sampleLine(fullSample(1)));
    script.fileName = traj;
    k->fileAction->trigger();
    k->playpauseSlot();
    ASSERT_EQ(k->mode, ModeVisuFichier);
    k->slider->setValue(1);

    questions.clear();
    k->recButton->click();  // refused outside local mode, with the reason
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(k->recordMode, RecordTrajectory);
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_EQ(script.boxes[0], "REC|L'enregistrement en cours s'arrête en mode local : "
                               "choisir « Retour Mode Local » d'abord.");

    k->localAction->trigger();
    k->recButton->click();
    EXPECT_EQ(k->recordMode, RecordNone);
    EXPECT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(questions.isEmpty());
    const QList<QByteArray> lines = readLines(recordPath);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], sampleLine(fullSample(1)));
}

TEST_F(DriveRecording, RecWhileRunningPausesAroundTheQuestionThenBlinks)
{
    k->playButton->click();
    ASSERT_EQ(k->paused, 0);
    record("Trajectoire", recordPath, "");
    EXPECT_EQ(wasPausedInQuestion, 1);
    EXPECT_EQ(wasPausedInDialog, 1);
    EXPECT_EQ(k->paused, 0);
    EXPECT_TRUE(k->simTimer->isActive());
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Play");
    QTRY_COMPARE_WITH_TIMEOUT(k->recButton->styleSheet(), QString("background-color : red"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(k->recButton->styleSheet(), QString(""), 2000);
    k->playButton->click();
    k->recButton->click();
    EXPECT_GT(readLines(recordPath).size(), 0);
}

TEST_F(DriveRecording, AbortCancelledOrFailedChoicesRecordWhatTheyCan)
{
    QStringList buttons;
    modal::hooks().exec = [&](QDialog* dialog) {
        QMessageBox* box = qobject_cast<QMessageBox*>(dialog);
        EXPECT_EQ(box->icon(), QMessageBox::Information);
        for (QAbstractButton* b : box->buttons())
            buttons << b->text() + (box->buttonRole(b) == QMessageBox::ActionRole ? "" : "*");
        box->button(QMessageBox::Abort)->click();
        return 0;
    };
    k->recButton->click();
    buttons.sort();
    EXPECT_EQ(buttons, QStringList({"Abort*", "Les 2", "Trajectoire", "Video"}));
    EXPECT_EQ(k->recordMode, RecordNone);
    EXPECT_TRUE(dialogs.isEmpty());

    record("Trajectoire", "", "");
    EXPECT_EQ(k->recordMode, RecordNone);
    EXPECT_FALSE(k->blinkTimer->isActive());
    record("Video", "", "");
    EXPECT_EQ(k->recordMode, RecordNone);
    // a trajectory file that cannot be created still lets the images be recorded
    record("Les 2", dir.path(), imageDir);
    EXPECT_EQ(k->recordMode, RecordImages);
    EXPECT_EQ(k->recordFile, nullptr);
    k->recButton->click();
}

TEST_F(DriveRecording, RoverKeyAddsALineAndAnImage)
{
    record("Les 2", recordPath, imageDir);
    QTest::keyClick(k, Qt::Key_X);
    QTest::keyClick(k, Qt::Key_Left);  // an observer key records nothing
    k->recButton->click();
    EXPECT_EQ(readLines(recordPath).size(), 1);
    EXPECT_TRUE(QFile::exists(image(0)));
    EXPECT_FALSE(QFile::exists(image(1)));
}

TEST_F(DriveRecording, ClosingTheWindowLeavesTheFileComplete)
{
    record("Trajectoire", recordPath, "");
    for (int i = 0; i < 5; i++)
        k->stepButton->click();
    const std::vector<double> last = recorded(conf);
    window->close();
    EXPECT_EQ(k->recordFile, nullptr);
    const QList<QByteArray> lines = readLines(recordPath);
    ASSERT_EQ(lines.size(), 5);
    for (const QByteArray& line : lines)
        EXPECT_EQ(line.trimmed().split(' ').size(), 28);
    EXPECT_EQ(lines[4], sampleLine(last));
}

}  // namespace
