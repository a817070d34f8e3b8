#include "dialogs/dynsoldialog.h"

#include "ui_dynsoldialog.h"

#include "dialogs/bornes.h"
#include "terrain/dynsol.h"

#include <cmath>

// degrees <-> radians as the stored parameter files were made: a
// single-precision 180 and the double pi
static const float DemiTour = 180.0f;
static const double Pi = 3.141592653589793;

DynSolDialog::DynSolDialog(const DynSol* sol, QWidget* parent)
    : QDialog(parent), ui(new Ui::DynSolDialog)
{
    ui->setupUi(this);
    borneChamps(this);
    ui->doubleSpinBox_kNsol->setValue(sol->kN);
    ui->doubleSpinBox_fNsol->setValue(sol->fN);
    ui->doubleSpinBox_kTsol->setValue(sol->kT);
    ui->doubleSpinBox_fTsol->setValue(sol->fT);
    ui->doubleSpinBox_Phi0->setValue(atan(sol->tanPhi0) * DemiTour / Pi);
}

void DynSolDialog::accept()
{
    if (champsDansBornes(this, tr("Sol")))
        QDialog::accept();
}

DynSolDialog::~DynSolDialog()
{
    delete ui;
}

void DynSolDialog::litDynSol(DynSol* sol)
{
    sol->kN = ui->doubleSpinBox_kNsol->value();
    sol->fN = ui->doubleSpinBox_fNsol->value();
    sol->kT = ui->doubleSpinBox_kTsol->value();
    sol->fT = ui->doubleSpinBox_fTsol->value();
    sol->tanPhi0 = tan(ui->doubleSpinBox_Phi0->value() * Pi / DemiTour);
}

void DynSolDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
