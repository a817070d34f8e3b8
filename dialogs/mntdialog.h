// The terrain dialog: a terrain file or a built-in shape, the extent of the
// grid, the cell size, the bumps, the Z multiplier and the soil model.
#ifndef KADMER_DIALOGS_MNTDIALOG_H
#define KADMER_DIALOGS_MNTDIALOG_H

#include <QDialog>
#include <cstdio>

struct Mnt;
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
    // passes to the record (null when the built-in terrain is selected)
    void litMnt(Mnt* mnt);

    // OK: closes the dialog only when the extent can carry a grid; otherwise
    // says which field to change and stays open
    void accept() override;

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_radioButton_Fichier_toggled(bool checked);

private:
    void oublieFichier();

    Ui::MntDialog* ui;
    FILE* fichier;      // terrain file chosen in the dialog, open for reading, or null
    bool fichierRemis;  // the file went to the record through litMnt: not ours to close
};

#endif
