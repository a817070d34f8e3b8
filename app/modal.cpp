#include "app/modal.h"

#include <QDialog>
#include <QFileDialog>

namespace modal {

Hooks& hooks()
{
    static Hooks h;
    return h;
}

static QMessageBox::StandardButton box(QWidget* parent, QMessageBox::Icon icon,
                                       const QString& title, const QString& text,
                                       QMessageBox::StandardButtons buttons)
{
    if (hooks().messageBox)
        return hooks().messageBox(parent, icon, title, text, buttons);
    switch (icon) {
    case QMessageBox::Critical: return QMessageBox::critical(parent, title, text, buttons);
    case QMessageBox::Warning: return QMessageBox::warning(parent, title, text, buttons);
    case QMessageBox::Question: return QMessageBox::question(parent, title, text, buttons);
    default: return QMessageBox::information(parent, title, text, buttons);
    }
}

QMessageBox::StandardButton critical(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons)
{
    return box(parent, QMessageBox::Critical, title, text, buttons);
}

QMessageBox::StandardButton warning(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::StandardButtons buttons)
{
    return box(parent, QMessageBox::Warning, title, text, buttons);
}

QMessageBox::StandardButton information(QWidget* parent, const QString& title,
                                        const QString& text, QMessageBox::StandardButtons buttons)
{
    return box(parent, QMessageBox::Information, title, text, buttons);
}

QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
                                     QMessageBox::StandardButtons buttons)
{
    return box(parent, QMessageBox::Question, title, text, buttons);
}

QString getOpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter)
{
    if (hooks().fileName)
        return hooks().fileName(parent, caption, dir, filter, false);
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter)
{
    if (hooks().fileName)
        return hooks().fileName(parent, caption, dir, filter, true);
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString getExistingDirectory(QWidget* parent, const QString& caption, const QString& dir)
{
    if (hooks().directory)
        return hooks().directory(parent, caption, dir);
    return QFileDialog::getExistingDirectory(
        parent, caption, dir, QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

int exec(QDialog* dialog)
{
    if (hooks().exec)
        return hooks().exec(dialog);
    return dialog->exec();
}

}  // namespace modal
