#include "dialogs/bacsabledialog.h"

#include "ui_bacsabledialog.h"

#include "app/modal.h"
#include "dialogs/bornes.h"
#include "terrain/zonesol.h"

// degrees per radian, as the zones have always been shown and stored
// (not the exact 180/pi: a validated angle differs in the twelfth digit)
static const double DegresParRadian = 57.295779513;

BacSableDialog::BacSableDialog(ZonesSol* zones, QWidget* parent)
    : QDialog(parent), ui(new Ui::BacSableDialog), courante(nullptr), zones(zones)
{
    ui->setupUi(this);
    borneChamps(this);
    premiereZone();
}

BacSableDialog::~BacSableDialog()
{
    delete ui;
}

void BacSableDialog::afficheZone(const ZoneSol* z)
{
    ui->label_nZones->setText(tr("Nombre de zones : %1").arg(zones->nbZones));
    // the list always holds a zone; should it not, there is nothing to show or edit
    ui->groupBox_Parametres->setEnabled(z != nullptr);
    if (!z) {
        ui->pushButton_next->setEnabled(false);
        return;
    }
    ui->label_nomZone->setText(QString::fromLocal8Bit(z->nom));
    ui->SpinBox_hzone->setValue(z->hzone);
    ui->DoubleSpinBox_cercleX->setValue(z->X);
    ui->DoubleSpinBox_cercleY->setValue(z->Y);
    ui->DoubleSpinBox_cercleR->setValue(z->R);
    ui->DoubleSpinBox_c->setValue(z->c);
    ui->DoubleSpinBox_phi->setValue(z->phi * DegresParRadian);
    ui->DoubleSpinBox_Xc->setValue(z->Xc * DegresParRadian);
    ui->DoubleSpinBox_kc->setValue(z->kc);
    ui->DoubleSpinBox_kphi->setValue(z->kphi);
    ui->DoubleSpinBox_n->setValue(z->n);
    ui->DoubleSpinBox_rhod->setValue(z->rhod);
    ui->DoubleSpinBox_lbda->setValue(z->lbda);
    ui->DoubleSpinBox_K->setValue(z->K);
    ui->pushButton_next->setEnabled(z->suivante != nullptr);
}

void BacSableDialog::litZone(ZoneSol* z)
{
    z->hzone = ui->SpinBox_hzone->value();
    z->X = ui->DoubleSpinBox_cercleX->value();
    z->Y = ui->DoubleSpinBox_cercleY->value();
    z->R = ui->DoubleSpinBox_cercleR->value();
    z->c = ui->DoubleSpinBox_c->value();
    z->phi = ui->DoubleSpinBox_phi->value() / DegresParRadian;
    z->Xc = ui->DoubleSpinBox_Xc->value() / DegresParRadian;
    z->kc = ui->DoubleSpinBox_kc->value();
    z->kphi = ui->DoubleSpinBox_kphi->value();
    z->n = ui->DoubleSpinBox_n->value();
    z->rhod = ui->DoubleSpinBox_rhod->value();
    z->K = ui->DoubleSpinBox_K->value();
    z->lbda = ui->DoubleSpinBox_lbda->value();
}

void BacSableDialog::premiereZone()
{
    courante = zones->premiere;
    afficheZone(courante);
}

void BacSableDialog::on_pushButton_valide_clicked()
{
    if (courante && champsDansBornes(this, tr("Zones de sol")))
        litZone(courante);
}

void BacSableDialog::on_pushButton_add_clicked()
{
    ZoneSol* z = ajouteZoneDefaut(zones, 0.0, 0.0, 9999.0);
    if (!z) {
        modal::critical(this, tr("Erreur"), tr("Erreur allocation zone terrain"), QMessageBox::Ok);
        return;
    }
    courante = z;
    afficheZone(courante);
}

void BacSableDialog::on_pushButton_next_clicked()
{
    if (courante && courante->suivante)
        courante = courante->suivante;
    afficheZone(courante);
}

void BacSableDialog::on_pushButton_first_clicked()
{
    premiereZone();
}

void BacSableDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        // the zone's name and the count are the list's, not the form's
        afficheZone(courante);
    }
}
