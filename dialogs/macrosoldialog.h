// The macro soil dialog: the soil zones come from the scenario's list or from
// a soil data file, are edited zone by zone in a BacSableDialog and can be
// saved. It works on a copy and hands it to the scenario only on litMacroSol.
#ifndef KADMER_DIALOGS_MACROSOLDIALOG_H
#define KADMER_DIALOGS_MACROSOLDIALOG_H

#include <QDialog>

#include "terrain/zonesol.h"

class BacSableDialog;
namespace Ui {
class MacroSolDialog;
}

class MacroSolDialog : public QDialog {
    Q_OBJECT

public:
    // works on a copy of the scenario's list (at least one zone), which is
    // only read until litMacroSol
    MacroSolDialog(ZonesSol* zonesScenario, QWidget* parent = nullptr);
    ~MacroSolDialog() override;

    // replaces the scenario's zones with a copy of the working list
    void litMacroSol();

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_pushButton_SaveDatadyn_clicked();
    void on_pushButton_EditDatadyn_clicked();
    void on_radioButton_DynFichier_toggled(bool checked);

private:
    void reprendZonesScenario();

    Ui::MacroSolDialog* ui;
    bool depuisFichier;       // the working list was read from a soil data file
    BacSableDialog* editeur;  // the zone editor, on the working list
    ZonesSol travail;         // working list, owned here
    ZonesSol* zonesScenario;  // the scenario's list
};

#endif
