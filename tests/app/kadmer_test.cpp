// The main window and the view controller: start state, play/pause, the tick
// in local mode, piloting switch, INIT, help, the error question, closing.
#include "support.h"

#include "app/scenario.h"

#include <QAction>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

#include "support/eventually.h"

namespace {

QString zerosLine(int n)
{
    QString s;
    for (int i = 0; i < n; i++)
        s += "   0.000";
    return s;
}

using KadmerWindow = MainWindowTest;

TEST_F(KadmerWindow, StartsInLocalModePaused)
{
    EXPECT_EQ(window->windowTitle(), "Orlen_Kadmer");
    EXPECT_EQ(QString(k->metaObject()->className()), "Kadmer");
    EXPECT_EQ(k->sizeHint(), QSize(720, 576));
    EXPECT_EQ(k->mode, ModeLocal);
    EXPECT_EQ(k->paused, 1);
    EXPECT_FALSE(k->dynamic);
    EXPECT_EQ(k->playButton->text(), "PLAY");
    EXPECT_EQ(k->recButton->text(), "REC");
    EXPECT_TRUE(k->recButton->isEnabled());
    EXPECT_TRUE(k->playButton->isEnabled());
    EXPECT_TRUE(k->stepButton->isEnabled());
    EXPECT_FALSE(k->initButton->isEnabled());
    EXPECT_FALSE(k->slider->isEnabled());
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
    EXPECT_EQ(k->valuesLabel->text(), zerosLine(16));
    EXPECT_EQ(k->counterLabel->text(), "000000/000000");
    EXPECT_FALSE(k->simTimer->isActive());
    EXPECT_EQ(k->scenario->vDes, 0.0);
    EXPECT_EQ(k->scenario->cDes, 0.0);
}

TEST_F(KadmerWindow, ContextMenuHoldsTheSixActionsInOrderThenTheNewOnes)
{
    QStringList texts;
    for (QAction* a : k->actions())
        texts << a->text();
    ASSERT_GE(texts.size(), 8);
    // the six entries first, then those added after them in their order
    EXPECT_EQ(texts.mid(0, 6), QStringList({"&Help", "&Sauve Image", "&Lecture Fichier",
                                            "&Lecture Reseau", "&Retour Mode Local",
                                            "&Pil. Dynamique"}));
    EXPECT_EQ(texts.mid(6), QStringList({QString::fromUtf8("&Télémétrie"), QString::fromUtf8("Sauver scénario"),
                                         QString::fromUtf8("Plan de marche"),
                                         QString::fromUtf8("Carte de franchissabilité")}));
    EXPECT_FALSE(k->localAction->isEnabled());
    EXPECT_EQ(k->contextMenuPolicy(), Qt::ActionsContextMenu);
}

TEST_F(KadmerWindow, SlotsAreDeclaredInTheirOrder)
{
    const QMetaObject* mo = k->metaObject();
    QStringList names;
    for (int i = mo->methodOffset(); i < mo->methodCount(); i++)
        names << QString(mo->method(i).methodSignature());
    EXPECT_EQ(names, QStringList({"afficheHelpSlot()", "grabImageSlot()", "localSlot()",
                                  "initLectFichSlot()", "initLectNetSlot()", "switchDynCinSlot()",
                                  "oneStepSlot()", "recordSlot()", "clignoRecordSlot()",
                                  "playpauseSlot()", "initButtonSlot()", "lecSampleSlot(int)",
                                  "skSendRequest()", "skReadNewData()",
                                  "skConnectionClosedByServer()", "skError()"}));
}

TEST_F(KadmerWindow, WindowHoldsTheControlsAroundTheView)
{
    EXPECT_EQ(k->parentWidget(), window->centralWidget());
    EXPECT_TRUE(window->centralWidget()->isAncestorOf(k->playButton));
    EXPECT_TRUE(window->centralWidget()->isAncestorOf(k->slider));
    EXPECT_TRUE(window->centralWidget()->isAncestorOf(k->valuesLabel));
    EXPECT_TRUE(window->statusBar()->isAncestorOf(k->statusLabel));
    // the values table sits above the view, the buttons below it
    EXPECT_LT(k->valuesLabel->mapTo(window.get(), QPoint()).y(), k->mapTo(window.get(), QPoint()).y());
    EXPECT_GT(k->playButton->mapTo(window.get(), QPoint()).y(), k->mapTo(window.get(), QPoint()).y());
}

TEST_F(KadmerWindow, PlayAndPauseToggleTheControls)
{
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    EXPECT_EQ(k->paused, 0);
    EXPECT_EQ(k->playButton->text(), "PAUSE");
    EXPECT_FALSE(k->stepButton->isEnabled());
    EXPECT_FALSE(k->initButton->isEnabled());
    EXPECT_FALSE(k->slider->isEnabled());
    EXPECT_TRUE(k->simTimer->isActive());
    EXPECT_EQ(k->simTimer->interval(), 40);
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Play");

    QTest::mouseClick(k->playButton, Qt::LeftButton);
    EXPECT_EQ(k->paused, 1);
    EXPECT_EQ(k->playButton->text(), "PLAY");
    EXPECT_TRUE(k->stepButton->isEnabled());
    EXPECT_TRUE(k->initButton->isEnabled());
    EXPECT_TRUE(k->slider->isEnabled());
    EXPECT_FALSE(k->simTimer->isActive());
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
}

TEST_F(KadmerWindow, RunningAdvancesTheSimulatedTime)
{
    ConfRover* conf = k->scenario->confRovers[0];
    double t0 = conf->temps;
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    EXPECT_TRUE(eventually([&] { return conf->temps > t0 + 0.039; }));
    QTest::mouseClick(k->playButton, Qt::LeftButton);
    EXPECT_GT(conf->temps, t0 + 0.039);
}

TEST_F(KadmerWindow, StepAdvancesKinematicTimeByOnePeriod)
{
    ConfRover* conf = k->scenario->confRovers[0];
    double t0 = conf->temps;
    QTest::mouseClick(k->stepButton, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(conf->temps, t0 + 0.04);
    // local mode with the dynamic rover present: 18 numbers of 8 characters
    EXPECT_EQ(k->valuesLabel->text().size(), 18 * 8);
    EXPECT_EQ(k->valuesLabel->text().left(8), QString::asprintf("%8.3lf", t0 + 0.04));
    QTest::mouseClick(k->stepButton, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(conf->temps, t0 + 0.08);
}

TEST_F(KadmerWindow, PilotingSwitchZeroesTheCommands)
{
    QAction* dyn = actionNamed(k, "&Pil. Dynamique");
    ASSERT_NE(dyn, nullptr);
    k->scenario->vDes = 0.5;
    k->scenario->cDes = 0.2;
    dyn->trigger();
    EXPECT_TRUE(k->dynamic);
    EXPECT_EQ(dyn->text(), "&Pil. Cinematique");
    EXPECT_EQ(k->scenario->vDes, 0.0);
    EXPECT_EQ(k->scenario->cDes, 0.0);
    k->scenario->vDes = 0.3;
    dyn->trigger();
    EXPECT_FALSE(k->dynamic);
    EXPECT_EQ(dyn->text(), "&Pil. Dynamique");
    EXPECT_EQ(k->scenario->vDes, 0.0);
}

TEST_F(KadmerWindow, DynamicStepAdvancesTimeItself)
{
    k->switchDynCinSlot();
    ConfRover* conf = k->scenario->confRovers[0];
    double t0 = conf->temps;
    k->oneStepSlot();
    EXPECT_NEAR(conf->temps, t0 + 0.04, 1e-9);
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
}

TEST_F(KadmerWindow, DynamicRoverOffTheTerrainAsksTheErrorQuestion)
{
    script.reply = QMessageBox::Yes;
    k->switchDynCinSlot();
    DynRover* d = k->scenario->dynRovers[0];
    d->conf.pos[0] = k->scenario->terrain->Xmax + 5.0;
    k->oneStepSlot();
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_EQ(script.boxes[0], "Erreur Simulation !!|Message d'erreur :\nRover hors du "
                               "terrain\n\nVoulez-vous continuer ?");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(KadmerWindow, KinematicRoverOffTheTerrainAsksTheErrorQuestionOnceEachTime)
{
    ConfRover* c = k->scenario->confRovers[0];
    for (double x : {100.0, 100.0, 0.0, -100.0}) {
        c->pos[0] = x;
        k->oneStepSlot();
    }
    const QString off = "Erreur Simulation !!|Message d'erreur :\nRover hors du terrain\n\n"
                        "Voulez-vous continuer ?";
    EXPECT_EQ(script.boxes, QStringList({off, off}));
}

TEST_F(KadmerWindow, InitInLocalModeOnlyResetsTheSlider)
{
    k->playpauseSlot();
    k->playpauseSlot();
    k->slider->setMaximum(10);
    k->slider->setValue(5);
    QTest::mouseClick(k->initButton, Qt::LeftButton);
    EXPECT_EQ(k->slider->value(), 0);
    EXPECT_FALSE(k->initButton->isEnabled());
    EXPECT_EQ(k->mode, ModeLocal);
    EXPECT_EQ(k->paused, 1);
}

TEST_F(KadmerWindow, LocalActionPausesAndDisablesItself)
{
    k->localAction->setEnabled(true);
    k->playpauseSlot();
    k->localAction->trigger();
    EXPECT_FALSE(k->localAction->isEnabled());
    EXPECT_EQ(k->paused, 1);
    EXPECT_EQ(k->statusLabel->text(), "Mode local : en Pause");
}

TEST_F(KadmerWindow, HelpOpensATitledWindowWithTheKeys)
{
    int before = QApplication::topLevelWidgets().size();
    k->afficheHelpSlot();
    k->afficheHelpSlot();
    QLabel* help = nullptr;
    int helps = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == "Aide Kadmer" && w->isVisible()) {
            help = qobject_cast<QLabel*>(w);
            helps++;
        }
    EXPECT_EQ(QApplication::topLevelWidgets().size(), before + 2);
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(helps, 2);
    EXPECT_TRUE(help->text().startsWith("<h5>ACTION DES TOUCHES DU CLAVIER :</h5>"));
    EXPECT_TRUE(help->text().contains("<li>Esc                : retour point de vue initial</li>"));
    EXPECT_TRUE(help->text().contains("<li>d, g               : +/- braquage droite/gauche</li>"));
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == "Aide Kadmer")
            w->close();
}

TEST_F(KadmerWindow, ErrorQuestionAsksAndContinuesOnYes)
{
    script.reply = QMessageBox::Yes;
    k->afficheErreur(nullptr);
    EXPECT_TRUE(script.boxes.isEmpty());
    k->afficheErreur("roue hors sol");
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_EQ(script.boxes[0],
              "Erreur Simulation !!|Message d'erreur :\nroue hors sol\nVoulez-vous continuer ?");
    EXPECT_TRUE(window->isVisible());
}

TEST_F(KadmerWindow, LongErrorMessagesAreShownWhole)
{
    std::string longText(600, 'x');
    longText += "END";
    k->afficheErreur(longText.c_str());
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].contains("xxxEND\nVoulez-vous continuer ?"));
}

TEST_F(KadmerWindow, ASecondQuestionIsNotStackedOnAnOpenOneButAskedAfterIt)
{
    int nested = 0, open = 0;
    script.duringBox = [&] {
        EXPECT_EQ(open++, 0);  // never two at once
        if (nested++ == 0)
            k->afficheErreur("second message");
        open--;
    };
    k->afficheErreur("first message");
    ASSERT_EQ(script.boxes.size(), 2);
    EXPECT_TRUE(script.boxes[1].contains("second message"));
    // once answered, the next message is asked again
    script.duringBox = nullptr;
    k->afficheErreur("third message");
    EXPECT_EQ(script.boxes.size(), 3);
}

TEST_F(KadmerWindow, AnswerNoClosesTheWindow)
{
    script.reply = QMessageBox::No;
    k->afficheErreur("arret");
    QTest::qWait(10);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(KadmerWindow, ClosingLeavesTheRecordingFileComplete)
{
    QTemporaryDir dir;
    QByteArray path = dir.filePath("traj.txt").toLocal8Bit();
    k->recordFile = fopen(path.constData(), "w");
    ASSERT_NE(k->recordFile, nullptr);
    for (int i = 0; i < 50; i++)
        fprintf(k->recordFile, "%lf %lf\n", i * 0.04, 1.0 * i);
    window->close();
    EXPECT_EQ(k->recordFile, nullptr);
    QFile f(QString::fromLocal8Bit(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray all = f.readAll();
    EXPECT_EQ(all.count('\n'), 50);
    EXPECT_TRUE(all.endsWith("\n"));
}

TEST_F(KadmerWindow, ClosingWithNothingOpenJustCloses)
{
    window->close();
    EXPECT_FALSE(window->isVisible());
}

}  // namespace

namespace {

// the window as a user meets it: shown, active, the keys going wherever the
// keyboard focus is
class KadmerUse : public KadmerWindow {
protected:
    void SetUp() override
    {
        KadmerWindow::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void press(int key) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(key)); }
};

TEST_F(KadmerUse, KeysReachTheViewWhateverWasClicked)
{
    ASSERT_EQ(QApplication::focusWidget(), k);
    k->playpauseSlot();
    k->playpauseSlot();  // paused, with the slider and INIT enabled
    QWidget* controls[] = {k->recButton, k->stepButton, k->initButton, k->slider, k->playButton};
    int presses = 0;
    for (QWidget* w : controls) {
        if (w == k->recButton)
            script.reply = QMessageBox::Abort;  // the recording question
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        EXPECT_EQ(QApplication::focusWidget(), k) << w->metaObject()->className();
        press(Qt::Key_PageDown);
        EXPECT_NEAR(k->scenario->distance, 20.0 + 0.2 * ++presses, 1e-12);
    }
    press(Qt::Key_Plus);
    EXPECT_NEAR(k->scenario->vDes, 0.04, 1e-12);
    press(Qt::Key_Escape);
    EXPECT_EQ(k->scenario->distance, 10.0);
    if (!k->paused)
        k->playpauseSlot();
}

TEST_F(KadmerUse, ValuesLineFitsTheDefaultWindowInItsColumns)
{
    // the whole header fits the line's width, in a legible fixed-pitch face
    const QFont f = k->valuesLabel->font();
    EXPECT_TRUE(QFontInfo(f).fixedPitch()) << QFontInfo(f).family().toStdString();
    EXPECT_GE(QFontInfo(f).pixelSize(), 7);
    QLabel* header = nullptr;
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->text().startsWith("   temps"))
            header = l;
    ASSERT_NE(header, nullptr);
    EXPECT_LE(QFontMetricsF(f).horizontalAdvance(header->text()), k->valuesLabel->width());
    EXPECT_GE(k->valuesLabel->width(), k->width() - 2);

    // any value keeps its 8 characters, with a space before it, and reads
    // back close to itself
    ConfRover* c = k->scenario->confRovers[0];
    const double values[] = {1e308, -1e308, 12345.678, -1234.5678, 9999.999, 123456789.0, -0.0004};
    c->temps = values[0];
    for (int i = 0; i < 3; i++)
        c->pos[i] = values[1 + i];
    for (int i = 0; i < 3; i++)
        c->att[i] = values[4 + i] / 57.29577951308232;
    k->afficheEtat(c, k->scenario->dynRovers[0]);
    const QString line = k->valuesLabel->text();
    ASSERT_EQ(line.size(), 18 * 8) << line.toStdString();
    for (int i = 0; i < 7; i++) {
        const QString field = line.mid(8 * i, 8);
        EXPECT_EQ(field[0], ' ') << field.toStdString();
        EXPECT_NEAR(field.toDouble(), values[i], 0.06 * std::fabs(values[i]) + 0.0005)
            << field.toStdString();
    }
    // a wide value gives up decimals before it takes the exponent form; one
    // that leaves room for the space keeps the fixed form
    EXPECT_EQ(line.mid(16, 8), " 12345.7");
    EXPECT_EQ(line.mid(24, 8), " -1234.6");
    EXPECT_EQ(line.mid(48, 8), QString::asprintf("%8.3lf", -0.0004));
}

TEST_F(KadmerUse, SavedImageGetsASuffixAndAFailureIsReported)
{
    QTemporaryDir dir;
    const struct {
        QString given, saved;
    } names[] = {
        {dir.filePath("vue"), dir.filePath("vue.jpg")},
        {dir.filePath("vue.png"), dir.filePath("vue.png")},
        {dir.filePath("vue.v1"), dir.filePath("vue.v1.jpg")},
    };
    for (const auto& n : names) {
        script.fileName = n.given;
        k->grabImageSlot();
        QImage image(n.saved);
        EXPECT_FALSE(image.isNull()) << n.saved.toStdString();
        EXPECT_EQ(image.size(), k->size());
    }
    EXPECT_TRUE(script.boxes.isEmpty()) << script.boxes.join("\n").toStdString();
    script.fileName = dir.filePath("absent/vue.jpg");
    k->grabImageSlot();
    ASSERT_EQ(script.boxes.size(), 1);
    EXPECT_EQ(script.boxes[0], "Sauve Image|L'image n'a pas pu être enregistrée dans :\n"
                                   + dir.filePath("absent/vue.jpg"));
}

TEST_F(KadmerUse, HelpWindowsCloseWithTheMainWindowAndListTheFollowKey)
{
    k->afficheHelpSlot();
    k->afficheHelpSlot();
    QList<QLabel*> helps;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == "Aide Kadmer" && w->isVisible())
            helps << qobject_cast<QLabel*>(w);
    ASSERT_EQ(helps.size(), 2);
    EXPECT_TRUE(helps[0]->text().contains("<li>c                  : camera liee au rover"));
    EXPECT_FALSE(helps[0]->testAttribute(Qt::WA_QuitOnClose));
    // a help window closed by hand does not trouble the main window's close
    helps[1]->close();
    QTest::qWait(10);
    window->close();
    QTest::qWait(10);
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->windowTitle() == "Aide Kadmer" && w->isVisible());
}

TEST_F(KadmerUse, CKeyTogglesTheCameraThatFollowsTheRover)
{
    EXPECT_EQ(k->scenario->follow, 0);
    press(Qt::Key_C);
    EXPECT_EQ(k->scenario->follow, 1);
    press(Qt::Key_C);
    EXPECT_EQ(k->scenario->follow, 0);
}

}  // namespace
