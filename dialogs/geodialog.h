// The geometry dialog: track width, steering pivot inclination (shown in
// degrees) and the shape of the leg linkage.
#ifndef KADMER_DIALOGS_GEODIALOG_H
#define KADMER_DIALOGS_GEODIALOG_H

#include <QDialog>

struct DynRover;
namespace Ui {
class GeoDialog;
}

class GeoDialog : public QDialog {
    Q_OBJECT

public:
    // shows the three geometric settings of the rover (only read)
    GeoDialog(const DynRover* rover, QWidget* parent = nullptr);
    ~GeoDialog() override;

    // OK: closes only when every field is within its range
    void accept() override;

    // copies the form into the three settings, the inclination back to radians
    void litGeo(DynRover* rover);

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_checkBox_FlagQuadri_toggled(bool checked);

private:
    Ui::GeoDialog* ui;
};

#endif
