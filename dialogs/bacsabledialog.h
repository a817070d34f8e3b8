// The soil zones dialog (the sandbox): walks a zone list from its first zone,
// shows one zone at a time, appends zones, and writes the form into the
// shown zone on "Validation" only. The list belongs to the caller.
#ifndef KADMER_DIALOGS_BACSABLEDIALOG_H
#define KADMER_DIALOGS_BACSABLEDIALOG_H

#include <QDialog>

struct ZoneSol;
struct ZonesSol;
namespace Ui {
class BacSableDialog;
}

class BacSableDialog : public QDialog {
    Q_OBJECT

public:
    // edits the list (at least one zone), starting on its first zone
    BacSableDialog(ZonesSol* zones, QWidget* parent = nullptr);
    ~BacSableDialog() override;

    // shows the zone and the list's zone count; "Next zone" only when the
    // zone has a successor
    void afficheZone(const ZoneSol* zone);
    // copies the form into the zone (its name and tanPhi are left as they are)
    void litZone(ZoneSol* zone);
    // makes the list's first zone current and shows it; the owner calls it
    // whenever it has replaced the list's content
    void premiereZone();

protected:
    void changeEvent(QEvent* event) override;

private slots:
    void on_pushButton_valide_clicked();
    void on_pushButton_add_clicked();
    void on_pushButton_next_clicked();
    void on_pushButton_first_clicked();

private:
    Ui::BacSableDialog* ui;
    ZoneSol* courante;  // the zone shown, in the list
    ZonesSol* zones;    // the list being edited, owned by the caller
};

#endif
