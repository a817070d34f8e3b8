#include "dialogs/dialog_support.h"

#include <QAbstractButton>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>

Modals::Modals()
{
    modal::Hooks& h = modal::hooks();
    h.messageBox = [this](QWidget*, QMessageBox::Icon, const QString& title, const QString& text,
                          QMessageBox::StandardButtons) {
        boxes << title + "|" + text;
        return QMessageBox::Ok;
    };
    h.fileName = [this](QWidget*, const QString& caption, const QString&, const QString&, bool) {
        fileCaptions << caption;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    };
    h.directory = [](QWidget*, const QString&, const QString&) { return QString(); };
    h.exec = [this](QDialog* d) {
        executed << QString::fromLatin1(d->metaObject()->className());
        return onExec ? onExec(d) : int(QDialog::Rejected);
    };
}

Modals::~Modals()
{
    modal::hooks() = modal::Hooks();
}

double spin(QObject* dialog, const char* name)
{
    return child<QDoubleSpinBox>(dialog, name)->value();
}

void setSpin(QObject* dialog, const char* name, double value)
{
    child<QDoubleSpinBox>(dialog, name)->setValue(value);
}

QString text(QObject* dialog, const char* name)
{
    return child<QLabel>(dialog, name)->text();
}

void click(QObject* dialog, const char* name)
{
    child<QAbstractButton>(dialog, name)->click();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

int openDescriptors()
{
    return int(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot).size());
}
