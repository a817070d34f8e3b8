// Shared set-up of the shell tests: a main window on the default scenario,
// with every configuration dialog cancelled and every message box answered.
#ifndef KADMER_TESTS_APP_SUPPORT_H
#define KADMER_TESTS_APP_SUPPORT_H

#include "app/kadmer.h"
#include "app/mainwindow.h"
#include "app/modal.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

// answers every modal interaction with a scripted reply and keeps a log
struct ModalScript {
    ModalScript();
    ~ModalScript();

    // titles and texts of the message boxes shown, in order
    QStringList boxes;
    // reply to message boxes
    QMessageBox::StandardButton reply = QMessageBox::Yes;
    // called while a message box is open (a nested event, for instance)
    std::function<void()> duringBox;
    // reply to file and directory dialogs
    QString fileName;
    QString directory;
    // result of dialogs run through modal::exec
    int dialogResult = 0;
    // when set, runs the dialogs instead (and may fill them in)
    std::function<int(QDialog*)> exec;
};

// a ModalScript::exec for the start-up: the terrain dialog takes its terrain
// from the file (ModalScript::fileName) and is accepted; the other dialogs
// are cancelled (their defaults)
int accepteMntFichier(QDialog* d);

// the view's context-menu entry of that text; null when there is none
QAction* actionNamed(Kadmer* k, const QString& text);

// a shown main window on the default scenario
std::unique_ptr<MainWindow> openMainWindow();

// a test on a shown main window on the default scenario, every modal
// interaction answered by the script
class MainWindowTest : public ::testing::Test {
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

#endif
