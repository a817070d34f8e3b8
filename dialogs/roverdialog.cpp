#include "dialogs/roverdialog.h"

#include "ui_roverdialog.h"

#include "app/modal.h"
#include "dialogs/bornes.h"
#include "dialogs/datafile.h"
#include "dialogs/dynrovdialog.h"

#include <QFile>
#include <QFileInfo>

RoverDialog::RoverDialog(const DynRover* rover, int periodMs, QWidget* parent)
    : QDialog(parent),
      ui(new Ui::RoverDialog),
      source(nullptr),
      resultats(nullptr),
      resultatsOuverts(false),
      rover(rover),
      travail()
{
    ui->setupUi(this);
    // a period of 0 ms would never advance the time: one millisecond is the
    // shortest the timer can keep
    ui->spinBox_dtime->setMinimum(1);
    borneChamps(this);
    initRover(rover, periodMs);
    corps = new DynRovDialog(this);
}

void RoverDialog::accept()
{
    if (champsDansBornes(this, tr("Configuration du rover")))
        QDialog::accept();
}

RoverDialog::~RoverDialog()
{
    oublieResultats();
    delete ui;
}

void RoverDialog::initRover(const DynRover* r, int periodMs)
{
    rover = r;
    travail = r->data;
    ui->checkBox_TestLibre->setChecked(r->testLibre == 0);
    ui->spinBox_ndebug->setValue(r->verbose);
    source = r->fdata;
    oublieResultats();
    resultats = r->fresults;
    afficheDataDyn();
    ui->spinBox_dtime->setValue(periodMs);
}

void RoverDialog::afficheDataDyn()
{
    ui->doubleSpinBox_dXyzMax->setValue(travail.dXyz);
    ui->doubleSpinBox_dVitXyzMax->setValue(travail.dVitXyz);
    ui->doubleSpinBox_dLtrMax->setValue(travail.dLtr);
    ui->doubleSpinBox_dVitLtrMax->setValue(travail.dVitLtr);
    ui->doubleSpinBox_dTravMax->setValue(travail.dTrav);
    ui->doubleSpinBox_dVitTravMax->setValue(travail.dVitTrav);
    ui->doubleSpinBox_dRoueMax->setValue(travail.dRoue);
    ui->doubleSpinBox_dVitRoueMax->setValue(travail.dVitRoue);
    ui->doubleSpinBox_vmax->setValue(travail.vMax);
    ui->doubleSpinBox_kpTravL->setValue(travail.kpTravL);
    ui->doubleSpinBox_kpTravR->setValue(travail.kpTravR);
    ui->doubleSpinBox_kvTravL->setValue(travail.kvTravL);
    ui->doubleSpinBox_kvTravR->setValue(travail.kvTravR);
    ui->doubleSpinBox_grav->setValue(travail.g);
}

void RoverDialog::litDataDyn()
{
    travail.dXyz = ui->doubleSpinBox_dXyzMax->value();
    travail.dVitXyz = ui->doubleSpinBox_dVitXyzMax->value();
    travail.dLtr = ui->doubleSpinBox_dLtrMax->value();
    travail.dVitLtr = ui->doubleSpinBox_dVitLtrMax->value();
    travail.dTrav = ui->doubleSpinBox_dTravMax->value();
    travail.dVitTrav = ui->doubleSpinBox_dVitTravMax->value();
    travail.dRoue = ui->doubleSpinBox_dRoueMax->value();
    travail.dVitRoue = ui->doubleSpinBox_dVitRoueMax->value();
    travail.vMax = ui->doubleSpinBox_vmax->value();
    travail.kpTravL = ui->doubleSpinBox_kpTravL->value();
    travail.kpTravR = ui->doubleSpinBox_kpTravR->value();
    travail.kvTravL = ui->doubleSpinBox_kvTravL->value();
    travail.kvTravR = ui->doubleSpinBox_kvTravR->value();
    travail.g = ui->doubleSpinBox_grav->value();
}

void RoverDialog::litRover(DynRover* r, int* periodMs)
{
    r->testLibre = ui->checkBox_TestLibre->isChecked() ? 0 : 1;
    r->verbose = ui->spinBox_ndebug->value();
    r->fdata = source;
    r->fresults = resultats;
    resultatsOuverts = false;  // the rover owns the results stream from now on
    litDataDyn();
    r->data = travail;
    *periodMs = ui->spinBox_dtime->value();
}

// drops the results stream; one opened here is closed, since nothing would
// ever write to it (the rover's own stream is left to the rover)
void RoverDialog::oublieResultats()
{
    if (resultats && resultatsOuverts)
        fclose(resultats);
    resultats = nullptr;
    resultatsOuverts = false;
}

void RoverDialog::on_pushButton_SaveDatadyn_clicked()
{
    FILE* f = creeFichierDonnees(this);
    if (!f)
        return;
    litDataDyn();
    saveDatadynrov(&travail, f);
}

void RoverDialog::on_pushButton_EditDatadyn_clicked()
{
    corps->afficheCorps(&travail);
    if (modal::exec(corps) != QDialog::Accepted)
        return;
    corps->litCorps(&travail);
    if (source)
        ui->label_Fichier_Interne->setText(tr("Données fichier modifiées"));
    else
        ui->label_Data_internes->setText(tr("Données internes modifiées"));
}

void RoverDialog::on_checkBox_Flogout_toggled(bool checked)
{
    if (!checked) {
        oublieResultats();
        ui->label_Flogout->setText(tr("aucun"));
        ui->spinBox_ndebug->setEnabled(false);
        return;
    }

    const QString nom =
        modal::getSaveFileName(this, tr("Fichier sortie résultats ?"), ".", "*.txt");
    FILE* f = nom.isEmpty() ? nullptr : fopen(QFile::encodeName(nom).constData(), "wt");
    if (!f) {
        // unchecking runs the branch above
        ui->checkBox_Flogout->setChecked(false);
        return;
    }
    oublieResultats();
    resultats = f;
    resultatsOuverts = true;
    ui->label_Flogout->setText(QFileInfo(nom).fileName());
    ui->spinBox_ndebug->setEnabled(true);
}

void RoverDialog::on_checkBox_TestLibre_toggled(bool checked)
{
    ui->label_TestLibre->setText(checked ? tr("nominaux activés")
                                         : tr("supprimés (test mvts libres)"));
}

void RoverDialog::on_radioButton_DynFichier_toggled(bool checked)
{
    if (!checked) {
        // back to the rover's own data: file data and per-body edits are dropped
        source = nullptr;
        ui->label_Fichier_Interne->setText(tr("Inutilisé"));
        ui->label_Data_internes->setText(tr("Données internes initiales"));
        ui->label_Data_internes->setEnabled(true);
        travail = rover->data;
        afficheDataDyn();
        return;
    }

    const QString nom = modal::getOpenFileName(
        this, tr("Fichier de données dynamiques existant ?"), ".", QString());
    FILE* f = nom.isEmpty() ? nullptr : fopen(QFile::encodeName(nom).constData(), "rt");
    if (!f) {
        source = nullptr;
        ui->radioButton_DynInterne->setChecked(true);
        return;
    }

    // the reader closes the stream in every case and leaves the working copy
    // as it was when the file is bad
    source = f;
    if (const char* message = loadDatadynrov(&travail, f)) {
        modal::critical(this, tr("ECHEC LECTURE !"), QString::fromLocal8Bit(message),
                        QMessageBox::Ok);
        source = nullptr;
    }
    afficheDataDyn();

    if (source) {
        ui->label_Fichier_Interne->setText(tr("Utilisation donnees ") + QFileInfo(nom).fileName());
        ui->label_Data_internes->setEnabled(false);
    } else {
        ui->radioButton_DynInterne->setChecked(true);
    }
}

void RoverDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        // the status labels describe the dialog's state, not the form
        const QString fichier = ui->label_Fichier_Interne->text();
        const QString internes = ui->label_Data_internes->text();
        const QString testLibre = ui->label_TestLibre->text();
        const QString flogout = ui->label_Flogout->text();
        ui->retranslateUi(this);
        ui->label_Fichier_Interne->setText(fichier);
        ui->label_Data_internes->setText(internes);
        ui->label_TestLibre->setText(testLibre);
        ui->label_Flogout->setText(flogout);
    }
}
