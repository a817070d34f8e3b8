// Qt's own texts (standard buttons, file dialogs) in French, as the rest of
// the interface.
#ifndef KADMER_APP_LANGUE_H
#define KADMER_APP_LANGUE_H

class QCoreApplication;
class QTranslator;

// installs Qt's French catalogue on the application; returns the translator
// (a child of the application), or null after a line on the error stream
// when the catalogue is not installed (Qt's texts then stay English)
QTranslator* traduitQt(QCoreApplication* app);

#endif
