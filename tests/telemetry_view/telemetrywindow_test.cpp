// The "Télémétrie" window on the running view: opened from the last entry of
// the context menu, fed by the ticks, frozen by the pause, its exports.
#include "app/support.h"

#include "app/scenario.h"
#include "telemetry_view/telemetrywindow.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QValueAxis>
#include <gtest/gtest.h>

#include "support/eventually.h"

namespace {

class TelemetryView : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(MainWindowTest::SetUp());
        QList<QAction*> actions = k->actions();
        ASSERT_GE(actions.size(), 7);
        // after the six entries the view always had
        EXPECT_EQ(actions[5]->text(), "&Pil. Dynamique");
        EXPECT_EQ(actions[6]->text(), QString::fromUtf8("&Télémétrie"));
        actions[6]->trigger();
        w = k->telemetryWindow;
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    // runs the simulation for about `ms` milliseconds, and on until the
    // window holds more than `samples` samples, then pauses it
    void runFor(int ms, int samples)
    {
        k->playButton->click();
        QTest::qWait(ms);
        EXPECT_TRUE(eventually([this, samples] { return w->sampleCount() > samples; }));
        k->playButton->click();
    }
    QStringList lines(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    TelemetryWindow* w = nullptr;
};

} // namespace

TEST_F(TelemetryView, FollowsTheDynamicRunFreezesOnPauseAndExports)
{
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Télémétrie"));
    EXPECT_TRUE(w->isWindow());
    EXPECT_EQ(w->windowModality(), Qt::NonModal);
    EXPECT_EQ(w->sampleCount(), 0);

    k->switchDynCinSlot();
    k->scenario->vDes = 0.05;
    runFor(1000, 5);
    int n = w->sampleCount();
    EXPECT_GT(n, 5);
    // the redraw after the last tick shows every sample
    EXPECT_TRUE(eventually([this, n] { return w->pointCount(7, 0) == n; }));
    for (int chart = 0; chart < 8; ++chart)
        EXPECT_EQ(w->pointCount(chart, 0), n) << chart;
    EXPECT_EQ(w->pointCount(0, 5), n);
    // paused: nothing moves
    QTest::qWait(300);
    EXPECT_EQ(w->sampleCount(), n);
    EXPECT_EQ(w->pointCount(4, 0), n);

    QTemporaryDir dir;
    script.fileName = dir.filePath("t");  // the export adds ".csv"
    w->csvButton->click();
    QStringList csv = lines(dir.filePath("t.csv"));
    ASSERT_EQ(csv.size(), n + 1);
    EXPECT_TRUE(csv[0].startsWith("t_s,slip_AvantG,sinkage_AvantG_m,Twheel_AvantG_Nm,P_AvantG_W,"));
    EXPECT_TRUE(csv[0].endsWith(",speed_m_s,pitch_deg,roll_deg,tip_margin_deg"));
    EXPECT_EQ(csv[0].count(','), 6 * 4 + 4);
    for (const QString& line : csv)
        EXPECT_EQ(line.count(','), 6 * 4 + 4);
    // an unticked wheel leaves the charts and the export
    w->wheelBoxes[1]->setChecked(false);
    w->csvButton->click();
    csv = lines(dir.filePath("t.csv"));
    EXPECT_FALSE(csv[0].contains("AvantD"));
    EXPECT_EQ(csv[0].count(','), 5 * 4 + 4);

    script.fileName = dir.filePath("t.png");
    w->pngButton->click();
    QImage png(script.fileName);
    EXPECT_FALSE(png.isNull());
    EXPECT_GT(png.width(), 400);

    // a file that cannot be written is said so, and the samples stay
    script.fileName = dir.filePath("missing/t.csv");
    w->csvButton->click();
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].contains(QString::fromUtf8("Impossible d'écrire le fichier")));
    EXPECT_EQ(w->sampleCount(), n);
    // a cancelled file dialog does nothing
    script.fileName.clear();
    w->pngButton->click();
    EXPECT_EQ(script.boxes.size(), 1);
}

TEST_F(TelemetryView, KinematicRunDrawsOnlyWhatItKnowsAndANewModeStartsAfresh)
{
    k->scenario->vDes = 0.05;
    runFor(500, 3);
    int n = w->sampleCount();
    EXPECT_GT(n, 3);
    w->refresh();
    for (int chart = 0; chart < 4; ++chart)
        EXPECT_EQ(w->pointCount(chart, 0), 0) << chart;  // slip .. power need the dynamics
    for (int chart = 4; chart < 8; ++chart)
        EXPECT_EQ(w->pointCount(chart, 0), n) << chart;

    k->switchDynCinSlot();
    EXPECT_EQ(w->sampleCount(), 0);
    EXPECT_EQ(w->pointCount(4, 0), 0);
    // closing the window and opening it again keeps the one window
    w->close();
    k->actions()[6]->trigger();
    EXPECT_EQ(k->telemetryWindow, w);
    EXPECT_TRUE(w->isVisible());
}

// a nearly flat series repeats no tick label on its axis
TEST(TelemetryAxes, NearlyFlatSeriesRepeatNoTickLabel)
{
    for (double wobble : {0.0, 2e-6, 0.01}) {
        TelemetryWindow w;
        Telemetry tel = {};
        for (int i = 0; i < 50; ++i) {
            tel.t = 0.04 * i;
            tel.speed = 12345.678 * (wobble > 0.005) + 0.12 + wobble * (i % 3);
            w.addSample(tel);
        }
        w.refresh();
        auto* y = qobject_cast<QtCharts::QValueAxis*>(
            w.findChildren<QtCharts::QChartView*>()[4]->chart()->axes(Qt::Vertical)[0]);
        QStringList labels;
        for (int i = 0; i < y->tickCount(); ++i)
            labels << QString::asprintf(y->labelFormat().toLatin1().constData(),
                                        y->min() + i * (y->max() - y->min()) / (y->tickCount() - 1));
        EXPECT_EQ(labels.removeDuplicates(), 0) << labels.join(" ").toStdString();
    }
}

// the pictures of the documentation: KADMER_DOCS_DIR=docs runs a longer
// drive on a curve and writes the window there
TEST_F(TelemetryView, DocumentationPicture)
{
    QString dir = qEnvironmentVariable("KADMER_DOCS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "KADMER_DOCS_DIR not set";
    k->switchDynCinSlot();
    k->scenario->vDes = k->scenario->dynRovers[0]->vmax;
    k->scenario->cDes = 0.0;
    k->playButton->click();
    QTest::qWait(8000);
    k->scenario->cDes = 1.0;
    QTest::qWait(8000);
    k->playButton->click();
    EXPECT_TRUE(eventually([this] { return w->pointCount(7, 0) == w->sampleCount(); }));
    EXPECT_TRUE(w->grab().save(dir + "/screenshot-telemetry.png", "PNG"));
}
