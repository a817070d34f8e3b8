#include "dialogs/datafile.h"

#include "app/modal.h"

#include <QCoreApplication>
#include <QFile>

static QString tr(const char* text) { return QCoreApplication::translate("DataFile", text); }

FILE* creeFichierDonnees(QWidget* parent)
{
    const QString nom =
        modal::getSaveFileName(parent, tr("Fichier à enregistrer sous ?"), ".", "*.txt");
    if (nom.isEmpty())
        return nullptr;
    FILE* f = fopen(QFile::encodeName(nom).constData(), "wt");
    if (!f)
        modal::critical(parent, tr("ECHEC ECRITURE !"),
                        tr("Impossible de créer le fichier %1").arg(nom), QMessageBox::Ok);
    return f;
}
