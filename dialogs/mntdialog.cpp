#include "dialogs/mntdialog.h"

#include "ui_mntdialog.h"

#include "app/modal.h"
#include "terrain/mnt.h"

#include <QFile>
#include <QFileInfo>

// pages of the stacked widget
enum { PageFichier = 0, PageInterne = 1 };

MntDialog::MntDialog(const Mnt* mnt, QWidget* parent)
    : QDialog(parent), ui(new Ui::MntDialog), fichier(nullptr), fichierRemis(false)
{
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(PageInterne);

    ui->comboBox_TypeMNT->setCurrentIndex(mnt->typeMNT);
    ui->comboBox_TypeMNT->setMaxCount(3);
    ui->comboBox_TypeDyn->setCurrentIndex(mnt->typeDyn);
    ui->comboBox_TypeDyn->setMaxCount(2);

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
        ui->label_NomFichier->setText(tr("Inconnu"));
        ui->stackedWidget->setCurrentIndex(PageInterne);
        return;
    }

    ui->stackedWidget->setCurrentIndex(PageFichier);
    const QString nom =
        modal::getOpenFileName(nullptr, tr("Ouvrir un fichier MNT existant ?"), ".", QString());
    if (!nom.isEmpty()) {
        oublieFichier();
        fichier = fopen(QFile::encodeName(nom).constData(), "rt");
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
    QDialog::accept();
}

void MntDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        const QString nom = ui->label_NomFichier->text();
        ui->retranslateUi(this);
        if (fichier)
            ui->label_NomFichier->setText(nom);
    }
}
