// The 3-D view of the simulator, and the controller that owns every control,
// the modes and the simulation tick.
#ifndef KADMER_APP_KADMER_H
#define KADMER_APP_KADMER_H

#include <QGLWidget>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <cstdio>

#ifdef KADMER_JOYSTICK
#include "app/joystick.h"
#endif

class Franchissabilite;
class QAction;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;
class QVBoxLayout;
struct Scenario;
struct ConfRover;
struct DynRover;
struct Telemetry;
class TelemetryWindow;
struct PlanFenetre;

enum KadmerMode { ModeLocal = 0, ModeLectFichier = 1, ModeLectReseau = 2, ModeVisuFichier = 3 };
enum RecordMode { RecordNone = 0, RecordTrajectory = 1, RecordImages = 2, RecordBoth = 3 };
enum { MaxSamples = 20000 };

class Kadmer : public QGLWidget {
    Q_OBJECT

public:
    explicit Kadmer(QWidget* parent);
    ~Kadmer() override;

    QSize sizeHint() const override;

    // the simulation question after a step reported a problem; null: nothing
    void afficheErreur(const char* message);
    // refreshes the values line, then writes the recording when active
    void afficheEtat(ConfRover* conf, DynRover* dyn);
    // enters a playback mode, paused when endPaused is true, running otherwise
    void setModeLecture(int newMode, bool endPaused);
    // prepares a reading: 1 from a file, 2 from the network
    int initLect(int source);
    // the common end of a network reading, with its status text
    void finLectReseau(const QString& status);
    // closes the help windows still open (the main window is closing)
    void fermeAides();

public slots:
    void afficheHelpSlot();
    void grabImageSlot();
    void localSlot();
    void initLectFichSlot();
    void initLectNetSlot();
    void switchDynCinSlot();
    void oneStepSlot();
    void recordSlot();
    void clignoRecordSlot();
    void playpauseSlot();
    void initButtonSlot();
    int lecSampleSlot(int m);
    void skSendRequest();
    void skReadNewData();
    void skConnectionClosedByServer();
    void skError();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

public:
    Scenario* scenario;
    QSlider* slider;
    QLabel* counterLabel;
    QLabel* valuesLabel;
    QPushButton* recButton;
    QPushButton* playButton;
    QPushButton* initButton;
    QPushButton* stepButton;
    QLabel* statusLabel;
    QString modeLocalPlayText;
    QString modeLocalPauseText;
    QString modeVisuText;
    QVBoxLayout* tableLayout;
    FILE* recordFile;
    QTimer* simTimer;
    QTimer* blinkTimer;
    QAction* fileAction;
    QAction* netAction;
    QAction* localAction;
    QAction* dynCinAction;
    int mode;
    int paused;
    int recordMode;
    bool dynamic;
    bool blinkOn;
    // image directory followed by the current image name, sized to fit
    QByteArray imageDir;
    // offset in imageDir where "/img%05d.jpg" is written
    int imageName;
    int imageCount;
    // states written by the recording under way, or the last one
    int recordCount;
#ifdef KADMER_JOYSTICK
    Joystick joystick;
#endif
    FILE* playFile;
    int sampleIndex;
    int sampleCount;
    long long sampleOffsets[MaxSamples];
    char lineBuffer[1024];
    QTcpSocket socket;
    qint16 blockSize;

private:
    // writes the scenario of the run, as set in the dialogs and with the
    // current pose and commands, to a file the user chooses
    void sauveScenario();
    // the recording half of afficheEtat
    void recordState(ConfRover* conf, DynRover* dyn);
    // fills sampleOffsets with the line starts of playFile
    void indexPlayFile();
    // the data ends before sample m: the count and the slider follow
    void cutSamples(int m);
    // enters network reading and connects to the trajectory server
    void startNetworkReading();
    // the trajectory file just indexed cannot be played: says so and goes
    // back to local mode, paused; returns false then
    bool firstSampleReadable(const QString& name);
    // the status text of local mode, running or paused
    void showLocalStatus();
    // the counter and the slider of local mode: the states recorded, and no
    // sample of a file to seek
    void showLocalCounter();
    // the values table's font, as large as 8 points allow within the width
    void fitTableFont();
    // the header above the values line
    QLabel* headerLabel;
    // help windows opened and not yet closed
    QList<QPointer<QWidget>> helpWindows;
    // a question of afficheErreur is open: further messages are not stacked
    bool questionOpen;
    // messages come while the question was open, asked once it is answered
    QStringList messagesEnAttente;
    // a network reading has ended and not restarted: a nested end does nothing
    bool readingEnded;

public:
    // the telemetry of the local run, recorded every tick; reset with the
    // piloting mode
    Telemetry* telemetry;
    // shows the "Télémétrie" window, created on first use
    void openTelemetry();
    // the "Télémétrie" window, null until first opened
    TelemetryWindow* telemetryWindow;
    QAction* telemetryAction;

    // ---- the drive plan (planwin.cpp) ----
    // the plan loaded by "Plan de marche", null until one is
    PlanFenetre* plan;
    QAction* planAction;
    // asks for a scenario file and loads its plan, drawn on the terrain
    void chargePlan();
    // the status line's words for the plan; empty without one, or once it
    // has ended and the run goes on
    QString textePlan() const;
    // the driver takes the controls back: a plan driving pauses
    void suspendPlan();

    // "Carte de franchissabilité": computes the map of the terrain and drapes
    // it, or takes it off when it is shown
    void basculeCarte();
    QAction* carteAction;
    QLabel* carteLabel;  // the map's legend, in the status line
    Franchissabilite* franchissabilite;

private:
    void carteFinie(bool ok);
    // before a tick, sets the plan's commands; false when it does not drive
    bool planAvantPas();
    // after that tick: the step's message or the limits may stop the plan
    void planApresPas(const char* message);
    // the plan has ended, stopped when arret is not null: the run pauses
    void finPlan(const char* arret);
    // PLAY after a pause of the driver's: the plan drives again
    void reprendPlan();
    void liberePlan();
};

#endif
