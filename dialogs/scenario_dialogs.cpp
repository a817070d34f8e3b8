// The dialog steps of scenario creation: each dialog is built on its record,
// run modally, and read back only when the user accepted it.
#include "app/scenario_dialogs.h"

#include "app/modal.h"
#include "dialogs/dynsoldialog.h"
#include "dialogs/geodialog.h"
#include "dialogs/macrosoldialog.h"
#include "dialogs/mntdialog.h"
#include "dialogs/roverdialog.h"

#include "app/scenario.h"

#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>

bool runGeoDialog(QWidget* parent, DynRover* rover)
{
    GeoDialog dialog(rover, parent);
    if (modal::exec(&dialog) != QDialog::Accepted)
        return false;
    dialog.litGeo(rover);
    return true;
}

bool runRoverDialog(QWidget* parent, DynRover* rover, int* periodMs)
{
    RoverDialog dialog(rover, *periodMs, parent);
    if (modal::exec(&dialog) != QDialog::Accepted)
        return false;
    dialog.litRover(rover, periodMs);
    return true;
}

bool runMntDialog(QWidget* parent, Mnt* mnt, SourceRaster* raster)
{
    MntDialog dialog(mnt, parent);
    if (modal::exec(&dialog) != QDialog::Accepted)
        return false;
    dialog.litMnt(mnt);
    if (raster) {
        free(raster->chemin);
        raster->chemin = nullptr;
        const DemFenetre* f = dialog.fenetreLue();
        if (f && mnt->h) {
            const QByteArray chemin = QFile::encodeName(QFileInfo(dialog.raster()).absoluteFilePath());
            raster->chemin = strdup(chemin.constData());
            raster->fenetre[0] = f->cx;
            raster->fenetre[1] = f->cy;
            raster->fenetre[2] = f->taille;
            raster->pas = f->pas;
        }
    }
    return true;
}

bool runDynSolDialog(QWidget* parent, DynSol* sol)
{
    DynSolDialog dialog(sol, parent);
    if (modal::exec(&dialog) != QDialog::Accepted)
        return false;
    dialog.litDynSol(sol);
    return true;
}

bool runMacroSolDialog(QWidget* parent, ZonesSol* zones)
{
    MacroSolDialog dialog(zones, parent);
    if (modal::exec(&dialog) != QDialog::Accepted)
        return false;
    dialog.litMacroSol();
    return true;
}
