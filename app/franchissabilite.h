// The traversability map of the current terrain, computed for the view in a
// background thread behind a progress dialog that cancels it: a copy of the
// terrain and of the rover are taken at the start, so that the view and the
// piloting go on meanwhile.
#ifndef KADMER_APP_FRANCHISSABILITE_H
#define KADMER_APP_FRANCHISSABILITE_H

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "carte.h"
#include "terrain/mnt.h"

class QProgressDialog;
class QTimer;
class QWidget;

class Franchissabilite : public QObject {
    Q_OBJECT

public:
    explicit Franchissabilite(QWidget* parent);
    ~Franchissabilite() override;

    // starts the map of mnt for the rover (8 headings, the default limits, a
    // cell per node); false when one is being computed or the copy fails
    bool lance(const Mnt* mnt, const DynRover* rover);
    bool enCours() const { return fil.joinable(); }
    // stops the computation, if any, and waits for its threads
    void arrete();

    // the map once finie(true) was sent
    const Carte& carte() const { return resultat; }
    const std::string& message() const { return pourquoi; }
    // the heights of the terrain the map was started on: a terrain built
    // since then has others
    const double* terrain() const { return source; }

signals:
    // the computation ended: ok false when it was cancelled or failed
    void finie(bool ok);

private:
    void suit();

    QWidget* parent;
    QProgressDialog* dialogue = nullptr;
    QTimer* minuterie;
    std::thread fil;
    std::atomic<bool> stop{false}, fini{false};
    std::atomic<long> faits{0}, total{1};
    Mnt copie = {};
    const double* source = nullptr;
    DynRover* rover = nullptr;
    Carte resultat;
    std::string pourquoi;
};

#endif
