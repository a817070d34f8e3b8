// The soil dynamics dialog: the five parameters of the visco-elastic soil,
// the friction cone shown as an angle in degrees.
#ifndef KADMER_DIALOGS_DYNSOLDIALOG_H
#define KADMER_DIALOGS_DYNSOLDIALOG_H

#include <QDialog>

struct DynSol;
namespace Ui {
class DynSolDialog;
}

class DynSolDialog : public QDialog {
    Q_OBJECT

public:
    // shows the record (only read)
    DynSolDialog(const DynSol* sol, QWidget* parent = nullptr);
    ~DynSolDialog() override;

    // OK: closes only when every field is within its range
    void accept() override;

    // copies the form into the record, the cone angle back to its tangent
    void litDynSol(DynSol* sol);

protected:
    void changeEvent(QEvent* event) override;

private:
    Ui::DynSolDialog* ui;
};

#endif
