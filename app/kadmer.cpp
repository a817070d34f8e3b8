#include "app/kadmer.h"

#include "app/franchissabilite.h"
#include "app/modal.h"
#include "app/scenario.h"
#include "dessin.h"
#include "render/cartelist.h"
#include "render/scene.h"
#include "rover/piloting.h"
#include "rover/telemetry.h"
#include "telemetry_view/telemetrywindow.h"
#include "scenario/scenariofile.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <vector>

// radians to degrees, as the values line shows angles
static const double RadToDeg = 57.29577951308232;

// the values line's field: 8 characters, "%8.3lf" while the number leaves
// room for a space before it; a wider number takes fewer decimals, then the
// exponent form, so that every field keeps its column and its separator
static void addValueField(QString& line, double v)
{
    QString f = QString::asprintf("%.3lf", v);
    for (int d = 2; f.size() > 7 && d >= 0; d--)
        f = QString::asprintf("%.*lf", d, v);
    for (int d = 2; f.size() > 7 && d >= 0; d--)
        f = QString::asprintf("%.*e", d, v);
    line += f.rightJustified(8);
}

Kadmer::Kadmer(QWidget* parent)
    : QGLWidget(parent)
#ifdef KADMER_JOYSTICK
      ,
      joystick(this)
#endif
{
#ifdef KADMER_JOYSTICK
    if (joystick.deviceCount >= 1)
        joystick.openJoystick(0);
#endif
    scenario = nullptr;
    plan = nullptr;
    questionOpen = false;
    readingEnded = false;
    sampleIndex = 0;
    sampleCount = 0;
    blockSize = 0;
    std::memset(sampleOffsets, 0, sizeof sampleOffsets);
    lineBuffer[0] = '\0';

    playFile = nullptr;
    connect(&socket, SIGNAL(connected()), this, SLOT(skSendRequest()));
    connect(&socket, SIGNAL(disconnected()), this, SLOT(skConnectionClosedByServer()));
    connect(&socket, SIGNAL(readyRead()), this, SLOT(skReadNewData()));
    connect(&socket, SIGNAL(error(QAbstractSocket::SocketError)), this, SLOT(skError()));

    QAction* help = new QAction(tr("&Help"), this);
    connect(help, SIGNAL(triggered()), this, SLOT(afficheHelpSlot()));
    addAction(help);
    QAction* grab = new QAction(tr("&Sauve Image"), this);
    connect(grab, SIGNAL(triggered()), this, SLOT(grabImageSlot()));
    addAction(grab);
    fileAction = new QAction(tr("&Lecture Fichier"), this);
    connect(fileAction, SIGNAL(triggered()), this, SLOT(initLectFichSlot()));
    addAction(fileAction);
    netAction = new QAction(tr("&Lecture Reseau"), this);
    connect(netAction, SIGNAL(triggered()), this, SLOT(initLectNetSlot()));
    addAction(netAction);
    localAction = new QAction(tr("&Retour Mode Local"), this);
    connect(localAction, SIGNAL(triggered()), this, SLOT(localSlot()));
    addAction(localAction);
    dynCinAction = new QAction(tr("&Pil. Dynamique"), this);
    connect(dynCinAction, SIGNAL(triggered()), this, SLOT(switchDynCinSlot()));
    addAction(dynCinAction);
    telemetryAction = new QAction(QString::fromUtf8("&Télémétrie"), this);
    connect(telemetryAction, &QAction::triggered, this, [this] { openTelemetry(); });
    addAction(telemetryAction);
    telemetry = new Telemetry();
    telemetryWindow = nullptr;
    localAction->setEnabled(false);
    dynamic = false;
    setContextMenuPolicy(Qt::ActionsContextMenu);

    tableLayout = new QVBoxLayout;
    // the columns only line up in a fixed-pitch face; where "Courier" is
    // missing the type-writer hint picks the desktop's own fixed-pitch face
    QFont font("Courier", 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    QLabel* header = new QLabel(tr("   temps      X       Y       Z     site   gite   azimut    angG    angD    angR  omegAG  omegAD  omegMG  omegMD  omegRG  omegRD    vDes    cDes"));
    header->setFont(font);
    QString zeros;
    for (int i = 0; i < 16; i++)
        zeros += QString::asprintf("%8.3lf", 0.0);
    valuesLabel = new QLabel(zeros);
    valuesLabel->setFont(font);
    header->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    valuesLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    tableLayout->addWidget(header);
    tableLayout->addWidget(valuesLabel);
    headerLabel = header;

    counterLabel = new QLabel(tr("000000/000000"));
    counterLabel->setMinimumSize(counterLabel->sizeHint());

    slider = new QSlider(Qt::Horizontal);
    recButton = new QPushButton("REC");
    blinkOn = false;
    playButton = new QPushButton("PLAY");
    stepButton = new QPushButton("STEP");
    initButton = new QPushButton("INIT");
    recButton->setEnabled(true);
    playButton->setEnabled(true);
    stepButton->setEnabled(true);
    initButton->setEnabled(false);
    slider->setEnabled(false);
    // the keys drive the view whatever was clicked last: the controls are
    // used with the mouse and never take the keyboard from it
    for (QWidget* w : {static_cast<QWidget*>(recButton), static_cast<QWidget*>(playButton),
                       static_cast<QWidget*>(stepButton), static_cast<QWidget*>(initButton),
                       static_cast<QWidget*>(slider)})
        w->setFocusPolicy(Qt::NoFocus);

    recordFile = nullptr;
    imageName = 0;
    imageCount = 0;
    recordCount = 0;
    recordMode = RecordNone;
    connect(recButton, SIGNAL(clicked()), this, SLOT(recordSlot()));
    connect(playButton, SIGNAL(clicked()), this, SLOT(playpauseSlot()));
    connect(initButton, SIGNAL(clicked()), this, SLOT(initButtonSlot()));
    connect(stepButton, SIGNAL(clicked()), this, SLOT(oneStepSlot()));

    blinkTimer = new QTimer(this);
    connect(blinkTimer, SIGNAL(timeout()), this, SLOT(clignoRecordSlot()));
    blinkTimer->stop();

    modeLocalPlayText = tr("Mode local : en Play");
    modeLocalPauseText = tr("Mode local : en Pause");
    modeVisuText = tr("Mode visualisation fichier");
    mode = ModeLocal;
    paused = 1;
    statusLabel = new QLabel(modeLocalPauseText);

    setFormat(QGLFormat(QGL::DoubleBuffer | QGL::DepthBuffer | QGL::Rgba));

    setFocusPolicy(Qt::StrongFocus);
    setFocus(Qt::OtherFocusReason);

    scenario = newScenario(this);
    if (!scenario) {
        modal::critical(nullptr, QString::fromUtf8("Arrêt simultation"),
                        tr("Echec creation de la scene"), QMessageBox::Ok);
        exit(1);
    }

    simTimer = new QTimer(this);
    connect(simTimer, SIGNAL(timeout()), this, SLOT(oneStepSlot()));
    simTimer->stop();

    // added once everything else is built, so that it comes after the
    // entries the view's set-up made
    QAction* saveScenario = new QAction(QString::fromUtf8("Sauver scénario"), this);
    connect(saveScenario, &QAction::triggered, this, [this] { sauveScenario(); });
    addAction(saveScenario);
    // the plan's entry comes after it
    planAction = new QAction(QString::fromUtf8("Plan de marche"), this);
    connect(planAction, &QAction::triggered, this, [this] { chargePlan(); });
    addAction(planAction);

    // and the traversability map's after every entry already there
    carteAction = new QAction(QString::fromUtf8("Carte de franchissabilité"), this);
    connect(carteAction, &QAction::triggered, this, [this] { basculeCarte(); });
    addAction(carteAction);
    carteLabel = new QLabel;
    franchissabilite = new Franchissabilite(this);
    connect(franchissabilite, &Franchissabilite::finie, this, [this](bool ok) { carteFinie(ok); });
}

void Kadmer::basculeCarte()
{
    if (franchissabilite->enCours())
        return;
    if (scenario->carteList) {
        makeCurrent();
        glDeleteLists((GLuint)scenario->carteList, 1);
        scenario->carteList = 0;
        carteLabel->clear();
        update();
        return;
    }
    if (!franchissabilite->lance(scenario->terrain, scenario->dynRovers[0])) {
        carteLabel->setText(QString::fromUtf8("Carte de franchissabilité : pas de terrain à cartographier"));
        return;
    }
    carteLabel->setText(QString::fromUtf8("Carte de franchissabilité : calcul en cours"));
}

void Kadmer::carteFinie(bool ok)
{
    if (!ok) {
        const std::string& m = franchissabilite->message();
        carteLabel->setText(QString::fromUtf8("Carte de franchissabilité : ") +
                            (m.empty() ? QString::fromUtf8("calcul annulé") : QString::fromStdString(m)));
        return;
    }
    if (!scenario->terrain || scenario->terrain->h != franchissabilite->terrain()) {
        carteLabel->setText(QString::fromUtf8("Carte de franchissabilité : terrain changé pendant le calcul"));
        return;
    }
    const Carte& c = franchissabilite->carte();
    std::vector<unsigned> couleurs((size_t)c.g.nx * c.g.ny);
    for (size_t k = 0; k < couleurs.size(); ++k) {
        const unsigned a = couleur_cellule(c.v[(size_t)CoucheCapsSurs * couleurs.size() + k], 8);
        couleurs[k] = a >> 24 ? (a & 0x00ffffffu) | 0xa0000000u : 0u;
    }
    makeCurrent();
    scenario->carteList = listeCarte(scenario->terrain, c.g.nx, c.g.ny, c.g.x0, c.g.y0, c.g.pas, couleurs.data());
    carteLabel->setText(QString::fromUtf8("Carte de franchissabilité : vert, sûr à tout cap ; jaune, à certains caps ;"
                                          " rouge, à aucun"));
    update();
}

void Kadmer::sauveScenario()
{
    const QString titre = QString::fromUtf8("Sauver scénario");
    QString nom = modal::getSaveFileName(this, titre, QString(),
                                         QString::fromUtf8("Scénarios (*.json)"));
    if (nom.isEmpty())
        return;
    ScenarioFile s = scenarioDuModele(scenario->dynRovers[0], scenario->periodMs,
                                      scenario->terrain,
                                      scenario->zones ? nullptr : scenario->soil,
                                      scenario->zones, dynamic, scenario->vDes, scenario->cDes);
    // a raster's terrain is named by the file and window it was read from,
    // with the bumps and height factor applied on it
    const SourceRaster& raster = scenario->raster;
    if (raster.chemin && QFileInfo(QFile::decodeName(raster.chemin)).isFile()) {
        s.raster = raster.chemin;
        s.aFenetre = true;
        std::copy(raster.fenetre, raster.fenetre + 3, s.fenetre);
        s.pas = raster.pas;
        s.aBosses = true;
    }
    // a terrain the scenario cannot name (a raster moved away since) is
    // written as the generated one of its parameters, and the user is told so
    QString manque;
    if (scenario->terrain->fichier && s.terrainFichier.empty())
        manque = QString::fromUtf8("le fichier MNT n'a pas été retrouvé : le scénario "
                                   "utilisera le terrain généré.\n");
    else if (!scenario->terrain->fichier && s.raster.empty() && !terrainGenere(scenario->terrain))
        manque = QString::fromUtf8("le terrain importé (MNT raster) n'est pas décrit : le "
                                   "scénario utilisera le terrain généré ; donnez-lui "
                                   "terrain.raster.\n");
    std::string m = ecritScenario(s, nom.toLocal8Bit().toStdString());
    if (!m.empty()) {
        modal::critical(this, titre, nom + " : " + QString::fromLocal8Bit(m.c_str()));
        return;
    }
    if (!manque.isEmpty())
        modal::warning(this, titre, manque + nom);
}

Kadmer::~Kadmer()
{
    // the scenario lives exactly as long as the view that draws it; the plan
    // drawn on it with it
    liberePlan();
    libereScenario(scenario);
    delete telemetry;
}

QSize Kadmer::sizeHint() const { return QSize(720, 576); }

void Kadmer::oneStepSlot()
{
    if (mode == ModeVisuFichier) {
        // the end of the data pauses a running playback; STEP at the end of
        // a paused one must not start it
        if (sampleIndex == sampleCount) {
            if (!paused)
                playpauseSlot();
            sampleIndex = 0;
            return;
        }
        const int m = sampleIndex;
        int n = lecSampleSlot(m);
        if (n == 7 || n == 28) {
            // the sample is shown: moving the slider to it must not show it
            // again where it is connected (paused playback)
            if (paused) {
                disconnect(slider, SIGNAL(valueChanged(int)), this, SLOT(lecSampleSlot(int)));
                slider->setValue(m);
                connect(slider, SIGNAL(valueChanged(int)), this, SLOT(lecSampleSlot(int)),
                        Qt::UniqueConnection);
            } else {
                slider->setValue(m);
            }
            return;
        }
        if (sampleIndex != 0) {
            if (!paused)
                playpauseSlot();
            sampleIndex = 0;
        } else {
            // the file changed under the playback: what runs now is the
            // local simulation, and the status says so
            mode = ModeLocal;
            localAction->setEnabled(false);
            showLocalStatus();
            showLocalCounter();
        }
        return;
    }

#ifdef KADMER_JOYSTICK
    int axis0, axis1;
    if (joystick.readAxes(&axis0, &axis1)) {
        const DynRover* d = scenario->dynRovers[0];
        double vmax = d ? d->vmax : 1.0;
        double cmax = d ? d->cmax : 3.0;
        joystickCommands(axis0, axis1, vmax, cmax, dynamic, &scenario->vDes, &scenario->cDes);
    }
#endif

    // the plan gives the tick's commands (over the joystick's: it drives)
    const bool planConduit = planAvantPas();
    const char* messagePlan = nullptr;
    double dt = 0.001 * scenario->periodMs;
    for (int i = 0; i < scenario->nbRovers; i++) {
        const char* message;
        if (dynamic && scenario->dynRovers[i])
            message = dyn_step(scenario->dynRovers[i], scenario->terrain, scenario->cDes,
                               scenario->vDes, dt);
        else
            message = kin_step(scenario->confRovers[i], scenario->terrain, scenario->cDes,
                               scenario->vDes, dt);
        // while the plan drives, the step's message stops it as a limit does
        if (planConduit && i == 0)
            messagePlan = message;
        else
            afficheErreur(message);
    }
    if (scenario->nbRovers == 0)
        return;
    if (!dynamic)
        scenario->confRovers[0]->temps += dt;
    if (scenario->dynRovers[0]) {
        telemetry_tick(telemetry, scenario->dynRovers[0], scenario->terrain, dynamic);
        if (telemetryWindow)
            telemetryWindow->addSample(*telemetry);
    }
    if (planConduit)
        planApresPas(messagePlan);
    updateGL();
    afficheEtat(scenario->confRovers[0], scenario->dynRovers[0]);
}

void Kadmer::playpauseSlot()
{
    if (paused && mode == ModeLocal && plan)
        reprendPlan();
    if (paused) {
        disconnect(slider, SIGNAL(valueChanged(int)), this, SLOT(lecSampleSlot(int)));
        slider->setEnabled(false);
        paused = 0;
        playButton->setText("PAUSE");
        stepButton->setEnabled(false);
        initButton->setEnabled(false);
        simTimer->start(scenario->periodMs);
        if (mode == ModeLocal)
            showLocalStatus();
    } else {
        simTimer->stop();
        paused = 1;
        playButton->setText("PLAY");
        slider->setEnabled(true);
        stepButton->setEnabled(true);
        initButton->setEnabled(true);
        if (mode == ModeVisuFichier)
            connect(slider, SIGNAL(valueChanged(int)), this, SLOT(lecSampleSlot(int)),
                    Qt::UniqueConnection);
        if (mode == ModeLocal)
            showLocalStatus();
    }
}

void Kadmer::localSlot()
{
    localAction->setEnabled(false);
    mode = ModeLocal;
    if (!paused)
        playpauseSlot();
    showLocalStatus();
    showLocalCounter();
}

void Kadmer::showLocalStatus()
{
    const QString p = textePlan();
    statusLabel->setText(!p.isEmpty() ? p : paused ? modeLocalPauseText : modeLocalPlayText);
}

void Kadmer::showLocalCounter()
{
    // the slider seeks a file's samples only in playback
    disconnect(slider, SIGNAL(valueChanged(int)), this, SLOT(lecSampleSlot(int)));
    slider->setRange(0, 0);
    counterLabel->setText(QString::asprintf("%06d/%06d", recordCount, recordCount));
}

void Kadmer::switchDynCinSlot()
{
    // the commands are zeroed: a plan driving leaves them to the driver
    suspendPlan();
    scenario->vDes = 0.0;
    scenario->cDes = 0.0;
    dynamic = !dynamic;
    if (dynamic) {
        if (scenario->nbRovers > 0 && scenario->dynRovers[0])
            dyn_reset(scenario->dynRovers[0]);
        dynCinAction->setText(tr("&Pil. Cinematique"));
    } else {
        dynCinAction->setText(tr("&Pil. Dynamique"));
        // the kinematic run says again where the rover stands
        if (scenario->nbRovers > 0)
            scenario->confRovers[0]->situationSignalee = 0;
    }
    // a new piloting mode is a new run for the telemetry
    if (scenario->dynRovers[0])
        telemetry_reset(telemetry, scenario->dynRovers[0]);
    if (telemetryWindow)
        telemetryWindow->clear();
}

void Kadmer::openTelemetry()
{
    if (!telemetryWindow)
        telemetryWindow = new TelemetryWindow(this);
    telemetryWindow->show();
    telemetryWindow->raise();
    telemetryWindow->activateWindow();
}

void Kadmer::initButtonSlot()
{
    slider->setValue(0);
    initButton->setEnabled(false);
}

void Kadmer::afficheHelpSlot()
{
    QLabel* help = new QLabel(tr(
        "<h5>ACTION DES TOUCHES DU CLAVIER :</h5><ul><li>p(minus) pour projection "
        "orthogonale</li><li>P(majus) pour perspective</li></ul><h5>Mouvements maquette hors "
        "sol :</h5><ul><li>z, Z               : +/- Translation en z</li><li>r, R               "
        ": +/- Rotation en roulis(x)</li><li>t, T               : +/- Rotation en "
        "tangage(y)</li><li>1,2,3,4,5,6        : selection chaine</li><li>F1,F2,F3,F4        : "
        "selection axe : +/- avec shift</li></ul><h5>Mouvements maquette placee "
        "sol :</h5><ul><li>0,o,O          : Retour origine</li><li>x, X               : +/- "
        "Translation en x</li><li>y, Y               : +/- Translation en y</li><li>l, L       "
        "        : +/- Rotation en lacet (z)</li><li>+, -               : +/- vitesse "
        "avance</li><li>S, s               : stop</li><li>d, g               : +/- braquage "
        "droite/gauche</li></ul><h5>Mouvements observateur :</h5><ul><li>PageUp/Down    : +/- "
        "eloignement</li><li>Right/Left         : deplacement en azimut</li><li>Up/Down        "
        "    : deplacement en site</li><li>ShiftRight/Left    : deplacement "
        "droite/gauche</li><li>ShiftUp/Down       : deplacement haut/bas</li><li>Esc          "
        "      : retour point de vue initial</li><li>c                  : camera liee au rover "
        "(marche/arret)</li></ul>"));
    // a help window closed by the user is not needed any more; it does not
    // keep the program running once the main window is closed
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->setAttribute(Qt::WA_QuitOnClose, false);
    helpWindows.append(help);
    help->setWindowTitle("Aide Kadmer");
    help->show();
}

void Kadmer::fermeAides()
{
    for (const QPointer<QWidget>& w : helpWindows)
        if (w)
            w->close();
    helpWindows.clear();
}

void Kadmer::grabImageSlot()
{
    QImage image = grabFrameBuffer(false);
    QString name = modal::getSaveFileName(this, tr("Sauve Image"), QString(),
                                          tr("Fichier image (*.jpg)"));
    if (name.isEmpty())
        return;
    // the format comes from the suffix: a name without one Qt can write
    // becomes a JPEG, as the filter offers
    const QByteArray suffix = QFileInfo(name).suffix().toLower().toLatin1();
    if (suffix.isEmpty() || !QImageWriter::supportedImageFormats().contains(suffix))
        name += ".jpg";
    if (!image.save(name))
        modal::warning(this, tr("Sauve Image"),
                       tr("L'image n'a pas pu être enregistrée dans :\n%1").arg(name));
}

void Kadmer::afficheErreur(const char* message)
{
    if (!message)
        return;
    // ticks go on while the question is open; stacking a second question on
    // the first would nest modal loops without bound, and dropping it would
    // lose it for good (the model says each end of a drive once): it is
    // asked when the open question has been answered
    const QString texte = QString::fromLocal8Bit(message);
    if (questionOpen) {
        if (!messagesEnAttente.contains(texte))
            messagesEnAttente << texte;
        return;
    }
    messagesEnAttente << texte;
    while (!messagesEnAttente.isEmpty()) {
        const QString m = messagesEnAttente.takeFirst();
        QString text = tr(QString::asprintf("Message d'erreur :\n%s\nVoulez-vous continuer ?",
                                            m.toLocal8Bit().constData())
                              .toUtf8()
                              .constData());
        questionOpen = true;
        QMessageBox::StandardButton answer = modal::question(
            this, "Erreur Simulation !!", text, QMessageBox::Yes | QMessageBox::No);
        questionOpen = false;
        if (answer != QMessageBox::Yes) {
            messagesEnAttente.clear();
            QApplication::closeAllWindows();
            return;
        }
    }
}

void Kadmer::afficheEtat(ConfRover* conf, DynRover* dyn)
{
    QString line;
    line.reserve(8 * 18);
    auto add = [&line](double v) { addValueField(line, v); };
    add(conf->temps);
    for (int i = 0; i < 3; i++)
        add(conf->pos[i]);
    for (int i = 0; i < 3; i++)
        add(conf->att[i] * RadToDeg);
    for (int i = 0; i < 3; i++)
        add(conf->q[i] * RadToDeg);
    if (dyn) {
        for (int i = 0; i < 6; i++)
            add(dyn->qd[3 + i] * 100.0 * conf->rayonRoue);
        if (mode == ModeLocal) {
            add(scenario->vDes);
            add(scenario->cDes);
        }
    }
    valuesLabel->setText(line);
    recordState(conf, dyn);
}

void Kadmer::showEvent(QShowEvent* event)
{
    if (mode == ModeVisuFichier && paused == 0)
        simTimer->start(scenario->periodMs);
    QGLWidget::showEvent(event);
}

void Kadmer::hideEvent(QHideEvent* event)
{
    if (mode == ModeVisuFichier && paused == 0)
        simTimer->stop();
    QGLWidget::hideEvent(event);
}

void Kadmer::resizeEvent(QResizeEvent* event)
{
    fitTableFont();
    QGLWidget::resizeEvent(event);
}

void Kadmer::fitTableFont()
{
    // the table spans the view's column; its font shrinks, a pixel at a
    // time, until the header fits, but not below a legible 7 pixels
    QFont font = headerLabel->font();
    font.setPointSize(8);
    const int available = width();
    int pixels = QFontInfo(font).pixelSize();
    while (pixels > 7 && QFontMetricsF(font).horizontalAdvance(headerLabel->text()) > available) {
        pixels--;
        font.setPixelSize(pixels);
    }
    headerLabel->setFont(font);
    valuesLabel->setFont(font);
}

void Kadmer::initializeGL()
{
    creeListes(scenario);
    glClearColor(0.85f, 0.95f, 0.95f, 1.0f);
}

void Kadmer::resizeGL(int width, int height) { tailleVue(scenario, width, height); }

void Kadmer::paintGL() { afficheScene(scenario); }

void Kadmer::setModeLecture(int newMode, bool endPaused)
{
    fileAction->setText(tr("&Lecture Fichier"));
    netAction->setText(tr("&Lecture Reseau"));
    fileAction->setEnabled(true);
    netAction->setEnabled(true);
    // going back to local mode is offered only outside it
    localAction->setEnabled(newMode != ModeLocal);
    // a playback moves the rover: a plan driving pauses
    if (newMode != ModeLocal)
        suspendPlan();
    mode = newMode;
    if (mode == ModeLocal)
        showLocalCounter();
    if (mode == ModeVisuFichier) {
        statusLabel->setText(modeVisuText);
        if (playFile)
            rewind(playFile);
        sampleIndex = 0;
        slider->setMaximum(sampleCount - 1);
        slider->setValue(0);
    }
    paused = endPaused ? 0 : 1;
    playpauseSlot();
}
