// The terrain dialog: a terrain file or a built-in shape, the extent of the
// grid, the cell size, the bumps, the Z multiplier and the soil model. A
// raster elevation model (recognised from the file's content) is chosen on
// the same file page, with its window, and read when the dialog is accepted.
#ifndef KADMER_DIALOGS_MNTDIALOG_H
#define KADMER_DIALOGS_MNTDIALOG_H

#include <QDialog>
#include <QString>
#include <cstdio>

#include "dem/dem.h"
#include "terrain/mnt.h"

namespace Ui {
class MntDialog;
}

class MntDialog : public QDialog {
    Q_OBJECT

public:
    // shows the parameters of the record (only read), on the built-in terrain
    MntDialog(const Mnt* mnt, QWidget* parent = nullptr);
    ~MntDialog() override;

    // copies the form into the record; the terrain file chosen here, if any,
    // passes to the record (null when the built-in terrain is selected); the
    // grid read from a raster passes to the record with its extent
    void litMnt(Mnt* mnt);

    // the raster chosen on the file page, or empty
    QString raster() const { return rasterChemin; }

    // the window of that raster read on OK, or null when none was read
    const DemFenetre* fenetreLue() const { return rasterLu ? &lue : nullptr; }

    // OK: closes the dialog only when the extent can carry a grid and a
    // raster chosen gives its window; otherwise says why and stays open
    void accept() override;

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_radioButton_Fichier_toggled(bool checked);
    void on_doubleSpinBox_Taille_valueChanged(double taille);

private:
    void oublieFichier();
    bool choisitRaster(const QString& nom);
    bool litRaster();
    void oublieRaster();

    Ui::MntDialog* ui;
    FILE* fichier;      // terrain file chosen in the dialog, open for reading, or null
    bool fichierRemis;  // the file went to the record through litMnt: not ours to close
    QString rasterChemin;  // raster chosen on the file page, or empty
    Mnt grille;            // its grid once read by accept, until litMnt takes it
    DemFenetre lue;        // the window that grid was read from
    bool rasterLu = false;  // whether grille came from that window
    double bossesInterne = 0.0;  // bump height of the form before a raster
                                 // was chosen, given back without it
};

#endif
