// The rover dynamic configuration dialog: where the dynamic data come from,
// the free-movement test, the period, the results file and its verbosity,
// the speed and gravity, the bogie stops and the integration limits. The
// per-body data are edited in a DynRovDialog on the same working copy.
#ifndef KADMER_DIALOGS_ROVERDIALOG_H
#define KADMER_DIALOGS_ROVERDIALOG_H

#include <QDialog>
#include <cstdio>

#include "rover/dynrover.h"

class DynRovDialog;
namespace Ui {
class RoverDialog;
}

class RoverDialog : public QDialog {
    Q_OBJECT

public:
    // shows the rover's settings and parameters and the period (ms); the
    // rover is only read until litRover
    RoverDialog(const DynRover* rover, int periodMs, QWidget* parent = nullptr);
    ~RoverDialog() override;

    // OK: closes only when every field is within its range
    void accept() override;

    // takes the rover's settings, streams and parameters into the dialog
    void initRover(const DynRover* rover, int periodMs);
    // shows the fourteen fields of the working copy that this form edits
    void afficheDataDyn();
    // copies those fourteen fields back into the working copy
    void litDataDyn();
    // hands everything to the rover and the period: settings, the streams
    // chosen here, the whole working copy
    void litRover(DynRover* rover, int* periodMs);

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_pushButton_SaveDatadyn_clicked();
    void on_pushButton_EditDatadyn_clicked();
    void on_checkBox_Flogout_toggled(bool checked);
    void on_checkBox_TestLibre_toggled(bool checked);
    void on_radioButton_DynFichier_toggled(bool checked);

private:
    void oublieResultats();

    Ui::RoverDialog* ui;
    FILE* source;          // the dynamic data file the working copy was read
                           // from, or null; a marker only: the reader closed it
    FILE* resultats;       // results stream, or null
    bool resultatsOuverts; // resultats was opened here and not yet handed over
    const DynRover* rover; // the rover the dialog was built on
    DataDynRov travail;    // working copy of the dynamic parameters
    DynRovDialog* corps;   // the per-body dialog, reused by every edit
};

#endif
