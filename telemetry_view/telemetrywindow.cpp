#include "telemetry_view/telemetrywindow.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <cmath>

#include "app/modal.h"

using namespace QtCharts;

namespace {

const double RadToDeg = 57.29577951308232;

// one colour per wheel, the same on every chart and on its tick box
const QColor WheelColour[NB_CHAINES] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                        QColor(0x2c, 0xa0, 0x2c), QColor(0xff, 0x7f, 0x0e),
                                        QColor(0x94, 0x67, 0xbd), QColor(0x8c, 0x56, 0x4b)};

// chart titles: four per wheel, then four of the rover
const char* const Titles[8] = {"Glissement",          "Enfoncement (m)", "Couple roue (N.m)",
                               "Puissance (W)",       "Vitesse (m/s)",   "Tangage (°)",
                               "Roulis (°)",          "Marge de basculement (°)"};

// CSV column names of the charts, as in kadmer-sim's telemetry file
const char* const WheelColumns[4] = {"slip_%1", "sinkage_%1_m", "Twheel_%1_Nm", "P_%1_W"};
const char* const RoverColumns[4] = {"speed_m_s", "pitch_deg", "roll_deg", "tip_margin_deg"};

QString cell(double v)
{
    return std::isfinite(v) ? QString::number(v, 'g', 6) : QString();
}

} // namespace

TelemetryWindow::TelemetryWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QString::fromUtf8("Télémétrie"));

    QHBoxLayout* wheels = new QHBoxLayout;
    wheels->addWidget(new QLabel(tr("Roues :")));
    for (int c = 0; c < NB_CHAINES; ++c) {
        wheelBoxes[c] = new QCheckBox(QString::fromLatin1(nomChaine[c]));
        wheelBoxes[c]->setChecked(true);
        wheelBoxes[c]->setStyleSheet(QString("QCheckBox { color: %1; font-weight: bold; }")
                                         .arg(WheelColour[c].name()));
        connect(wheelBoxes[c], &QCheckBox::toggled, this, [this, c](bool on) {
            for (int k = 0; k < 4; ++k)
                series[k][c]->setVisible(on);
            refresh();
        });
        wheels->addWidget(wheelBoxes[c]);
    }
    wheels->addStretch();
    csvButton = new QPushButton(tr("Exporter CSV"));
    csvButton->setObjectName("csvButton");
    pngButton = new QPushButton(tr("Exporter PNG"));
    pngButton->setObjectName("pngButton");
    wheels->addWidget(csvButton);
    wheels->addWidget(pngButton);

    chartArea = new QWidget;
    QGridLayout* grid = new QGridLayout(chartArea);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    QFont titleFont;
    titleFont.setPointSize(9);
    titleFont.setBold(true);
    QFont labelFont;
    labelFont.setPointSize(7);
    for (int k = 0; k < 8; ++k) {
        QChart* chart = new QChart;
        charts[k] = chart;
        chart->setTitle(QString::fromUtf8(Titles[k]));
        chart->setTitleFont(titleFont);
        chart->legend()->hide();
        chart->setAnimationOptions(QChart::NoAnimation);
        chart->setMargins(QMargins(2, 2, 2, 2));
        chart->layout()->setContentsMargins(0, 0, 0, 0);
        chart->setBackgroundRoundness(0);
        xAxes[k] = new QValueAxis;
        yAxes[k] = new QValueAxis;
        xAxes[k]->setLabelFormat("%.0f");
        xAxes[k]->setLabelsFont(labelFont);
        yAxes[k]->setLabelFormat("%.4g");
        yAxes[k]->setLabelsFont(labelFont);
        xAxes[k]->setTickCount(5);
        yAxes[k]->setTickCount(5);
        xAxes[k]->setRange(0.0, Window);
        yAxes[k]->setRange(-1.0, 1.0);
        chart->addAxis(xAxes[k], Qt::AlignBottom);
        chart->addAxis(yAxes[k], Qt::AlignLeft);
        int n = k < 4 ? NB_CHAINES : 1;
        for (int s = 0; s < NB_CHAINES; ++s) {
            series[k][s] = nullptr;
            if (s >= n)
                continue;
            QLineSeries* line = new QLineSeries;
            line->setName(k < 4 ? QString::fromLatin1(nomChaine[s]) : chart->title());
            QPen pen(k < 4 ? WheelColour[s] : QColor(0x20, 0x20, 0x20));
            pen.setWidthF(1.5);
            line->setPen(pen);
            chart->addSeries(line);
            line->attachAxis(xAxes[k]);
            line->attachAxis(yAxes[k]);
            series[k][s] = line;
        }
        QChartView* view = new QChartView(chart);
        view->setRenderHint(QPainter::Antialiasing, false);
        view->setMinimumSize(300, 160);
        grid->addWidget(view, k / 2, k % 2);
    }

    QVBoxLayout* layout = new QVBoxLayout(this);
    layout->addLayout(wheels);
    layout->addWidget(chartArea, 1);
    resize(960, 760);

    // the ticks come every period; the charts are redrawn at most every
    // RedrawMs, once more after the last tick so that a pause shows it
    redraw = new QTimer(this);
    redraw->setSingleShot(true);
    redraw->setInterval(RedrawMs);
    connect(redraw, &QTimer::timeout, this, &TelemetryWindow::refresh);

    QMetaObject::connectSlotsByName(this);
}

void TelemetryWindow::addSample(const Telemetry& tel)
{
    if (!samples.empty() && tel.t < samples.back().t)
        samples.clear();
    Sample s;
    s.t = tel.t;
    for (int c = 0; c < NB_CHAINES; ++c) {
        const TelemetryWheel& w = tel.wheel[c];
        s.wheel[0][c] = w.slip;
        s.wheel[1][c] = w.sinkage;
        s.wheel[2][c] = w.Twheel;
        s.wheel[3][c] = w.power;
    }
    s.rover[0] = tel.speed;
    s.rover[1] = tel.pitch * RadToDeg;
    s.rover[2] = tel.roll * RadToDeg;
    s.rover[3] = tel.tipMargin * RadToDeg;
    samples.push_back(s);
    while (samples.front().t < tel.t - Window)
        samples.pop_front();
    if (!redraw->isActive())
        redraw->start();
}

void TelemetryWindow::clear()
{
    samples.clear();
    refresh();
}

void TelemetryWindow::refresh()
{
    redraw->stop();
    // the strip ends on the next whole second, so that its axis moves once a
    // second rather than at every redraw
    double tEnd = samples.empty() ? 0.0 : std::ceil(samples.back().t);
    double tStart = tEnd - Window > 0.0 ? tEnd - Window : 0.0;

    // a series keeps at most 2 * Buckets points: beyond, each run of samples
    // gives its least and its greatest value, in time order, so that a spike
    // stays visible
    const int n = int(samples.size());
    const int group = n > 2 * Buckets ? (n + Buckets - 1) / Buckets : 1;
    for (int k = 0; k < 8; ++k) {
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (int c = 0; c < NB_CHAINES; ++c) {
            QVector<QPointF>& pts = points[k][c];
            pts.clear();
            if (!series[k][c])
                continue;
            auto value = [k, c](const Sample& x) { return k < 4 ? x.wheel[k][c] : x.rover[k - 4]; };
            for (int first = 0; first < n; first += group) {
                int last = first + group < n ? first + group : n;
                int iMin = -1, iMax = -1;
                for (int i = first; i < last; ++i) {
                    double v = value(samples[i]);
                    if (!std::isfinite(v))
                        continue;
                    if (iMin < 0 || v < value(samples[iMin]))
                        iMin = i;
                    if (iMax < 0 || v > value(samples[iMax]))
                        iMax = i;
                }
                if (iMin < 0)
                    continue;
                int a = iMin < iMax ? iMin : iMax, b = iMin < iMax ? iMax : iMin;
                pts.append(QPointF(samples[a].t, value(samples[a])));
                if (b != a)
                    pts.append(QPointF(samples[b].t, value(samples[b])));
            }
            if (!wheelShown(k, c))
                continue;
            for (const QPointF& p : pts) {
                lo = std::fmin(lo, p.y());
                hi = std::fmax(hi, p.y());
            }
        }

        // the value axis on round numbers: four or five steps of 1, 2 or 5
        // times a power of ten
        if (lo > hi) {
            lo = -1.0;
            hi = 1.0;
        }
        if (hi - lo < 1e-9 + 1e-6 * std::fabs(hi)) {
            double pad = 0.05 * std::fmax(std::fabs(hi), 1e-3);
            lo -= pad;
            hi += pad;
        }
        double raw = (hi - lo) / 4.0;
        double mag = std::pow(10.0, std::floor(std::log10(raw)));
        double step = raw <= mag ? mag : raw <= 2 * mag ? 2 * mag : raw <= 5 * mag ? 5 * mag : 10 * mag;
        double y0 = std::floor(lo / step) * step, y1 = std::ceil(hi / step) * step;
        // labels with as many significant digits as the step needs, so that
        // no two ticks of a nearly flat series read alike
        const double grand = std::fmax(std::fabs(y0), std::fabs(y1));
        const int chiffres =
            int(std::floor(std::log10(grand)) - std::floor(std::log10(step))) + 1;
        yAxes[k]->setLabelFormat(QString("%.%1g").arg(std::max(4, std::min(chiffres, 15))));
        // ranges first, data next: each change recomputes the series drawn
        xAxes[k]->setRange(tStart, tStart + Window);
        yAxes[k]->setTickCount(int(std::lround((y1 - y0) / step)) + 1);
        yAxes[k]->setRange(y0, y1);
        for (int c = 0; c < NB_CHAINES; ++c)
            if (series[k][c])
                series[k][c]->replace(points[k][c]);
    }
}

bool TelemetryWindow::wheelShown(int chart, int c) const
{
    return chart >= 4 || wheelBoxes[c]->isChecked();
}

int TelemetryWindow::pointCount(int chart, int s) const
{
    if (chart < 0 || chart >= 8 || s < 0 || s >= NB_CHAINES || !series[chart][s])
        return 0;
    return series[chart][s]->count();
}

bool TelemetryWindow::exportCsv(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&file);
    out << "t_s";
    for (int c = 0; c < NB_CHAINES; ++c)
        if (wheelBoxes[c]->isChecked())
            for (const char* name : WheelColumns)
                out << ',' << QString(name).arg(nomChaine[c]);
    for (const char* name : RoverColumns)
        out << ',' << name;
    out << '\n';
    for (const Sample& s : samples) {
        out << QString::number(s.t, 'f', 4);
        for (int c = 0; c < NB_CHAINES; ++c)
            if (wheelBoxes[c]->isChecked())
                for (int k = 0; k < 4; ++k)
                    out << ',' << cell(s.wheel[k][c]);
        for (int k = 0; k < 4; ++k)
            out << ',' << cell(s.rover[k]);
        out << '\n';
    }
    out.flush();
    return out.status() == QTextStream::Ok && file.flush() && file.error() == QFile::NoError;
}

bool TelemetryWindow::exportPng(const QString& path)
{
    refresh();
    return chartArea->grab().save(path, "PNG");
}

void TelemetryWindow::on_csvButton_clicked()
{
    QString name = modal::getSaveFileName(this, tr("Exporter CSV"), QString(),
                                          tr("Fichier CSV (*.csv)"));
    if (name.isEmpty())
        return;
    // a name without a suffix gets the one the filter offers
    if (QFileInfo(name).suffix().isEmpty())
        name += ".csv";
    if (!exportCsv(name))
        modal::warning(this, QString::fromUtf8("Télémétrie"),
                       QString::fromUtf8("Impossible d'écrire le fichier %1").arg(name));
}

void TelemetryWindow::on_pngButton_clicked()
{
    QString name = modal::getSaveFileName(this, tr("Exporter PNG"), QString(),
                                          tr("Image PNG (*.png)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += ".png";
    if (!exportPng(name))
        modal::warning(this, QString::fromUtf8("Télémétrie"),
                       QString::fromUtf8("Impossible d'écrire le fichier %1").arg(name));
}
