#include "dialogs/mntdialog.h"

#include "ui_mntdialog.h"

#include "app/modal.h"
#include "dialogs/bornes.h"
#include "dem/dem.h"
#include "terrain/mnt.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>

// pages of the stacked widget
enum { PageFichier = 0, PageInterne = 1 };

MntDialog::MntDialog(const Mnt* mnt, QWidget* parent)
    : QDialog(parent), ui(new Ui::MntDialog), fichier(nullptr), fichierRemis(false)
{
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(PageInterne);
    ui->groupBox_Raster->hide();
    defauts_mnt(&grille);
    borneChamps(this);

    ui->comboBox_TypeMNT->setCurrentIndex(mnt->typeMNT);
    ui->comboBox_TypeMNT->setMaxCount(3);
    ui->comboBox_TypeDyn->setCurrentIndex(mnt->typeDyn);
    ui->comboBox_TypeDyn->setMaxCount(3);

    ui->doubleSpinBox_coefH->setValue(mnt->coefH);
    ui->doubleSpinBox_dimCell->setValue(mnt->dx);
    ui->doubleSpinBox_hBosses->setValue(mnt->hBosses);
    ui->doubleSpinBox_Xmax->setValue(mnt->Xmax);
    ui->doubleSpinBox_Xmin->setValue(mnt->Xmin);
    ui->doubleSpinBox_Ymax->setValue(mnt->Ymax);
    ui->doubleSpinBox_Ymin->setValue(mnt->Ymin);
}

MntDialog::~MntDialog()
{
    oublieFichier();
    libere_mnt(&grille);
    delete ui;
}

void MntDialog::litMnt(Mnt* mnt)
{
    mnt->coefH = ui->doubleSpinBox_coefH->value();
    mnt->dx = ui->doubleSpinBox_dimCell->value();
    mnt->dy = ui->doubleSpinBox_dimCell->value();
    mnt->hBosses = ui->doubleSpinBox_hBosses->value();
    mnt->typeMNT = ui->comboBox_TypeMNT->currentIndex();
    mnt->typeDyn = ui->comboBox_TypeDyn->currentIndex();
    mnt->Xmax = ui->doubleSpinBox_Xmax->value();
    mnt->Xmin = ui->doubleSpinBox_Xmin->value();
    mnt->Ymax = ui->doubleSpinBox_Ymax->value();
    mnt->Ymin = ui->doubleSpinBox_Ymin->value();
    mnt->fichier = fichier;
    // the record (and the terrain builder behind it) now owns the stream
    fichierRemis = fichier != nullptr;
    if (grille.h) {
        // the grid read from the raster, built with this form's coefH and
        // bumps, goes to the record with its extent and spacings
        mnt->nx = grille.nx;
        mnt->ny = grille.ny;
        mnt->h = grille.h;
        mnt->dzx = grille.dzx;
        mnt->dzy = grille.dzy;
        mnt->dzxy = grille.dzxy;
        mnt->normale = grille.normale;
        mnt->dx = grille.dx;
        mnt->dy = grille.dy;
        mnt->Xmin = grille.Xmin;
        mnt->Xmax = grille.Xmax;
        mnt->Ymin = grille.Ymin;
        mnt->Ymax = grille.Ymax;
        mnt->zmin = grille.zmin;
        mnt->zmax = grille.zmax;
        grille.h = nullptr;
        grille.nx = grille.ny = 0;
    }
}

// with a raster chosen, reads its window: false, after the box that says
// why, when it cannot be used
bool MntDialog::litRaster()
{
    if (rasterChemin.isEmpty() || !ui->radioButton_Fichier->isChecked())
        return true;
    libere_mnt(&grille);
    grille.hBosses = ui->doubleSpinBox_hBosses->value();
    DemFenetre f = dem_fenetre_defaut();
    f.cx = ui->doubleSpinBox_CentreX->value();
    f.cy = ui->doubleSpinBox_CentreY->value();
    f.taille = ui->doubleSpinBox_Taille->value();
    f.pas = ui->doubleSpinBox_Pas->value();

    // a long read shows its progress and can be stopped
    QProgressDialog progres(tr("Lecture du MNT %1...").arg(QFileInfo(rasterChemin).fileName()), tr("Annuler"),
                            0, 1000, this);
    progres.setWindowModality(Qt::WindowModal);
    progres.setMinimumDuration(400);
    auto suit = [](double fraction, void* arg) -> bool {
        QProgressDialog* p = static_cast<QProgressDialog*>(arg);
        p->setValue(static_cast<int>(fraction * 1000.0));
        QApplication::processEvents();
        return !p->wasCanceled();
    };
    std::string message;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int r = dem_charge(QFile::encodeName(rasterChemin).constData(), f, ui->doubleSpinBox_coefH->value(),
                             &grille, &message, suit, &progres);
    QApplication::restoreOverrideCursor();
    progres.reset();
    const QString texte = QString::fromStdString(message);
    lue = f;
    rasterLu = r == 0;
    if (r != 0) {
        modal::critical(this, tr("MNT raster"), texte, QMessageBox::Ok);
        return false;
    }
    std::fputs((message + "\n").c_str(), stderr);
    // what was read goes first; any further line is a warning the user sees
    if (texte.contains(QLatin1Char('\n')))
        modal::warning(this, tr("MNT raster"), texte, QMessageBox::Ok);
    return true;
}

// the page of a raster: its CRS and resolution, a window on its centre
bool MntDialog::choisitRaster(const QString& nom)
{
    DemInfo info;
    std::string message;
    if (!dem_info(QFile::encodeName(nom).constData(), &info, &message)) {
        modal::critical(this, tr("MNT raster"), QString::fromStdString(message), QMessageBox::Ok);
        return false;
    }
    rasterChemin = nom;
    const bool geo = info.geographique;
    const QString scr = info.scr.empty() ? tr("aucun (coordonnées en mètres)") : QString::fromStdString(info.scr);
    const QString unite = QString::fromStdString(info.unite);
    QString res = geo ? tr("%1 x %2 %3 (environ %4 m)").arg(info.resX, 0, 'g', 4).arg(info.resY, 0, 'g', 4)
                            .arg(unite).arg(info.resMetres, 0, 'g', 4)
                      : tr("%1 x %2 %3").arg(info.resX, 0, 'g', 6).arg(info.resY, 0, 'g', 6).arg(unite);
    // one line per fact, so that no line needs wrapping in the usual case;
    // the whole text is in the tooltip whatever the label's room
    ui->label_Scr->setText(tr("SCR : %1\n%2 x %3 pixels (%4)\nrésolution %5")
                               .arg(scr)
                               .arg(info.largeur)
                               .arg(info.hauteur)
                               .arg(QString::fromStdString(info.pilote))
                               .arg(res));
    ui->label_Scr->setToolTip(ui->label_Scr->text());
    ui->label_CentreX->setText(geo ? tr("Centre longitude (°)") : tr("Centre X (%1)").arg(unite));
    ui->label_CentreY->setText(geo ? tr("Centre latitude (°)") : tr("Centre Y (%1)").arg(unite));
    ui->doubleSpinBox_CentreX->setDecimals(geo ? 7 : 2);
    ui->doubleSpinBox_CentreY->setDecimals(geo ? 7 : 2);
    ui->doubleSpinBox_CentreX->setValue(info.cx);
    ui->doubleSpinBox_CentreY->setValue(info.cy);
    // a window the rover crosses in minutes, or the whole raster when smaller
    ui->doubleSpinBox_Taille->setValue(std::min(info.etendue, 200.0));
    ui->doubleSpinBox_Pas->setValue(0.0);
    // heights as the raster gives them; the built-in terrain gets its bumps
    // back if chosen again
    bossesInterne = ui->doubleSpinBox_hBosses->value();
    ui->doubleSpinBox_hBosses->setValue(0.0);
    for (QDoubleSpinBox* e : {ui->doubleSpinBox_Xmin, ui->doubleSpinBox_Xmax, ui->doubleSpinBox_Ymin,
                              ui->doubleSpinBox_Ymax}) {
        fixeBornes(e, -1.0e7, 1.0e7);
        e->setEnabled(false);
    }
    on_doubleSpinBox_Taille_valueChanged(ui->doubleSpinBox_Taille->value());
    ui->groupBox_Raster->show();
    return true;
}

// the extent fields follow the window while a raster is chosen
void MntDialog::on_doubleSpinBox_Taille_valueChanged(double taille)
{
    if (rasterChemin.isEmpty())
        return;
    ui->doubleSpinBox_Xmin->setValue(-0.5 * taille);
    ui->doubleSpinBox_Xmax->setValue(0.5 * taille);
    ui->doubleSpinBox_Ymin->setValue(-0.5 * taille);
    ui->doubleSpinBox_Ymax->setValue(0.5 * taille);
}

void MntDialog::oublieRaster()
{
    if (rasterChemin.isEmpty())
        return;
    rasterChemin.clear();
    rasterLu = false;
    libere_mnt(&grille);
    ui->groupBox_Raster->hide();
    for (QDoubleSpinBox* e : {ui->doubleSpinBox_Xmin, ui->doubleSpinBox_Xmax, ui->doubleSpinBox_Ymin,
                              ui->doubleSpinBox_Ymax}) {
        e->setEnabled(true);
        e->setValue(qBound(-100.0, e->value(), 100.0));
        fixeBornes(e, -100.0, e == ui->doubleSpinBox_Ymax ? 99.99 : 100.0);
    }
    ui->doubleSpinBox_Xmin->setValue(-10.0);
    ui->doubleSpinBox_Xmax->setValue(10.0);
    ui->doubleSpinBox_Ymin->setValue(-10.0);
    ui->doubleSpinBox_Ymax->setValue(10.0);
    ui->doubleSpinBox_hBosses->setValue(bossesInterne);
}

// drops the chosen file; a stream nobody else holds is closed, since nothing
// would ever read it
void MntDialog::oublieFichier()
{
    if (fichier && !fichierRemis)
        fclose(fichier);
    fichier = nullptr;
    fichierRemis = false;
}

void MntDialog::on_radioButton_Fichier_toggled(bool checked)
{
    if (!checked) {
        oublieFichier();
        oublieRaster();
        ui->label_NomFichier->setText(tr("Inconnu"));
        ui->stackedWidget->setCurrentIndex(PageInterne);
        return;
    }

    ui->stackedWidget->setCurrentIndex(PageFichier);
    // every file is listed; the format is told from the content, not the name
    const QString nom = modal::getOpenFileName(
        nullptr, tr("Ouvrir un fichier MNT existant ?"), ".",
        tr("Tous les fichiers (*);;Matrice de hauteurs (*.txt *.mnt *.dat);;"
           "MNT raster (*.tif *.tiff *.img *.asc *.dem *.hgt *.vrt *.jp2 *.nc *.grd *.png)"));
    if (!nom.isEmpty()) {
        oublieFichier();
        oublieRaster();
        if (dem_est_raster(QFile::encodeName(nom).constData())) {
            // a raster that cannot be used has said why
            if (choisitRaster(nom)) {
                ui->label_NomFichier->setText(QFileInfo(nom).fileName());
                return;
            }
        } else {
            fichier = fopen(QFile::encodeName(nom).constData(), "rt");
        }
        if (fichier) {
            ui->label_NomFichier->setText(QFileInfo(nom).fileName());
            return;
        }
    }
    // no name, or a file that does not open: back to the built-in terrain,
    // whose toggle clears the file state
    oublieFichier();
    ui->label_NomFichier->setText(tr("Inconnu"));
    ui->radioButton_Interne->setChecked(true);
}

void MntDialog::accept()
{
    // the terrain builder needs each maximum beyond its minimum, and the
    // built-in terrain at least two nodes (half a cell) on each axis
    if (!champsDansBornes(this, tr("Terrain")))
        return;
    const double cellule = ui->doubleSpinBox_dimCell->value();
    const bool interne = !ui->radioButton_Fichier->isChecked();
    const struct {
        QLabel* min;
        QLabel* max;
        double etendue;
    } axes[] = {
        {ui->label_Xmin, ui->label_Xmax,
         ui->doubleSpinBox_Xmax->value() - ui->doubleSpinBox_Xmin->value()},
        {ui->label_Ymin, ui->label_Ymax,
         ui->doubleSpinBox_Ymax->value() - ui->doubleSpinBox_Ymin->value()},
    };
    for (const auto& a : axes) {
        QString message;
        if (!(a.etendue > 0.0))
            message = tr("« %1 » doit dépasser « %2 ».").arg(a.max->text(), a.min->text());
        else if (interne && a.etendue < 0.5 * cellule)
            message = tr("« %1 » − « %2 » doit valoir au moins la moitié de « %3 » (%4 m).")
                          .arg(a.max->text(), a.min->text(), ui->label_dimCell->text())
                          .arg(0.5 * cellule);
        if (!message.isEmpty()) {
            modal::warning(this, tr("Terrain"), message);
            return;
        }
    }
    if (!litRaster())
        return;
    QDialog::accept();
}

void MntDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        const QString nom = ui->label_NomFichier->text();
        ui->retranslateUi(this);
        if (fichier || !rasterChemin.isEmpty())
            ui->label_NomFichier->setText(nom);
    }
}
