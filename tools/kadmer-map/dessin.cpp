#include "dessin.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "terrain/mnt.h"

namespace {

// margins around the map: axes and their labels on the left and below, the
// legend on the right
const int Gauche = 70, Bas = 60, Haut = 40, Droite = 230;

// a round step for n labels over a length
double pas_rond(double longueur, int n)
{
    const double brut = longueur / n;
    const double p = std::pow(10.0, std::floor(std::log10(brut)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * p >= brut)
            return m * p;
    return 10.0 * p;
}

} // namespace

unsigned couleur_cellule(float surs, int caps)
{
    if (surs == CarteNodata)
        return 0x00000000u;
    if (surs >= caps)
        return 0xff2ca02cu;  // every heading
    if (surs > 0)
        return 0xffffc020u;  // some
    return 0xffd62728u;      // none
}

std::string dessine_carte(const std::string& chemin, const Carte& carte, const Mnt* mnt, int caps)
{
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char nom[] = "kadmer-map";
        static char* argv[] = {nom, nullptr};
        app.reset(new QGuiApplication(argc, argv));
    }
    const CarteGrille& g = carte.g;
    // the larger side 800 pixels
    const double lx = g.nx * g.pas, ly = g.ny * g.pas;
    const double ppm = 800.0 / std::max(lx, ly);
    const int W = std::max(1, (int)std::lround(lx * ppm)), H = std::max(1, (int)std::lround(ly * ppm));
    QImage image(Gauche + W + Droite, Haut + H + Bas, QImage::Format_ARGB32);
    image.fill(Qt::white);

    // shaded relief: the terrain's normal lit from the north-west, one
    // sample per pixel
    QImage relief(W, H, QImage::Format_ARGB32);
    const double xw = g.x0 - 0.5 * g.pas, yn = g.y0 + 0.5 * g.pas;
    const double L[3] = {-0.5, 0.5, 0.7071};
    for (int py = 0; py < H; ++py)
        for (int px = 0; px < W; ++px) {
            const double x = xw + (px + 0.5) / ppm, y = yn - (py + 0.5) / ppm;
            double n[3];
            hauteur_mnt(mnt, x, y, n);
            // slopes exaggerated twice, so that gentle ground shows
            const double k = 1.0 / std::sqrt(4.0 * (n[0] * n[0] + n[1] * n[1]) + n[2] * n[2]);
            const double e = std::clamp(k * (2.0 * n[0] * L[0] + 2.0 * n[1] * L[1] + n[2] * L[2]), 0.0, 1.0);
            const int v = (int)std::lround(60 + 195 * e);
            // the cell's colour over the relief
            const int i = std::clamp((int)std::floor((x - xw) / g.pas), 0, g.nx - 1);
            const int j = std::clamp((int)std::floor((yn - y) / g.pas), 0, g.ny - 1);
            const unsigned c = couleur_cellule(carte.v[((size_t)CoucheCapsSurs * g.ny + j) * g.nx + i], caps);
            // the cells safe at no heading stand out over the relief
            const double a = !(c >> 24) ? 0.0 : c == 0xffd62728u ? 0.8 : 0.5;
            const int r = (int)std::lround((1 - a) * v + a * ((c >> 16) & 255));
            const int gg = (int)std::lround((1 - a) * v + a * ((c >> 8) & 255));
            const int b = (int)std::lround((1 - a) * v + a * (c & 255));
            relief.setPixel(px, py, qRgb(r, gg, b));
        }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(Gauche, Haut, relief);
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(Gauche, Haut, W, H);

    // axes in metres of the terrain frame
    QFont f = p.font();
    f.setPixelSize(13);
    p.setFont(f);
    const double pa = pas_rond(std::max(lx, ly), 6);
    for (double x = std::ceil(xw / pa) * pa; x <= xw + lx + 1e-9; x += pa) {
        const int px = Gauche + (int)std::lround((x - xw) * ppm);
        p.drawLine(px, Haut + H, px, Haut + H + 5);
        p.drawText(QRect(px - 40, Haut + H + 6, 80, 16), Qt::AlignHCenter, QString::number(x, 'g', 6));
    }
    for (double y = std::ceil((yn - ly) / pa) * pa; y <= yn + 1e-9; y += pa) {
        const int py = Haut + (int)std::lround((yn - y) * ppm);
        p.drawLine(Gauche - 5, py, Gauche, py);
        p.drawText(QRect(0, py - 8, Gauche - 8, 16), Qt::AlignRight | Qt::AlignVCenter, QString::number(y, 'g', 6));
    }
    p.drawText(QRect(Gauche, Haut + H + 26, W, 16), Qt::AlignHCenter, QStringLiteral("X (m)"));
    p.save();
    p.translate(14, Haut + H / 2);
    p.rotate(-90);
    p.drawText(QRect(-60, -8, 120, 16), Qt::AlignHCenter, QStringLiteral("Y (m)"));
    p.restore();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(Gauche, 8, W, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Carte de franchissabilité (%1 caps, cellules de %2 m)").arg(caps).arg(g.pas));
    f.setBold(false);
    f.setPixelSize(13);
    p.setFont(f);

    // legend
    const int lx0 = Gauche + W + 20;
    const struct {
        unsigned c;
        const char* texte;
    } legende[] = {{0xff2ca02cu, "sûr à tout cap"}, {0xffffc020u, "sûr à certains caps"},
                   {0xffd62728u, "sûr à aucun cap"}, {0x00000000u, "hors carte (bord)"}};
    int ly0 = Haut;
    for (const auto& l : legende) {
        p.setBrush(l.c >> 24 ? QColor::fromRgba(l.c) : QColor(200, 200, 200));
        p.drawRect(lx0, ly0, 18, 18);
        p.drawText(QRect(lx0 + 26, ly0, Droite - 40, 18), Qt::AlignVCenter, QString::fromUtf8(l.texte));
        ly0 += 28;
    }
    p.drawText(QRect(lx0, ly0, Droite - 30, 40), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("relief ombré, éclairé du nord-ouest"));

    // scale bar: the longest round length that fits the legend's column
    const double plafond = 180.0 / ppm;
    double s = std::pow(10.0, std::floor(std::log10(plafond)));
    if (5.0 * s <= plafond)
        s *= 5.0;
    else if (2.0 * s <= plafond)
        s *= 2.0;
    const int sw = (int)std::lround(s * ppm);
    const int sx = lx0, sy = Haut + H - 20;
    p.setBrush(Qt::black);
    p.drawRect(sx, sy, sw, 6);
    p.drawText(QRect(sx, sy - 20, std::max(sw, 100), 16), Qt::AlignLeft, QStringLiteral("%1 m").arg(s));
    p.drawText(QRect(lx0, sy - 70, 60, 40), Qt::AlignLeft, QStringLiteral("N ↑"));
    p.end();
    if (!image.save(QString::fromStdString(chemin), "PNG"))
        return "Image impossible a ecrire : " + chemin;
    return std::string();
}
