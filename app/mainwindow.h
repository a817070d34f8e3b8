// The program's one window: the values table, the 3-D view and the button
// row of the Kadmer widget, and its status text in the status bar.
#ifndef KADMER_APP_MAINWINDOW_H
#define KADMER_APP_MAINWINDOW_H

#include <QMainWindow>

class Kadmer;

class MainWindow : public QMainWindow {
public:
    MainWindow();

    // the view, null when the system has no OpenGL
    Kadmer* kadmer;

protected:
    void closeEvent(QCloseEvent* event) override;
};

#endif
