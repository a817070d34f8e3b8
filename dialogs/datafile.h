// The save step shared by the dialogs that write a data file.
#ifndef KADMER_DIALOGS_DATAFILE_H
#define KADMER_DIALOGS_DATAFILE_H

#include <cstdio>

class QWidget;

// asks for the name of a data file to save into and creates it; null when
// the user cancels, or when the file cannot be created (the user is told)
FILE* creeFichierDonnees(QWidget* parent);

#endif
