#include "collect.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "runner.h"

namespace campaign {

namespace {

std::string field(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string q = "\"";
    for (char ch : s)
        q += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return q + "\"";
}

bool to_number(const std::string& s, double& v)
{
    if (s.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(s.c_str(), &end);
    return end && *end == '\0' && errno != ERANGE && std::isfinite(v);
}

// a file name from a figure and axis paths: letters, digits, '-' and '_'
std::string file_part(const std::string& s)
{
    std::string out;
    for (char ch : s) {
        bool keep = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
                    ch == '-' || ch == '_';
        if (keep)
            out += ch;
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    return out.empty() ? "x" : out;
}

} // namespace

std::string gather(const std::string& dir, Table& t)
{
    json m;
    std::string msg = read_manifest(dir, m);
    if (!msg.empty())
        return msg;
    t = Table{};
    for (const json& a : m["axes"])
        t.axes.push_back(a.get<std::string>());
    for (const json& d : m["draws"])
        t.draws.push_back(d.get<std::string>());
    for (const json& f : m["figures"])
        t.figures.push_back(f.get<std::string>());
    bool allFigures = t.figures.empty();

    std::vector<Result> results(m["cases"].size());
    for (size_t i = 0; i < m["cases"].size(); ++i) {
        const json& cs = m["cases"][i];
        Row r;
        r.index = (int)i;
        for (const json& v : cs["axes"])
            r.axes.push_back(value_text(v));
        for (const json& v : cs["draws"])
            r.draws.push_back(value_text(v));
        r.draw = cs.value("draw", 0);
        r.repetition = cs.value("repetition", 0);
        r.hash = cs["hash"].get<std::string>();
        Result& res = results[i];
        // a result for another scenario content is stale: the case is to run again
        if (read_result(dir, (int)i, res) && res.hash == r.hash) {
            r.status = res.status;
            r.exitCode = res.exitCode;
            r.signal = res.signal;
            r.stderrTail = res.stderrTail;
            // a plan's outcome as a number, whose mean over cases is the
            // share of plans that reached their end
            for (auto& kv : res.summary)
                if (kv.first == "plan_statut") {
                    res.summary.push_back({"plan_succes", kv.second == "ok" ? "1" : "0"});
                    break;
                }
            if (allFigures)
                for (auto& kv : res.summary)
                    if (std::find(t.figures.begin(), t.figures.end(), kv.first) == t.figures.end())
                        t.figures.push_back(kv.first);
        } else {
            res = Result{};
            r.status = "absent";
        }
        t.ok += ran_to_end(r.status);
        t.stopped += r.status == "arrete";
        t.absent += r.status == "absent";
        t.failed += !ran_to_end(r.status) && r.status != "absent";
        t.rows.push_back(r);
    }
    for (size_t i = 0; i < t.rows.size(); ++i)
        for (const std::string& f : t.figures) {
            std::string v;
            for (auto& kv : results[i].summary)
                if (kv.first == f)
                    v = kv.second;
            t.rows[i].figures.push_back(v);
        }
    return "";
}

std::string csv_text(const Table& t)
{
    std::string s = "case";
    for (const std::string& a : t.axes)
        s += "," + field(a);
    for (const std::string& d : t.draws)
        s += "," + field(d);
    s += ",draw,repetition,hash,status,exit_code,signal";
    for (const std::string& f : t.figures)
        s += "," + field(f);
    s += ",stderr_tail\n";
    for (const Row& r : t.rows) {
        s += std::to_string(r.index);
        for (const std::string& a : r.axes)
            s += "," + field(a);
        for (const std::string& d : r.draws)
            s += "," + field(d);
        s += "," + std::to_string(r.draw) + "," + std::to_string(r.repetition) + "," + r.hash + "," +
             r.status + "," + (r.exitCode >= 0 ? std::to_string(r.exitCode) : "") + "," +
             (r.signal ? std::to_string(r.signal) : "");
        for (const std::string& f : r.figures)
            s += "," + field(f);
        s += "," + field(ran_to_end(r.status) ? "" : r.stderrTail) + "\n";
    }
    return s;
}

Grid grid_of(const Table& t, const std::string& figure, int ax, int ay)
{
    Grid g;
    g.figure = figure;
    int fi = -1;
    for (size_t k = 0; k < t.figures.size(); ++k)
        if (t.figures[k] == figure)
            fi = (int)k;
    // axis values in the order the cases met them, which is the file's order
    auto labels = [&](int a, std::vector<std::string>& out) {
        for (const Row& r : t.rows)
            if (std::find(out.begin(), out.end(), r.axes[a]) == out.end())
                out.push_back(r.axes[a]);
    };
    g.xName.push_back(t.axes[ax]);
    labels(ax, g.x);
    // the row's place along y: the second axis, or the line of the other axes
    std::vector<std::string> rowY(t.rows.size());
    if (ay >= 0) {
        g.yName.push_back(t.axes[ay]);
        labels(ay, g.y);
        for (size_t r = 0; r < t.rows.size(); ++r)
            rowY[r] = t.rows[r].axes[ay];
    } else {
        std::vector<std::string> lines;
        for (size_t r = 0; r < t.rows.size(); ++r) {
            std::string name;
            for (size_t k = 0; k < t.axes.size(); ++k)
                if ((int)k != ax)
                    name += (name.empty() ? "" : ", ") + t.axes[k] + " = " + t.rows[r].axes[k];
            rowY[r] = name;
            if (std::find(lines.begin(), lines.end(), name) == lines.end())
                lines.push_back(name);
        }
        if (lines.size() > 1 && lines.size() <= 8)
            g.y = lines;
        else
            std::fill(rowY.begin(), rowY.end(), std::string());
    }
    bool numeric = true;
    for (const std::string& s : g.x) {
        double v;
        numeric = numeric && to_number(s, v);
        g.xNum.push_back(v);
    }
    if (!numeric)
        g.xNum.clear();
    size_t ny = std::max<size_t>(1, g.y.size());
    std::vector<double> sum(g.x.size() * ny, 0.0);
    std::vector<int> n(sum.size(), 0);
    for (size_t k = 0; k < t.rows.size(); ++k) {
        const Row& r = t.rows[k];
        double v;
        if (fi < 0 || !ran_to_end(r.status) || !to_number(r.figures[fi], v))
            continue;
        size_t i = std::find(g.x.begin(), g.x.end(), r.axes[ax]) - g.x.begin();
        size_t j = g.y.empty() ? 0 : std::find(g.y.begin(), g.y.end(), rowY[k]) - g.y.begin();
        sum[j * g.x.size() + i] += v;
        n[j * g.x.size() + i] += 1;
    }
    for (size_t k = 0; k < sum.size(); ++k)
        g.v.push_back(n[k] ? sum[k] / n[k] : std::nan(""));
    return g;
}

std::string collect(const std::string& dir, Table& t, std::vector<std::string>& pictures)
{
    std::string msg = gather(dir, t);
    if (!msg.empty())
        return msg;
    std::string path = dir + "/summary.csv", tmp = path + ".tmp" + std::to_string(::getpid());
    std::string text = csv_text(t);
    FILE* f = std::fopen(tmp.c_str(), "wb");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f)
        ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return path + " : ecriture impossible (" + std::strerror(errno) + ")";
    }

    // the pictures asked for; otherwise the first figure over the first one
    // or two axes that take more than one value
    json m;
    read_manifest(dir, m);
    std::vector<std::pair<std::string, std::vector<int>>> plots;
    for (const json& p : m["plots"])
        plots.emplace_back(p["figure"].get<std::string>(), p["axes"].get<std::vector<int>>());
    if (m["plots"].empty() && !t.figures.empty()) {
        std::string figure = t.figures[0];
        for (const std::string& f : t.figures)
            if (f == "distance_m") {
                figure = f;
                break;
            }
        if (!m["figures"].empty())
            figure = t.figures[0];
        std::vector<int> axes;
        for (size_t k = 0; k < t.axes.size() && axes.size() < 2; ++k) {
            std::vector<std::string> seen;
            for (const Row& r : t.rows)
                if (std::find(seen.begin(), seen.end(), r.axes[k]) == seen.end())
                    seen.push_back(r.axes[k]);
            if (seen.size() > 1)
                axes.push_back((int)k);
        }
        if (!axes.empty())
            plots.emplace_back(figure, axes);
    }
    for (auto& p : plots) {
        Grid g = grid_of(t, p.first, p.second[0], p.second.size() > 1 ? p.second[1] : -1);
        std::string name = dir + "/" + file_part(p.first) + "-" + file_part(t.axes[p.second[0]]);
        if (p.second.size() > 1)
            name += "-" + file_part(t.axes[p.second[1]]);
        name += ".png";
        std::string m2 = plot_png(g, name);
        if (!m2.empty())
            return m2;
        pictures.push_back(name);
    }
    return "";
}

} // namespace campaign
