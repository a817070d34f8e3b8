#include "dialogs/macrosoldialog.h"

#include "ui_macrosoldialog.h"

#include "app/modal.h"
#include "dialogs/bacsabledialog.h"
#include "dialogs/datafile.h"

#include <QFile>
#include <QFileInfo>

MacroSolDialog::MacroSolDialog(ZonesSol* zonesScenario, QWidget* parent)
    : QDialog(parent),
      ui(new Ui::MacroSolDialog),
      depuisFichier(false),
      editeur(nullptr),
      travail(),
      zonesScenario(zonesScenario)
{
    ui->setupUi(this);
    copieZones(&travail, zonesScenario);
    if (!travail.premiere)
        ajouteZoneDefaut(&travail, 0.0, 0.0, 9999.0);
    editeur = new BacSableDialog(&travail, this);
}

MacroSolDialog::~MacroSolDialog()
{
    libereZones(&travail);
    delete ui;
}

void MacroSolDialog::litMacroSol()
{
    // copieZones does not free what it overwrites
    libereZones(zonesScenario);
    if (const char* message = copieZones(zonesScenario, &travail))
        modal::critical(this, tr("Erreur"), QString::fromLocal8Bit(message), QMessageBox::Ok);
    if (!zonesScenario->premiere)
        ajouteZoneDefaut(zonesScenario, 0.0, 0.0, 9999.0);
}

// the working list becomes the scenario's list again; the editor is moved to
// its first zone so that it never holds a zone freed here
void MacroSolDialog::reprendZonesScenario()
{
    libereZones(&travail);
    copieZones(&travail, zonesScenario);
    if (!travail.premiere)
        ajouteZoneDefaut(&travail, 0.0, 0.0, 9999.0);
    editeur->premiereZone();
}

void MacroSolDialog::on_pushButton_SaveDatadyn_clicked()
{
    FILE* f = creeFichierDonnees(this);
    if (!f)
        return;
    ecritZones(&travail, f);
}

void MacroSolDialog::on_pushButton_EditDatadyn_clicked()
{
    if (modal::exec(editeur) != QDialog::Accepted) {
        // a cancelled edit drops everything since this dialog opened
        reprendZonesScenario();
        return;
    }
    if (depuisFichier)
        ui->label_Fichier->setText(tr("Données fichier modifiées"));
    else
        ui->label_Data_internes->setText(tr("Données internes modifiées"));
}

void MacroSolDialog::on_radioButton_DynFichier_toggled(bool checked)
{
    if (!checked) {
        depuisFichier = false;
        ui->label_Fichier->setText(tr("Inutilisé"));
        ui->label_Data_internes->setText(tr("Données internes initiales"));
        ui->label_Data_internes->setEnabled(true);
        reprendZonesScenario();
        return;
    }

    const QString nom = modal::getOpenFileName(
        this, tr("Fichier de données macro-sol existant ?"), ".", QString());
    FILE* f = nom.isEmpty() ? nullptr : fopen(QFile::encodeName(nom).constData(), "rt");
    if (!f) {
        // unchecking the file button restores the scenario's zones
        depuisFichier = false;
        ui->radioButton_DynInterne->setChecked(true);
        return;
    }

    // the reader closes the stream; on an error it leaves one default zone
    libereZones(&travail);
    const char* message = litZones(&travail, f);
    editeur->premiereZone();
    if (message) {
        modal::critical(this, tr("ECHEC LECTURE !"), QString::fromLocal8Bit(message),
                        QMessageBox::Ok);
        depuisFichier = false;
        ui->radioButton_DynInterne->setChecked(true);
        return;
    }
    depuisFichier = true;
    ui->label_Fichier->setText(tr("Fichier ") + QFileInfo(nom).fileName() + tr(" chargé"));
    ui->label_Data_internes->setEnabled(false);
}

void MacroSolDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        // the status labels describe the dialog's state, not the form
        const QString fichier = ui->label_Fichier->text();
        const QString internes = ui->label_Data_internes->text();
        ui->retranslateUi(this);
        ui->label_Fichier->setText(fichier);
        ui->label_Data_internes->setText(internes);
    }
}
