// The per-body dynamic data dialog: masses, centres of gravity, gyration
// radii and motorisations of the body, traverses, steering supports, pivots,
// legs and wheels, one body type at a time.
#ifndef KADMER_DIALOGS_DYNROVDIALOG_H
#define KADMER_DIALOGS_DYNROVDIALOG_H

#include <QDialog>

struct DataDynRov;
namespace Ui {
class DynRovDialog;
}

class DynRovDialog : public QDialog {
    Q_OBJECT

public:
    // the form, on its first body; filled by afficheCorps before each run
    explicit DynRovDialog(QWidget* parent = nullptr);
    ~DynRovDialog() override;

    // OK: closes only when every field is within its range
    void accept() override;

    // shows the fifty-nine per-body fields of the record (motor inertias x 1e6)
    void afficheCorps(const DataDynRov* data);
    // copies the same fields back into the record; no other field is written
    void litCorps(DataDynRov* data);

protected:
    void changeEvent(QEvent* event) override;

private:
    Ui::DynRovDialog* ui;
};

#endif
