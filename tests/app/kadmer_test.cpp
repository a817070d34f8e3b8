// The main window and the view controller: start state, play/pause, the tick
// in local mode, piloting switch, INIT, help, the error question, closing.
#include "support.h"

#include "app/scenario.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QString zerosLine(int n)
{
    QString s;
    for (int i = 0; i < n; i++)
        s += "   0.000";
    return s;
}

QAction* actionNamed(Kadmer* k, const QString& text)
{
    for (QAction* a : k->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

class KadmerWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = openMainWindow();
        k = window->kadmer;
        ASSERT_NE(k, nullptr);
    }
    ModalScript script;
    std::unique_ptr<MainWindow> window;
    Kadmer* k = nullptr;
};

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

TEST_F(KadmerWindow, ContextMenuHoldsTheSixActionsInOrder)
{
    QStringList texts;
    for (QAction* a : k->actions())
        texts << a->text();
    EXPECT_EQ(texts, QStringList({"&Help", "&Sauve Image", "&Lecture Fichier", "&Lecture Reseau",
                                  "&Retour Mode Local", "&Pil. Dynamique"}));
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
    QTest::qWait(300);
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

TEST_F(KadmerWindow, ASecondQuestionIsNotStackedOnAnOpenOne)
{
    int nested = 0;
    script.duringBox = [&] {
        if (nested++ == 0)
            k->afficheErreur("second message");
    };
    k->afficheErreur("first message");
    EXPECT_EQ(script.boxes.size(), 1);
    EXPECT_TRUE(script.boxes[0].contains("first message"));
    // once answered, the next message is asked again
    script.duringBox = nullptr;
    k->afficheErreur("third message");
    EXPECT_EQ(script.boxes.size(), 2);
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
