// Gathering a campaign's results: DIR/summary.csv, one row per case, and the
// pictures of a summary figure over one or two swept axes.
#pragma once

#include <string>
#include <vector>

#include "campaign.h"

namespace campaign {

// one row of the table
struct Row {
    int index = 0;
    std::vector<std::string> axes, draws;  // values as text
    int draw = 0, repetition = 0;
    std::string hash, status;  // status "absent" when the case has not ended
    int exitCode = -1, signal = 0;
    std::vector<std::string> figures;  // one per Table::figures, empty when not given
    std::string stderrTail;
};

struct Table {
    std::vector<std::string> axes, draws;  // paths, as in the campaign file
    std::vector<std::string> figures;      // collected summary keys
    std::vector<Row> rows;
    size_t ok = 0, failed = 0, absent = 0;
    size_t stopped = 0;  // of the ok ones, drive plans stopped by fault protection
};

// the table of a campaign folder; returns an empty string or the message
std::string gather(const std::string& dir, Table& t);

// the table as CSV (RFC 4180: fields with a comma, quote or line end quoted)
std::string csv_text(const Table& t);

// mean of a figure over the "ok" cases of each cell of one or two axes, in
// the order of the axes' values; NaN where no case gives it. Over one axis,
// the cases are told apart by the values of the other axes (one line each)
// when those make at most 8 lines.
struct Grid {
    std::string figure;
    std::vector<std::string> xName, yName;  // axis name (one each; yName empty for a line)
    std::vector<std::string> x, y;          // value labels; y: the lines' names over one axis
    std::vector<double> xNum;               // x values as numbers, when all are
    std::vector<double> v;                  // x.size() * max(1, y.size()), x fastest
};
Grid grid_of(const Table& t, const std::string& figure, int ax, int ay);

// writes DIR/summary.csv and the pictures; returns an empty string or the message
std::string collect(const std::string& dir, Table& t, std::vector<std::string>& pictures);

// draws a grid to a PNG: a line over one axis, a heat map over two (plot.cpp)
std::string plot_png(const Grid& g, const std::string& path);

} // namespace campaign
