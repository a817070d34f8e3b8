#include "dialogs/geodialog.h"

#include "ui_geodialog.h"

#include "dialogs/bornes.h"
#include "rover/confrover.h"
#include "rover/dynrover.h"

#include <cmath>

// degrees <-> radians as the rest of the settings were made: a
// single-precision 180 and the double pi
static const float DemiTour = 180.0f;
static const double Pi = 3.141592653589793;

GeoDialog::GeoDialog(const DynRover* rover, QWidget* parent)
    : QDialog(parent), ui(new Ui::GeoDialog)
{
    ui->setupUi(this);
    // the ranges the rover's geometry can be built on: a track of zero width
    // gives a rover of zero size, and from the inclination limit on the rear
    // legs have no length left (shown rounded down to the field's decimals)
    ui->doubleSpinBox_Voie->setMinimum(0.01);
    const double limite = std::floor(inclinaison_max() * DemiTour / Pi * 100.0) / 100.0;
    ui->doubleSpinBox_Inclinaison->setMaximum(limite);
    ui->doubleSpinBox_Inclinaison->setToolTip(
        tr("Au-delà, les bras arrière du rover n'ont plus de longueur"));
    borneChamps(this);
    ui->doubleSpinBox_Voie->setValue(rover->voie);
    ui->doubleSpinBox_Inclinaison->setValue(rover->inclinaison * DemiTour / Pi);
    if (rover->quadri)
        ui->checkBox_FlagQuadri->setChecked(true);
}

void GeoDialog::accept()
{
    if (champsDansBornes(this, tr("Géométrie du rover")))
        QDialog::accept();
}

GeoDialog::~GeoDialog()
{
    delete ui;
}

void GeoDialog::litGeo(DynRover* rover)
{
    rover->inclinaison = ui->doubleSpinBox_Inclinaison->value() * Pi / DemiTour;
    rover->quadri = ui->checkBox_FlagQuadri->isChecked() ? 1 : 0;
    rover->voie = ui->doubleSpinBox_Voie->value();
}

void GeoDialog::on_checkBox_FlagQuadri_toggled(bool checked)
{
    ui->label_Quadri->setText(checked ? tr("quelconque") : tr("parallélogramme"));
}

void GeoDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        const QString forme = ui->label_Quadri->text();
        ui->retranslateUi(this);
        ui->label_Quadri->setText(forme);
    }
}
