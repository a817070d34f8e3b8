#include "support.h"

#include <QAction>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

#include "dialogs/mntdialog.h"

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

int accepteMntFichier(QDialog* d)
{
    MntDialog* m = qobject_cast<MntDialog*>(d);
    if (!m)
        return int(QDialog::Rejected);
    m->findChild<QRadioButton*>("radioButton_Fichier")->click();
    m->accept();
    return m->result();
}

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
