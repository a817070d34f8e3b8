#include "app/langue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

QTranslator* traduitQt(QCoreApplication* app)
{
    // the catalogue is chosen by name, not by the user's locale: every text
    // of the program is French, the standard buttons must read alike
    const QString dossier = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    QTranslator* t = new QTranslator(app);
    if (!t->load(QStringLiteral("qtbase_fr"), dossier) || !app->installTranslator(t)) {
        std::fprintf(stderr,
                     "kadmer: traductions de Qt introuvables (qtbase_fr.qm dans %s) : "
                     "boutons et dialogues standard en anglais\n",
                     dossier.toLocal8Bit().constData());
        delete t;
        return nullptr;
    }
    return t;
}
