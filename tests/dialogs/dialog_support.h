// Shared helpers of the dialog tests: scripted answers to the modal seam,
// widget look-up by object name, the records the dialogs edit, temporary
// files and open descriptor counts.
#ifndef KADMER_TESTS_DIALOGS_DIALOG_SUPPORT_H
#define KADMER_TESTS_DIALOGS_DIALOG_SUPPORT_H

#include "app/modal.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// answers every modal interaction while alive and logs what was asked
struct Modals {
    Modals();
    ~Modals();

    QStringList boxes;         // "title|text" of each message box shown
    QStringList fileCaptions;  // captions of the file dialogs shown
    QStringList fileAnswers;   // answers to the next file dialogs, in order;
                               // an empty queue answers "" (cancelled)
    QStringList executed;      // class names of the dialogs run
    // runs a dialog in place of exec(); by default the dialog is cancelled
    std::function<int(QDialog*)> onExec;
};

// the child named `name`, of the given kind; fails the program when absent
template <class T>
T* child(QObject* parent, const char* name)
{
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no child %s", name);
    return w;
}

// the value of a double spin box of the dialog
double spin(QObject* dialog, const char* name);
// sets a double spin box of the dialog (clamped and rounded by the box)
void setSpin(QObject* dialog, const char* name, double value);
// the text of a label of the dialog
QString text(QObject* dialog, const char* name);
// clicks a button of the dialog
void click(QObject* dialog, const char* name);

// a zone list freed at the end of the test
struct Zones {
    Zones() : z() {}
    ~Zones() { libereZones(&z); }
    ZonesSol z;
};

// the terrain record as the program starts it
inline Mnt defaults()
{
    Mnt m = {};
    defauts_mnt(&m);
    return m;
}

// writes a text file and returns its path
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content);
QByteArray readFile(const QString& path);

// number of file descriptors open in this process
int openDescriptors();

#endif
