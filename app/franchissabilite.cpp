#include "app/franchissabilite.h"

#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <cstring>

Franchissabilite::Franchissabilite(QWidget* parent) : QObject(parent), parent(parent)
{
    minuterie = new QTimer(this);
    minuterie->setInterval(100);
    connect(minuterie, &QTimer::timeout, this, [this] { suit(); });
}

Franchissabilite::~Franchissabilite()
{
    arrete();
    libere_mnt(&copie);
    std::free(rover);
}

bool Franchissabilite::lance(const Mnt* mnt, const DynRover* modele)
{
    if (enCours() || !mnt || !mnt->h)
        return false;
    // the grid's heights as they stand: coefficient and bumps already in them
    libere_mnt(&copie);
    defauts_mnt(&copie);
    copie.coefH = 1.0;
    copie.hBosses = 0.0;
    copie.Xmin = mnt->Xmin;
    copie.Xmax = mnt->Xmax;
    copie.Ymin = mnt->Ymin;
    copie.Ymax = mnt->Ymax;
    if (new_mnt_grille(&copie, mnt->h, mnt->nx, mnt->ny) != 0)
        return false;
    source = mnt->h;
    if (!rover)
        rover = static_cast<DynRover*>(std::malloc(sizeof(DynRover)));
    if (!rover)
        return false;
    std::memcpy(rover, modele, sizeof(DynRover));
    rover->fresults = nullptr;
    rover->fdata = nullptr;

    stop = false;
    fini = false;
    faits = 0;
    total = 1;
    pourquoi.clear();
    dialogue = new QProgressDialog(QString::fromUtf8("Carte de franchissabilité…"), QString::fromUtf8("Annuler"),
                                   0, 1000, parent);
    dialogue->setWindowModality(Qt::NonModal);
    dialogue->setMinimumDuration(0);
    dialogue->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(dialogue, &QProgressDialog::canceled, this, [this] { stop = true; });
    dialogue->show();
    fil = std::thread([this] {
        CarteReglages r;
        pourquoi = carte_calcule(rover, &copie, r, &resultat, [this](long a, long b) {
            faits = a;
            total = b;
            return !stop;
        });
        fini = true;
    });
    minuterie->start();
    return true;
}

void Franchissabilite::arrete()
{
    stop = true;
    if (fil.joinable())
        fil.join();
    minuterie->stop();
    if (dialogue) {
        dialogue->deleteLater();
        dialogue = nullptr;
    }
}

void Franchissabilite::suit()
{
    if (dialogue && total > 0)
        dialogue->setValue((int)(1000 * faits / total));
    if (!fini)
        return;
    fil.join();
    minuterie->stop();
    if (dialogue) {
        dialogue->deleteLater();
        dialogue = nullptr;
    }
    emit finie(pourquoi.empty() && !stop);
}
