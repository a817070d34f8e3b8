#include "support.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

ModalScript::ModalScript()
{
    modal::Hooks& h = modal::hooks();
    h.messageBox = [this](QWidget*, QMessageBox::Icon, const QString& title, const QString& text,
                          QMessageBox::StandardButtons) {
        boxes << title + "|" + text;
        if (duringBox)
            duringBox();
        return reply;
    };
    h.fileName = [this](QWidget*, const QString&, const QString&, const QString&, bool) {
        return fileName;
    };
    h.directory = [this](QWidget*, const QString&, const QString&) { return directory; };
    h.exec = [this](QDialog* d) { return exec ? exec(d) : dialogResult; };
}

ModalScript::~ModalScript() { modal::hooks() = modal::Hooks(); }

QAction* actionNamed(Kadmer* k, const QString& text)
{
    for (QAction* a : k->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

std::unique_ptr<MainWindow> openMainWindow()
{
    std::unique_ptr<MainWindow> w(new MainWindow);
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
}
