// The rig's curves: two charts side by side in one picture.
#include "courbes.h"

#include <cmath>
#include <cstdio>

#include <QApplication>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegend>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

using namespace QtCharts;

namespace {

// the offscreen platform's note that it ignores size hints says nothing to
// the rig's user
void filtre(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    if (msg.contains(QLatin1String("propagateSizeHints"))) return;
    qt_message_output(type, ctx, msg);
}

QLineSeries* serie(const QString& nom, const QColor& couleur, bool tirets, double largeur = 2.0)
{
    QLineSeries* s = new QLineSeries;
    s->setName(nom);
    QPen pen(couleur);
    pen.setWidthF(largeur);
    if (tirets) pen.setStyle(Qt::DashLine);
    s->setPen(pen);
    s->setPointsVisible(!tirets && largeur <= 2.0);
    return s;
}

void ajoute(QLineSeries* s, double x, double y)
{
    if (std::isfinite(x) && std::isfinite(y)) s->append(x, y);
}

// a chart of the series against slip, its axes fitted to the data
QChartView* graphique(const QString& titre, const QString& axeY, const QList<QLineSeries*>& series)
{
    QChart* c = new QChart;
    c->setTitle(titre);
    c->legend()->setAlignment(Qt::AlignRight);
    c->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    double x0 = INFINITY, x1 = -INFINITY, y0 = 0.0, y1 = -INFINITY;
    for (QLineSeries* s : series) {
        if (s->count() == 0) {
            delete s;
            continue;
        }
        c->addSeries(s);
        for (const QPointF& p : s->points()) {
            x0 = std::fmin(x0, p.x());
            x1 = std::fmax(x1, p.x());
            y0 = std::fmin(y0, p.y());
            y1 = std::fmax(y1, p.y());
        }
    }
    if (!(x1 > x0)) x0 -= 0.05, x1 += 0.05;
    if (!(y1 > y0)) y1 = y0 + 1.0;
    QValueAxis* ax = new QValueAxis;
    ax->setTitleText(QString::fromUtf8("Glissement i"));
    ax->setRange(x0, x1);
    ax->applyNiceNumbers();
    QValueAxis* ay = new QValueAxis;
    ay->setTitleText(axeY);
    ay->setRange(y0, y1 + 0.05 * (y1 - y0));
    ay->applyNiceNumbers();
    c->addAxis(ax, Qt::AlignBottom);
    c->addAxis(ay, Qt::AlignLeft);
    for (QAbstractSeries* s : c->series()) {
        s->attachAxis(ax);
        s->attachAxis(ay);
    }
    QChartView* v = new QChartView(c);
    v->setRenderHint(QPainter::Antialiasing);
    return v;
}

}  // namespace

const char* traceCourbes(const char* png, const char* titre, const std::vector<LigneCourbe>& lignes,
                         bool reference, int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(filtre);
    QApplication app(argc, argv);

    const QColor bleu(31, 119, 180), orange(255, 127, 14), vert(44, 160, 44);
    // the model's torque ratio can equal its pull ratio (a law that acts at
    // the contact point): the pull is drawn wide under the torque
    QLineSeries* dp = serie(QString::fromUtf8("DP/W"), bleu, false, 6.0);
    QLineSeries* t = serie(QString::fromUtf8("T/(W·r)"), orange, false, 2.0);
    QLineSeries* z = serie(QString::fromUtf8("modèle"), vert, false);
    QLineSeries* dpr = serie(QString::fromUtf8("DP/W classique"), bleu, true);
    QLineSeries* tr = serie(QString::fromUtf8("T/(W·r) classique"), orange, true);
    QLineSeries* zr = serie(QString::fromUtf8("classique"), vert, true);
    QLineSeries* dpm = serie(QString::fromUtf8("DP/W macro"), bleu, true, 1.5);
    QLineSeries* tm = serie(QString::fromUtf8("T/(W·r) macro"), orange, true, 1.5);
    QLineSeries* zm = serie(QString::fromUtf8("macro"), vert, true, 1.5);
    for (QLineSeries* m : {dpm, tm, zm}) {
        QPen pen = m->pen();
        pen.setStyle(Qt::DotLine);
        m->setPen(pen);
    }
    for (const LigneCourbe& l : lignes) {
        ajoute(dpm, l.slip, l.macroDPW);
        ajoute(tm, l.slip, l.macroTWr);
        ajoute(zm, l.slip, 1000.0 * l.macroSinkage);
        ajoute(dp, l.slip, l.DPW);
        ajoute(t, l.slip, l.TWr);
        ajoute(z, l.slip, 1000.0 * l.sinkage);
        if (reference) {
            ajoute(dpr, l.slip, l.refDPW);
            ajoute(tr, l.slip, l.refTWr);
            ajoute(zr, l.slip, 1000.0 * l.refSinkage);
        }
    }

    QWidget fenetre;
    fenetre.resize(1500, 560);
    QHBoxLayout* lay = new QHBoxLayout(&fenetre);
    lay->setContentsMargins(0, 0, 0, 0);
    QChartView* gauche = graphique(QString::fromUtf8("Traction et couple — ") + QString::fromUtf8(titre),
                                   QString::fromUtf8("DP/W, T/(W·r)"), {dp, t, dpr, tr, dpm, tm});
    QChartView* droite = graphique(QString::fromUtf8("Enfoncement"), QString::fromUtf8("enfoncement (mm)"),
                                   {z, zr, zm});
    lay->addWidget(gauche, 3);
    lay->addWidget(droite, 2);
    fenetre.setAttribute(Qt::WA_DontShowOnScreen);
    fenetre.show();
    app.processEvents();

    QImage image(fenetre.size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    fenetre.render(&p);
    p.end();
    static char message[512];
    if (!image.save(QString::fromLocal8Bit(png), "PNG")) {
        std::snprintf(message, sizeof message, "image \"%s\" impossible a ecrire", png);
        return message;
    }
    return nullptr;
}
