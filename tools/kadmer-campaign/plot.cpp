// Pictures of a campaign: a summary figure over one swept axis as a line, over
// two as a heat map, drawn by Qt Charts into a PNG (no window needed: any Qt
// platform, offscreen included).
#include <QApplication>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QLinearGradient>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <cmath>

#include "collect.h"

QT_CHARTS_USE_NAMESPACE

namespace campaign {

namespace {

const int Width = 900, Height = 620;

// a perceptually ordered scale, dark blue to yellow, for t in [0, 1]
QColor scale_colour(double t)
{
    static const double stops[][3] = {{68, 1, 84},    {59, 82, 139},  {33, 145, 140},
                                      {94, 201, 98},  {253, 231, 37}};
    t = std::min(1.0, std::max(0.0, t)) * 4.0;
    int i = std::min(3, (int)t);
    double f = t - i;
    return QColor::fromRgb((int)std::lround(stops[i][0] + f * (stops[i + 1][0] - stops[i][0])),
                           (int)std::lround(stops[i][1] + f * (stops[i + 1][1] - stops[i][1])),
                           (int)std::lround(stops[i][2] + f * (stops[i + 1][2] - stops[i][2])));
}

QString number_text(double v)
{
    return std::isfinite(v) ? QString::number(v, 'g', 4) : QStringLiteral("-");
}

// lays the chart out at the picture's size without showing the view, so the
// cell centres are known before the picture is taken
void settle(QChartView& view)
{
    view.resize(Width, Height);
    view.scene()->setSceneRect(0, 0, Width, Height);
    view.chart()->resize(Width, Height);
    for (int k = 0; k < 3; ++k)
        QApplication::processEvents();
}

// an axis of labelled cells centred on 0, 1, 2...
QCategoryAxis* cell_axis(const std::vector<std::string>& labels, const QString& title)
{
    auto* a = new QCategoryAxis;
    a->setStartValue(-0.5);
    for (size_t k = 0; k < labels.size(); ++k)
        a->append(QString::fromStdString(labels[k]), k + 0.5);
    a->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    a->setRange(-0.5, labels.size() - 0.5);
    a->setTitleText(title);
    a->setGridLineVisible(false);
    a->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    return a;
}

void line_chart(QChart* chart, const Grid& g)
{
    bool numeric = !g.xNum.empty();
    size_t lines = std::max<size_t>(1, g.y.size());
    double lo = INFINITY, hi = -INFINITY;
    std::vector<QXYSeries*> all;
    for (size_t j = 0; j < lines; ++j) {
        auto* line = new QLineSeries;
        auto* dots = new QScatterSeries;
        dots->setMarkerSize(9);
        QString name = g.y.empty() ? QString() : QString::fromStdString(g.y[j]);
        line->setName(name);
        for (size_t i = 0; i < g.x.size(); ++i) {
            double v = g.v[j * g.x.size() + i];
            double x = numeric ? g.xNum[i] : (double)i;
            if (!std::isfinite(v))
                continue;
            line->append(x, v);
            dots->append(x, v);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        chart->addSeries(line);
        chart->addSeries(dots);
        dots->setColor(line->color());
        chart->legend()->markers(dots).first()->setVisible(false);
        all.push_back(line);
        all.push_back(dots);
    }
    QString xTitle = QString::fromStdString(g.xName[0]);
    QAbstractAxis* ax;
    if (numeric) {
        auto* v = new QValueAxis;
        double a = *std::min_element(g.xNum.begin(), g.xNum.end());
        double b = *std::max_element(g.xNum.begin(), g.xNum.end());
        double pad = b > a ? 0.05 * (b - a) : 1.0;
        v->setRange(a - pad, b + pad);
        v->applyNiceNumbers();
        v->setTitleText(xTitle);
        ax = v;
    } else {
        ax = cell_axis(g.x, xTitle);
    }
    auto* ay = new QValueAxis;
    if (!(lo <= hi)) {
        lo = 0;
        hi = 1;
    }
    double pad = hi > lo ? 0.08 * (hi - lo) : std::max(1e-9, 0.1 * std::fabs(hi));
    ay->setRange(lo - pad, hi + pad);
    ay->applyNiceNumbers();
    ay->setTitleText(QString::fromStdString(g.figure));
    chart->addAxis(ax, Qt::AlignBottom);
    chart->addAxis(ay, Qt::AlignLeft);
    for (QXYSeries* s : all) {
        s->attachAxis(ax);
        s->attachAxis(ay);
    }
    if (g.y.empty())
        chart->legend()->hide();
    else
        chart->legend()->setAlignment(Qt::AlignBottom);
}

void heat_chart(QChartView& view, QChart* chart, const Grid& g)
{
    size_t nx = g.x.size(), ny = g.y.size();
    double lo = INFINITY, hi = -INFINITY;
    for (double v : g.v)
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    auto* ax = cell_axis(g.x, QString::fromStdString(g.xName[0]));
    auto* ay = cell_axis(g.y, QString::fromStdString(g.yName[0]));
    chart->addAxis(ax, Qt::AlignBottom);
    chart->addAxis(ay, Qt::AlignLeft);
    // one filled square per cell
    for (size_t j = 0; j < ny; ++j)
        for (size_t i = 0; i < nx; ++i) {
            double v = g.v[j * nx + i];
            auto* up = new QLineSeries;
            auto* down = new QLineSeries;
            up->append(i - 0.5, j + 0.5);
            up->append(i + 0.5, j + 0.5);
            down->append(i - 0.5, j - 0.5);
            down->append(i + 0.5, j - 0.5);
            auto* cell = new QAreaSeries(up, down);
            QColor c = std::isfinite(v) ? scale_colour(hi > lo ? (v - lo) / (hi - lo) : 0.5)
                                        : QColor(200, 200, 200);
            cell->setBrush(c);
            cell->setPen(QPen(Qt::white, 1));
            chart->addSeries(cell);
            cell->attachAxis(ax);
            cell->attachAxis(ay);
        }
    chart->legend()->hide();
    chart->setMargins(QMargins(10, 10, 140, 10));
    settle(view);

    // the values written in their cells, dark on light cells and light on dark
    QAbstractSeries* ref = chart->series().first();
    for (size_t j = 0; j < ny; ++j)
        for (size_t i = 0; i < nx; ++i) {
            double v = g.v[j * nx + i];
            auto* t = new QGraphicsSimpleTextItem(number_text(v), chart);
            double lum = std::isfinite(v) && hi > lo ? (v - lo) / (hi - lo) : 1.0;
            t->setBrush(lum > 0.6 ? Qt::black : Qt::white);
            t->setZValue(100);
            QPointF p = chart->mapToPosition(QPointF((double)i, (double)j), ref);
            QRectF b = t->boundingRect();
            t->setPos(p.x() - b.width() / 2, p.y() - b.height() / 2);
        }
    // the colour scale, to the right of the cells
    QRectF area = chart->plotArea();
    QRectF bar(area.right() + 30, area.top(), 22, area.height());
    QLinearGradient grad(bar.bottomLeft(), bar.topLeft());
    for (int k = 0; k <= 8; ++k)
        grad.setColorAt(k / 8.0, scale_colour(k / 8.0));
    auto* r = new QGraphicsRectItem(bar, chart);
    r->setBrush(grad);
    r->setPen(QPen(Qt::black, 1));
    auto* top = new QGraphicsSimpleTextItem(number_text(hi), chart);
    top->setPos(bar.right() + 4, bar.top() - 6);
    auto* bottom = new QGraphicsSimpleTextItem(number_text(lo), chart);
    bottom->setPos(bar.right() + 4, bar.bottom() - 10);
}

} // namespace

std::string plot_png(const Grid& g, const std::string& path)
{
    if (!QApplication::instance())
        return "trace impossible sans application Qt";
    auto* chart = new QChart;
    QChartView view(chart);  // owns the chart
    view.setRenderHint(QPainter::Antialiasing);
    view.setBackgroundBrush(Qt::white);
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundRoundness(0);
    QString title = QString::fromStdString(g.figure);
    if (g.yName.empty())
        title += QString(" selon %1").arg(QString::fromStdString(g.xName[0]));
    else
        title += QString(" selon %1 et %2")
                     .arg(QString::fromStdString(g.xName[0]), QString::fromStdString(g.yName[0]));
    // the mean of a plan's 0 or 1 is the share of plans that reached their end
    title += g.figure == "plan_succes" ? " (part des plans menes a leur fin)" : " (moyenne des cas reussis)";
    chart->setTitle(title);
    if (g.yName.empty()) {
        line_chart(chart, g);
        settle(view);
    } else {
        heat_chart(view, chart, g);
    }
    QPixmap pix = view.grab();
    if (pix.isNull() || !pix.save(QString::fromStdString(path), "PNG"))
        return path + " : image impossible a ecrire";
    return "";
}

} // namespace campaign
