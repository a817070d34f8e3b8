#include "tools/kadmer-sim/carte.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "terrain/mnt.h"

namespace {

// a round step near span / n: 1, 2 or 5 times a power of ten
double pas_rond(double span, int n)
{
    const double brut = span / n;
    const double p = std::pow(10.0, std::floor(std::log10(brut)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * p >= brut)
            return m * p;
    return 10.0 * p;
}

// slip 0 green, 0.2 yellow, 0.4 and over red; below 0 (skid) as 0
QColor couleur_glissement(double g)
{
    const double t = std::max(0.0, std::min(1.0, std::isfinite(g) ? g / 0.4 : 0.0));
    return t < 0.5 ? QColor::fromRgbF(2 * t, 0.75, 0.0) : QColor::fromRgbF(1.0, 0.75 * (2 - 2 * t), 0.0);
}

QString texte_nombre(double x)
{
    return QString::number(std::fabs(x) < 1e-9 ? 0.0 : x, 'g', 6);
}

} // namespace

std::string carte_png(const Carte& c, const std::string& path)
{
    if (!QGuiApplication::instance())
        return "carte impossible sans application Qt";
    const Mnt* m = c.mnt;
    const double x0 = m->Xmin, x1 = m->Xmax, y0 = m->Ymin, y1 = m->Ymax;
    // the plot: 800 px on its longer side, metres to pixels alike on both axes
    const double echelle = 800.0 / std::max(x1 - x0, y1 - y0);
    const int W = (int)std::lround((x1 - x0) * echelle), H = (int)std::lround((y1 - y0) * echelle);
    const int gauche = 70, haut = 60, droite = 330, bas = 60;
    QImage img(gauche + W + droite, haut + H + bas, QImage::Format_RGB32);
    img.fill(Qt::white);
    auto px = [&](double x, double y) {
        return QPointF(gauche + (x - x0) * echelle, haut + (y1 - y) * echelle);
    };

    // ---- shaded relief: light from the north-west, 45 degrees up
    double zmin = 1e300, zmax = -1e300;
    for (int k = 0; k < m->nx * m->ny; ++k)
        zmin = std::min(zmin, m->h[k]), zmax = std::max(zmax, m->h[k]);
    const double L[3] = {-0.5, 0.5, 0.7071067811865476};
    for (int j = 0; j < H; ++j)
        for (int i = 0; i < W; ++i) {
            const double x = x0 + (i + 0.5) / echelle, y = y1 - (j + 0.5) / echelle;
            double n[3];
            const double z = hauteur_mnt(m, x, y, n);
            const double ombre = std::max(0.0, n[0] * L[0] + n[1] * L[1] + n[2] * L[2]);
            const double t = zmax > zmin ? (z - zmin) / (zmax - zmin) : 0.5;
            // low ground sand, high ground brown, darkened by the shade
            const double r = (0.93 - 0.25 * t) * (0.45 + 0.55 * ombre);
            const double g = (0.87 - 0.35 * t) * (0.45 + 0.55 * ombre);
            const double b = (0.72 - 0.40 * t) * (0.45 + 0.55 * ombre);
            img.setPixel(gauche + i, haut + j, QColor::fromRgbF(std::min(1.0, r), std::min(1.0, g), std::min(1.0, b)).rgb());
        }

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(QRect(gauche, haut, W, H));

    // ---- contour lines over the grid cells (marching squares)
    double equidistance = 0.0;
    if (zmax - zmin > 1e-6) {
        equidistance = pas_rond(zmax - zmin, 10);
        p.setPen(QPen(QColor(90, 60, 30, 160), 0.8));
        auto noeud = [&](int i, int j) { return m->h[i * m->ny + j]; };
        for (double z = std::ceil(zmin / equidistance) * equidistance; z <= zmax; z += equidistance)
            for (int i = 0; i + 1 < m->nx; ++i)
                for (int j = 0; j + 1 < m->ny; ++j) {
                    const double X[4] = {x0 + i * m->dx, x0 + (i + 1) * m->dx, x0 + (i + 1) * m->dx, x0 + i * m->dx};
                    const double Y[4] = {y0 + j * m->dy, y0 + j * m->dy, y0 + (j + 1) * m->dy, y0 + (j + 1) * m->dy};
                    const double h[4] = {noeud(i, j), noeud(i + 1, j), noeud(i + 1, j + 1), noeud(i, j + 1)};
                    QPointF q[4];
                    int n = 0;
                    for (int e = 0; e < 4 && n < 4; ++e) {
                        const double a = h[e] - z, b = h[(e + 1) % 4] - z;
                        if ((a < 0) != (b < 0)) {
                            const double s = a / (a - b);
                            q[n++] = px(X[e] + s * (X[(e + 1) % 4] - X[e]), Y[e] + s * (Y[(e + 1) % 4] - Y[e]));
                        }
                    }
                    if (n >= 2)
                        p.drawLine(q[0], q[1]);
                    if (n == 4)
                        p.drawLine(q[2], q[3]);
                }
    }

    // ---- keep-out circles
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.setBrush(QColor(220, 0, 0, 70));
    for (int k = 0; k < c.plan->nbZones; ++k) {
        const ZoneInterdite& z = c.plan->zones[k];
        p.drawEllipse(px(z.x, z.y), z.rayon * echelle, z.rayon * echelle);
    }
    p.setBrush(Qt::NoBrush);

    // ---- waypoints and their tolerance circles
    p.setPen(QPen(QColor(150, 0, 170), 1.5));
    for (int k = 0; k < c.plan->nbCommandes; ++k) {
        const CommandePlan& cmd = c.plan->commandes[k];
        if (cmd.type != PlanPoint)
            continue;
        const QPointF q = px(cmd.x, cmd.y);
        p.drawEllipse(q, cmd.tolerance * echelle, cmd.tolerance * echelle);
        p.drawLine(q + QPointF(-6, 0), q + QPointF(6, 0));
        p.drawLine(q + QPointF(0, -6), q + QPointF(0, 6));
        p.drawText(q + QPointF(8, -8), QString("%1").arg(k + 1));
    }

    // ---- the executed path coloured by slip
    for (size_t k = 3; k + 2 < c.fait.size(); k += 3) {
        p.setPen(QPen(couleur_glissement(c.fait[k + 2]), 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(px(c.fait[k - 3], c.fait[k - 2]), px(c.fait[k], c.fait[k + 1]));
    }
    // ---- the planned path, dashed over the executed one
    if (c.prevu.size() >= 4) {
        QPainterPath chemin(px(c.prevu[0], c.prevu[1]));
        for (size_t k = 2; k + 1 < c.prevu.size(); k += 2)
            chemin.lineTo(px(c.prevu[k], c.prevu[k + 1]));
        p.setPen(QPen(QColor(20, 60, 220), 1.5, Qt::DashLine));
        p.drawPath(chemin);
    }
    // the start and the end
    if (c.fait.size() >= 3) {
        p.setPen(QPen(Qt::black, 1.5));
        p.setBrush(Qt::white);
        p.drawEllipse(px(c.fait[0], c.fait[1]), 5, 5);
        const QPointF fin = px(c.fait[c.fait.size() - 3], c.fait[c.fait.size() - 2]);
        p.setPen(QPen(c.arret.empty() ? Qt::black : QColor(200, 0, 0), 3));
        p.drawLine(fin + QPointF(-7, -7), fin + QPointF(7, 7));
        p.drawLine(fin + QPointF(-7, 7), fin + QPointF(7, -7));
        p.setBrush(Qt::NoBrush);
    }
    p.setClipping(false);

    // ---- frame, axes in metres, north arrow, scale bar
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(QRectF(gauche, haut, W, H));
    QFont f = p.font();
    f.setPixelSize(12);
    p.setFont(f);
    const double graduation = pas_rond(std::max(x1 - x0, y1 - y0), 8);
    for (double x = std::ceil(x0 / graduation) * graduation; x <= x1 + 1e-9; x += graduation) {
        const QPointF q = px(x, y0);
        p.drawLine(q, q + QPointF(0, 5));
        p.drawText(QRectF(q.x() - 30, q.y() + 6, 60, 16), Qt::AlignCenter, texte_nombre(x));
    }
    for (double y = std::ceil(y0 / graduation) * graduation; y <= y1 + 1e-9; y += graduation) {
        const QPointF q = px(x0, y);
        p.drawLine(q, q - QPointF(5, 0));
        p.drawText(QRectF(q.x() - 66, q.y() - 8, 58, 16), Qt::AlignRight | Qt::AlignVCenter, texte_nombre(y));
    }
    p.drawText(QRectF(gauche, haut + H + 24, W, 18), Qt::AlignCenter, "X (m)");
    p.save();
    p.translate(16, haut + H / 2.0);
    p.rotate(-90);
    p.drawText(QRectF(-40, -9, 80, 18), Qt::AlignCenter, "Y (m)");
    p.restore();
    // north up
    const QPointF nord(gauche + W - 25, haut + 45);
    QPolygonF fleche;
    fleche << nord + QPointF(0, -25) << nord + QPointF(-8, 0) << nord + QPointF(8, 0);
    p.setBrush(Qt::black);
    p.drawPolygon(fleche);
    p.setBrush(Qt::NoBrush);
    p.drawText(QRectF(nord.x() - 10, nord.y() + 2, 20, 16), Qt::AlignCenter, "N");
    // scale bar, a fifth of the width, black and white halves
    const double barre = pas_rond((x1 - x0) / 5.0, 1);
    const QPointF b0(gauche + 20, haut + H - 25);
    p.setBrush(Qt::black);
    p.drawRect(QRectF(b0, QSizeF(barre * echelle / 2, 6)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(b0 + QPointF(barre * echelle / 2, 0), QSizeF(barre * echelle / 2, 6)));
    p.setBrush(Qt::NoBrush);
    p.drawText(QRectF(b0.x(), b0.y() - 18, barre * echelle, 16), Qt::AlignCenter,
               texte_nombre(barre) + " m");

    // ---- title and legend
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(gauche, 8, W + droite - 10, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromStdString(c.titre));
    f.setPixelSize(12);
    f.setBold(false);
    p.setFont(f);
    if (!c.arret.empty())
        p.drawText(QRectF(gauche, 30, W + droite - 10, 22), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromStdString(c.arret));
    double ly = haut + 10;
    const double lx = gauche + W + 20;
    auto ligne = [&](const QPen& pen, const QString& t) {
        p.setPen(pen);
        p.drawLine(QPointF(lx, ly + 8), QPointF(lx + 30, ly + 8));
        p.setPen(Qt::black);
        p.drawText(QRectF(lx + 38, ly, droite - 60, 16), Qt::AlignLeft | Qt::AlignVCenter, t);
        ly += 22;
    };
    ligne(QPen(QColor(20, 60, 220), 1.5, Qt::DashLine), QString::fromUtf8("chemin prévu"));
    for (double g : {0.0, 0.2, 0.4})
        ligne(QPen(couleur_glissement(g), 4), QString("chemin parcouru, glissement %1%2")
                                                 .arg(g)
                                                 .arg(g >= 0.4 ? " et plus" : ""));
    p.setPen(QPen(QColor(200, 0, 0), 2));
    p.setBrush(QColor(220, 0, 0, 70));
    p.drawEllipse(QPointF(lx + 15, ly + 8), 7, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.drawText(QRectF(lx + 38, ly, droite - 60, 16), Qt::AlignLeft | Qt::AlignVCenter, "zone interdite");
    ly += 22;
    p.setPen(QPen(QColor(150, 0, 170), 1.5));
    p.drawEllipse(QPointF(lx + 15, ly + 8), 7, 7);
    p.setPen(Qt::black);
    p.drawText(QRectF(lx + 38, ly, droite - 60, 16), Qt::AlignLeft | Qt::AlignVCenter,
               "point et tolerance");
    ly += 22;
    p.drawEllipse(QPointF(lx + 15, ly + 8), 5, 5);
    p.drawText(QRectF(lx + 38, ly, droite - 60, 16), Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8("départ"));
    ly += 22;
    p.setPen(QPen(c.arret.empty() ? Qt::black : QColor(200, 0, 0), 3));
    p.drawLine(QPointF(lx + 9, ly + 2), QPointF(lx + 21, ly + 14));
    p.drawLine(QPointF(lx + 9, ly + 14), QPointF(lx + 21, ly + 2));
    p.setPen(Qt::black);
    p.drawText(QRectF(lx + 38, ly, droite - 60, 16), Qt::AlignLeft | Qt::AlignVCenter,
               c.arret.empty() ? QString::fromUtf8("fin du plan") : QString::fromUtf8("arrêt"));
    ly += 22;
    p.setPen(QPen(QColor(90, 60, 30, 160), 0.8));
    p.drawLine(QPointF(lx, ly + 8), QPointF(lx + 30, ly + 8));
    p.setPen(Qt::black);
    p.drawText(QRectF(lx + 38, ly, droite - 60, 16), Qt::AlignLeft | Qt::AlignVCenter,
               equidistance > 0 ? QString("courbes tous les %1 m").arg(texte_nombre(equidistance))
                                : QString("terrain plat"));
    p.end();

    const std::string tmp = path + ".tmp.png";
    if (!img.save(QString::fromStdString(tmp), "PNG") || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return path + " : carte impossible a ecrire";
    }
    return "";
}
