// A whole session in one window, as a user runs it: every start-up dialog
// shown and accepted with Return, live dynamic driving on the simulation
// timer, a recording of trajectory and images, its playback, and a network
// reading of it from kadmer-trajserver, then driving on and closing.
#include "app/support.h"

#include "app/scenario.h"
#include "app/trajfile.h"
#include "rover/confrover.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "support/eventually.h"

namespace {

struct Choice {
    const char* name;
    int soil;    // 0 simplified, 1 macro ("Modèle macro" in the terrain dialog)
    bool quadri; // four-bar legs ticked in the geometry dialog
};

std::vector<std::vector<double>> readSamples(const QString& path)
{
    std::vector<std::vector<double>> samples;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return samples;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        double v[SampleFull];
        const int n = parseSampleLine(line.constData(), v);
        samples.emplace_back(v, v + (n > 0 ? n : 0));
    }
    return samples;
}

bool allFinite(const std::vector<double>& v)
{
    for (double x : v)
        if (!std::isfinite(x))
            return false;
    return true;
}

class Session : public ::testing::TestWithParam<Choice> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // "trajkadmer.txt" is written in the working directory
        oldDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        ASSERT_TRUE(QDir(dir.path()).mkdir("images"));

        // each dialog is shown and accepted as a user does, with Return;
        // the recording question is answered "Les 2"
        script.exec = [this](QDialog* d) {
            if (QMessageBox* box = qobject_cast<QMessageBox*>(d)) {
                questions << box->windowTitle() + "|" + box->text();
                for (QAbstractButton* b : box->buttons())
                    if (b->text() == "Les 2")
                        QTimer::singleShot(0, b, SLOT(click()));
                return box->exec();
            }
            dialogs << d->metaObject()->className();
            if (GetParam().quadri)
                if (QCheckBox* c = d->findChild<QCheckBox*>("checkBox_FlagQuadri"))
                    c->setChecked(true);
            if (QComboBox* c = d->findChild<QComboBox*>("comboBox_TypeDyn"))
                c->setCurrentIndex(GetParam().soil);
            QTimer::singleShot(0, d, [d] {
                if (QTest::qWaitForWindowExposed(d))
                    QTest::keyClick(d, Qt::Key_Return);
            });
            const int result = d->exec();
            if (result != QDialog::Accepted)
                refused << d->metaObject()->className();
            return result;
        };
        script.fileName = dir.filePath("record.txt");
        script.directory = dir.filePath("images");
    }
    void TearDown() override
    {
        if (server.state() != QProcess::NotRunning) {
            server.kill();
            server.waitForFinished();
        }
        QDir::setCurrent(oldDir);
    }

    // ticks of live simulation until the simulated clock has advanced by span
    static bool runFor(ConfRover* conf, double span)
    {
        const double until = conf->temps + span;
        return eventually([=] { return conf->temps >= until - 1e-9; });
    }

    QTemporaryDir dir;
    QString oldDir;
    ModalScript script;
    QStringList dialogs, refused, questions;
    QProcess server;
};

TEST_P(Session, RunsFromStartUpToCloseWithoutAMessage)
{
    std::unique_ptr<MainWindow> window = openMainWindow();
    Kadmer* k = window->kadmer;
    ASSERT_NE(k, nullptr);
    Scenario* s = k->scenario;
    ConfRover* conf = s->confRovers[0];

    // start-up: the dialogs in their order, all accepted on their defaults
    QStringList expected = {"GeoDialog", "RoverDialog", "MntDialog"};
    expected << (GetParam().soil == 1 ? "MacroSolDialog" : "DynSolDialog");
    EXPECT_EQ(dialogs, expected);
    EXPECT_TRUE(refused.isEmpty()) << refused.join(", ").toStdString();
    EXPECT_EQ(s->dynRover.quadri, GetParam().quadri ? 1 : 0);
    EXPECT_EQ(s->mnt.typeDyn, GetParam().soil);
    EXPECT_EQ(s->zones != nullptr, GetParam().soil == 1);

    // live dynamic piloting: the context menu's switch, PLAY, then the keys
    // for speed and a left turn
    QAction* dyn = actionNamed(k, "&Pil. Dynamique");
    ASSERT_NE(dyn, nullptr);
    dyn->trigger();
    ASSERT_TRUE(k->dynamic);
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    ASSERT_EQ(k->paused, 0);
    k->setFocus();
    QTest::keyClick(k, Qt::Key_Plus);
    QTest::keyClick(k, Qt::Key_G);
    EXPECT_GT(s->vDes, 0.0);
    EXPECT_GT(s->cDes, 0.0);
    const double x0 = conf->pos[0], y0 = conf->pos[1];
    ASSERT_TRUE(runFor(conf, 2.0));

    // recording while running: one line and one image per tick
    QTest::mouseClick(k->recButton, Qt::LeftButton);
    EXPECT_EQ(questions, QStringList{"QUESTION ?|Voulez-vous enregistrer"});
    ASSERT_EQ(k->recordMode, RecordBoth);
    ASSERT_EQ(k->paused, 0);
    ASSERT_TRUE(runFor(conf, 1.0));
    QTest::mouseClick(k->recButton, Qt::LeftButton);
    EXPECT_EQ(k->recordMode, RecordNone);
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    ASSERT_EQ(k->paused, 1);
    const double driven = std::hypot(conf->pos[0] - x0, conf->pos[1] - y0);
    EXPECT_GT(driven, 0.01) << "the rover did not move in 3 s at 0.04 m/s";

    const std::vector<std::vector<double>> recorded = readSamples(script.fileName);
    ASSERT_GE(recorded.size(), 20u);
    for (size_t i = 0; i < recorded.size(); i++) {
        ASSERT_EQ(recorded[i].size(), size_t(SampleFull)) << "line " << i;
        EXPECT_TRUE(allFinite(recorded[i])) << "line " << i;
        if (i > 0) {
            EXPECT_NEAR(recorded[i][0] - recorded[i - 1][0], 0.04, 1e-6) << "line " << i;
        }
    }
    const int images = int(recorded.size());
    EXPECT_FALSE(QImage(dir.filePath("images/img00000.jpg")).isNull());
    EXPECT_FALSE(QImage(dir.filePath(QString::asprintf("images/img%05d.jpg", images - 1))).isNull());
    EXPECT_FALSE(QFile::exists(dir.filePath(QString::asprintf("images/img%05d.jpg", images))));

    // playback of the recording, to its end, where it pauses on the last sample
    k->fileAction->trigger();
    ASSERT_EQ(k->mode, ModeVisuFichier);
    // the index holds the end of the file too, until the playback finds it
    EXPECT_EQ(k->sampleCount, images + 1);
    ASSERT_TRUE(eventually([k] { return k->paused == 1; }));
    EXPECT_EQ(k->sampleCount, images);
    EXPECT_DOUBLE_EQ(conf->temps, recorded.back()[0]);
    EXPECT_DOUBLE_EQ(conf->pos[0], recorded.back()[1]);
    // once the end is found, the counter's total is the file's true length
    EXPECT_EQ(k->counterLabel->text(), QString::asprintf("%06d/%06d", images, images));

    // the same trajectory read from the network, stored, then played back
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start(KADMER_TRAJSERVER, {script.fileName, "--rate", "200"});
    ASSERT_TRUE(server.waitForReadyRead(Patience));
    ASSERT_TRUE(server.readLine().contains("listening on 127.0.0.1:6178"));
    k->netAction->trigger();
    ASSERT_TRUE(eventually([k] {
        return k->statusLabel->text() == QString("Mode visualisation fichier") && k->paused == 1;
    })) << k->statusLabel->text().toStdString();
    EXPECT_EQ(k->sampleCount, images);
    const std::vector<std::vector<double>> received = readSamples("trajkadmer.txt");
    ASSERT_EQ(received.size(), recorded.size());
    for (size_t i = 0; i < received.size(); i++) {
        ASSERT_EQ(received[i].size(), size_t(SamplePose)) << "line " << i;
        for (int j = 0; j < SamplePose; j++)
            EXPECT_EQ(received[i][j], recorded[i][j]) << "line " << i << ", number " << j;
    }
    ASSERT_TRUE(eventually([this] { return server.state() == QProcess::NotRunning; }));
    EXPECT_EQ(server.exitCode(), 0) << server.readAll().toStdString();

    // back to local mode: the dynamic rover drives on, then the window closes
    k->localAction->trigger();
    ASSERT_EQ(k->mode, ModeLocal);
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    ASSERT_TRUE(runFor(conf, 1.0));
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    for (int i = 0; i < 3; i++)
        EXPECT_TRUE(std::isfinite(conf->pos[i]) && std::isfinite(conf->att[i]));
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
    EXPECT_TRUE(window->close());
}

INSTANTIATE_TEST_SUITE_P(Soils, Session,
                         ::testing::Values(Choice{"SimplifiedSoilParallelogram", 0, false},
                                           Choice{"MacroSoilFourBar", 1, true}),
                         [](const ::testing::TestParamInfo<Choice>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
