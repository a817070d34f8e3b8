#include "app/mainwindow.h"

#include "app/kadmer.h"
#include "app/scenario.h"

#include <QCloseEvent>
#include <QGLFormat>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

MainWindow::MainWindow() : kadmer(nullptr)
{
    setWindowTitle(tr("Orlen_Kadmer"));
    if (!QGLFormat::hasOpenGL()) {
        setCentralWidget(new QLabel(tr(" This system has no OpenGL support !! ")));
        return;
    }
    QWidget* central = new QWidget(this);
    setCentralWidget(central);
    QVBoxLayout* column = new QVBoxLayout(central);

    kadmer = new Kadmer(this);

    column->addLayout(kadmer->tableLayout);
    column->addWidget(kadmer, 0);
    QHBoxLayout* buttons = new QHBoxLayout;
    column->addLayout(buttons);

    buttons->addWidget(kadmer->recButton);
    buttons->addWidget(kadmer->playButton);
    buttons->addWidget(kadmer->stepButton);
    buttons->addWidget(kadmer->initButton);
    buttons->addWidget(kadmer->counterLabel);
    buttons->addWidget(kadmer->slider);

    statusBar()->addWidget(kadmer->statusLabel, 0);
    statusBar()->addPermanentWidget(kadmer->carteLabel, 0);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (kadmer) {
        Scenario* s = kadmer->scenario;
        if (s && s->nbRovers > 0 && s->dynRovers[0] && s->dynRovers[0]->fresults) {
            fclose(s->dynRovers[0]->fresults);
            s->dynRovers[0]->fresults = nullptr;
        }
        if (kadmer->recordFile) {
            fclose(kadmer->recordFile);
            kadmer->recordFile = nullptr;
        }
        kadmer->fermeAides();
    }
    event->accept();
}
