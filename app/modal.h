// Every modal interaction of the program (message boxes, file dialogs,
// dialog execution) goes through these functions. The production path calls
// Qt's own static functions; a test installs hooks to answer them instead.
#ifndef KADMER_APP_MODAL_H
#define KADMER_APP_MODAL_H

#include <QMessageBox>
#include <QString>
#include <functional>

class QDialog;
class QWidget;

namespace modal {

struct Hooks {
    // answers a standard message box: icon, title, text, the buttons offered
    std::function<QMessageBox::StandardButton(QWidget* parent, QMessageBox::Icon icon,
                                              const QString& title, const QString& text,
                                              QMessageBox::StandardButtons buttons)>
        messageBox;
    // answers a file dialog; `save` tells a save dialog from an open one
    std::function<QString(QWidget* parent, const QString& caption, const QString& dir,
                          const QString& filter, bool save)>
        fileName;
    // answers a directory dialog
    std::function<QString(QWidget* parent, const QString& caption, const QString& dir)>
        directory;
    // runs a dialog (or a custom message box) in place of exec(); returns its result
    std::function<int(QDialog* dialog)> exec;
};

// the hooks in force; empty members mean the real Qt call
Hooks& hooks();

QMessageBox::StandardButton critical(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton warning(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton information(QWidget* parent, const QString& title,
                                        const QString& text,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);
QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons =
                                         QMessageBox::Yes | QMessageBox::No);

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir = QString(),
                        const QString& filter = QString());
QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir = QString(),
                        const QString& filter = QString());
QString getExistingDirectory(QWidget* parent, const QString& caption,
                             const QString& dir = QString());

// exec() of a dialog or of a message box built by the caller
int exec(QDialog* dialog);

}  // namespace modal

#endif
