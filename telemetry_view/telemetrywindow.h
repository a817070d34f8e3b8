// The "Télémétrie" window: strip charts of the last seconds of the rover's
// telemetry (slip, sinkage, wheel torque and power for the wheels ticked;
// speed, pitch, roll and tip-over margin), fed once per simulation tick and
// redrawn at a few frames a second, with the export of the visible series as
// CSV and of the charts as PNG. Non-modal; it shows what it was last fed, so
// it stands still while the simulation is paused.
#ifndef KADMER_TELEMETRY_VIEW_TELEMETRYWINDOW_H
#define KADMER_TELEMETRY_VIEW_TELEMETRYWINDOW_H

#include <QString>
#include <QVector>
#include <QWidget>
#include <deque>

#include "rover/telemetry.h"

class QCheckBox;
class QPushButton;
class QTimer;

namespace QtCharts {
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
}  // namespace QtCharts

class TelemetryWindow : public QWidget {
    Q_OBJECT

public:
    // a top-level window owned by parent (closed with it)
    explicit TelemetryWindow(QWidget* parent = nullptr);

    // the tick's record; a time before the last one starts a new run
    void addSample(const Telemetry& tel);
    // forgets every sample (a new run)
    void clear();
    // redraws the charts now from the samples kept
    void refresh();
    // writes the visible series as CSV; returns false (nothing written
    // completely) when the file cannot be written
    bool exportCsv(const QString& path) const;
    // writes the charts as a PNG picture; returns false on failure
    bool exportPng(const QString& path);

    // samples kept (those of the last `window` seconds)
    int sampleCount() const { return int(samples.size()); }
    // points drawn by the series of chart k (0..7), series s (fewer than the
    // samples when they outnumber 2 * Buckets)
    int pointCount(int chart, int series) const;

    // length of the strip, s
    static constexpr double Window = 20.0;
    // least time between two redraws, ms
    static constexpr int RedrawMs = 250;
    // a series draws at most twice this many points
    static constexpr int Buckets = 100;

    QPushButton* csvButton;
    QPushButton* pngButton;
    QCheckBox* wheelBoxes[NB_CHAINES];

private slots:
    void on_csvButton_clicked();
    void on_pngButton_clicked();

private:
    // what the charts show of one tick
    struct Sample {
        double t;
        double wheel[4][NB_CHAINES];  // slip, sinkage m, wheel torque N.m, power W
        double rover[4];              // speed m/s, pitch deg, roll deg, margin deg
    };

    // the wheel's series of chart k are shown
    bool wheelShown(int chart, int c) const;

    std::deque<Sample> samples;
    QVector<QPointF> points[8][NB_CHAINES];  // what the series draw
    QtCharts::QChart* charts[8];
    QtCharts::QValueAxis* xAxes[8];
    QtCharts::QValueAxis* yAxes[8];
    QtCharts::QLineSeries* series[8][NB_CHAINES];
    QWidget* chartArea;
    QTimer* redraw;
};

#endif
