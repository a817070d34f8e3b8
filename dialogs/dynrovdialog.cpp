#include "dialogs/dynrovdialog.h"

#include "ui_dynrovdialog.h"

#include "dialogs/bornes.h"
#include "rover/dynrover.h"

// motor inertias are a few 1e-6 kg.m^2: the form shows them in units of
// 1e-6, scaled up by a single-precision constant and back by a double one
static const float VersAffichage = 1.0e6f;
static const double VersDonnees = 1e-6;

DynRovDialog::DynRovDialog(QWidget* parent) : QDialog(parent), ui(new Ui::DynRovDialog)
{
    ui->setupUi(this);
    ui->comboBox_ChoixCorps->setCurrentIndex(0);
    ui->stackedWidget->setCurrentIndex(0);
    // a field is named with its body, and the body of a field beyond its
    // range is shown with the list following
    for (int i = 0; i < ui->stackedWidget->count(); ++i)
        ui->stackedWidget->widget(i)->setAccessibleName(ui->comboBox_ChoixCorps->itemText(i));
    connect(ui->stackedWidget, &QStackedWidget::currentChanged, ui->comboBox_ChoixCorps,
            &QComboBox::setCurrentIndex);
    borneChamps(this);
}

void DynRovDialog::accept()
{
    if (champsDansBornes(this, tr("Données dynamiques par corps")))
        QDialog::accept();
}

DynRovDialog::~DynRovDialog()
{
    delete ui;
}

void DynRovDialog::afficheCorps(const DataDynRov* d)
{
    // body and payload
    ui->doubleSpinBox_mc->setValue(d->m0);
    ui->doubleSpinBox_xc->setValue(d->cdg0[0]);
    ui->doubleSpinBox_yc->setValue(d->cdg0[1]);
    ui->doubleSpinBox_zc->setValue(d->cdg0[2]);
    ui->doubleSpinBox_rxc->setValue(d->rg0[0]);
    ui->doubleSpinBox_ryc->setValue(d->rg0[1]);
    ui->doubleSpinBox_rzc->setValue(d->rg0[2]);
    // lateral and rear traverses
    ui->doubleSpinBox_mtl->setValue(d->mTravL);
    ui->doubleSpinBox_rxtl->setValue(d->rgTravL[0]);
    ui->doubleSpinBox_rytl->setValue(d->rgTravL[1]);
    ui->doubleSpinBox_rztl->setValue(d->rgTravL[2]);
    ui->doubleSpinBox_mtr->setValue(d->mTravR);
    ui->doubleSpinBox_rxtr->setValue(d->rgTravR[0]);
    ui->doubleSpinBox_rytr->setValue(d->rgTravR[1]);
    ui->doubleSpinBox_rztr->setValue(d->rgTravR[2]);
    // lateral and rear steering supports
    ui->doubleSpinBox_mbl->setValue(d->mSupL);
    ui->doubleSpinBox_xbAD->setValue(d->cdgSupL[0]);
    ui->doubleSpinBox_ybAD->setValue(d->cdgSupL[1]);
    ui->doubleSpinBox_zbAD->setValue(d->cdgSupL[2]);
    ui->doubleSpinBox_rxbl->setValue(d->rgSupL[0]);
    ui->doubleSpinBox_rybl->setValue(d->rgSupL[1]);
    ui->doubleSpinBox_rzbl->setValue(d->rgSupL[2]);
    ui->doubleSpinBox_mbr->setValue(d->mSupR);
    ui->doubleSpinBox_xbRD->setValue(d->cdgSupR[0]);
    ui->doubleSpinBox_ybRD->setValue(d->cdgSupR[1]);
    ui->doubleSpinBox_zbRD->setValue(d->cdgSupR[2]);
    ui->doubleSpinBox_rxbr->setValue(d->rgSupR[0]);
    ui->doubleSpinBox_rybr->setValue(d->rgSupR[1]);
    ui->doubleSpinBox_rzbr->setValue(d->rgSupR[2]);
    // steering pivot
    ui->doubleSpinBox_ms->setValue(d->mSteer);
    ui->doubleSpinBox_xsAD->setValue(d->cdgSteer[0]);
    ui->doubleSpinBox_zsAD->setValue(d->cdgSteer[1]);
    ui->doubleSpinBox_rxs->setValue(d->rgSteer[0]);
    ui->doubleSpinBox_rys->setValue(d->rgSteer[1]);
    ui->doubleSpinBox_rzs->setValue(d->rgSteer[2]);
    // leg (fork)
    ui->doubleSpinBox_me->setValue(d->mFourche);
    ui->doubleSpinBox_xeAD->setValue(d->cdgFourche[0]);
    ui->doubleSpinBox_zeAD->setValue(d->cdgFourche[1]);
    ui->doubleSpinBox_rxe->setValue(d->rgFourche[0]);
    ui->doubleSpinBox_rye->setValue(d->rgFourche[1]);
    ui->doubleSpinBox_rze->setValue(d->rgFourche[2]);
    // wheel
    ui->doubleSpinBox_mw->setValue(d->mRoue);
    ui->doubleSpinBox_xwAD->setValue(d->xRoue);
    ui->doubleSpinBox_rxw->setValue(d->rgRoue[0]);
    ui->doubleSpinBox_ryw->setValue(d->rgRoue[1]);
    ui->doubleSpinBox_rzw->setValue(d->rgRoue[2]);
    // motorisations: steering, elevation, wheel
    ui->doubleSpinBox_rhos->setValue(d->redSteer);
    ui->doubleSpinBox_Jmots->setValue(d->jmSteer * VersAffichage);
    ui->doubleSpinBox_fsecs->setValue(d->fsSteer);
    ui->doubleSpinBox_cviss->setValue(d->fvSteer);
    ui->doubleSpinBox_rhoe->setValue(d->redElev);
    ui->doubleSpinBox_Jmote->setValue(d->jmElev * VersAffichage);
    ui->doubleSpinBox_fsece->setValue(d->fsElev);
    ui->doubleSpinBox_cvise->setValue(d->fvElev);
    ui->doubleSpinBox_rhow->setValue(d->redRoue);
    ui->doubleSpinBox_Jmotw->setValue(d->jmRoue * VersAffichage);
    ui->doubleSpinBox_fsecw->setValue(d->fsRoue);
    ui->doubleSpinBox_cvisw->setValue(d->fvRoue);
    ui->doubleSpinBox_cwMax->setValue(d->cMaxRoue);
}

void DynRovDialog::litCorps(DataDynRov* d)
{
    // body and payload
    d->m0 = ui->doubleSpinBox_mc->value();
    d->cdg0[0] = ui->doubleSpinBox_xc->value();
    d->cdg0[1] = ui->doubleSpinBox_yc->value();
    d->cdg0[2] = ui->doubleSpinBox_zc->value();
    d->rg0[0] = ui->doubleSpinBox_rxc->value();
    d->rg0[1] = ui->doubleSpinBox_ryc->value();
    d->rg0[2] = ui->doubleSpinBox_rzc->value();
    // lateral and rear traverses
    d->mTravL = ui->doubleSpinBox_mtl->value();
    d->rgTravL[0] = ui->doubleSpinBox_rxtl->value();
    d->rgTravL[1] = ui->doubleSpinBox_rytl->value();
    d->rgTravL[2] = ui->doubleSpinBox_rztl->value();
    d->mTravR = ui->doubleSpinBox_mtr->value();
    d->rgTravR[0] = ui->doubleSpinBox_rxtr->value();
    d->rgTravR[1] = ui->doubleSpinBox_rytr->value();
    d->rgTravR[2] = ui->doubleSpinBox_rztr->value();
    // lateral and rear steering supports
    d->mSupL = ui->doubleSpinBox_mbl->value();
    d->cdgSupL[0] = ui->doubleSpinBox_xbAD->value();
    d->cdgSupL[1] = ui->doubleSpinBox_ybAD->value();
    d->cdgSupL[2] = ui->doubleSpinBox_zbAD->value();
    d->rgSupL[0] = ui->doubleSpinBox_rxbl->value();
    d->rgSupL[1] = ui->doubleSpinBox_rybl->value();
    d->rgSupL[2] = ui->doubleSpinBox_rzbl->value();
    d->mSupR = ui->doubleSpinBox_mbr->value();
    d->cdgSupR[0] = ui->doubleSpinBox_xbRD->value();
    d->cdgSupR[1] = ui->doubleSpinBox_ybRD->value();
    d->cdgSupR[2] = ui->doubleSpinBox_zbRD->value();
    d->rgSupR[0] = ui->doubleSpinBox_rxbr->value();
    d->rgSupR[1] = ui->doubleSpinBox_rybr->value();
    d->rgSupR[2] = ui->doubleSpinBox_rzbr->value();
    // steering pivot
    d->mSteer = ui->doubleSpinBox_ms->value();
    d->cdgSteer[0] = ui->doubleSpinBox_xsAD->value();
    d->cdgSteer[1] = ui->doubleSpinBox_zsAD->value();
    d->rgSteer[0] = ui->doubleSpinBox_rxs->value();
    d->rgSteer[1] = ui->doubleSpinBox_rys->value();
    d->rgSteer[2] = ui->doubleSpinBox_rzs->value();
    // leg (fork)
    d->mFourche = ui->doubleSpinBox_me->value();
    d->cdgFourche[0] = ui->doubleSpinBox_xeAD->value();
    d->cdgFourche[1] = ui->doubleSpinBox_zeAD->value();
    d->rgFourche[0] = ui->doubleSpinBox_rxe->value();
    d->rgFourche[1] = ui->doubleSpinBox_rye->value();
    d->rgFourche[2] = ui->doubleSpinBox_rze->value();
    // wheel
    d->mRoue = ui->doubleSpinBox_mw->value();
    d->xRoue = ui->doubleSpinBox_xwAD->value();
    d->rgRoue[0] = ui->doubleSpinBox_rxw->value();
    d->rgRoue[1] = ui->doubleSpinBox_ryw->value();
    d->rgRoue[2] = ui->doubleSpinBox_rzw->value();
    // motorisations: steering, elevation, wheel
    d->redSteer = ui->doubleSpinBox_rhos->value();
    d->jmSteer = ui->doubleSpinBox_Jmots->value() * VersDonnees;
    d->fsSteer = ui->doubleSpinBox_fsecs->value();
    d->fvSteer = ui->doubleSpinBox_cviss->value();
    d->redElev = ui->doubleSpinBox_rhoe->value();
    d->jmElev = ui->doubleSpinBox_Jmote->value() * VersDonnees;
    d->fsElev = ui->doubleSpinBox_fsece->value();
    d->fvElev = ui->doubleSpinBox_cvise->value();
    d->redRoue = ui->doubleSpinBox_rhow->value();
    d->jmRoue = ui->doubleSpinBox_Jmotw->value() * VersDonnees;
    d->fsRoue = ui->doubleSpinBox_fsecw->value();
    d->fvRoue = ui->doubleSpinBox_cvisw->value();
    d->cMaxRoue = ui->doubleSpinBox_cwMax->value();
}

void DynRovDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
