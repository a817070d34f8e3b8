// Shared by the campaign program tests: running kadmer-campaign, reading its
// CSV.
#pragma once

#include <unistd.h>

#include <string>
#include <vector>

#include "support/program.h"

inline std::string example()
{
    return std::string(KADMER_EXAMPLES) + "/campaign.json";
}

// the example's terrain beside a campaign written in dir
inline void symlink_examples(const std::string& dir)
{
    ::symlink((std::string(KADMER_EXAMPLES) + "/plan-incline.txt").c_str(),
              (dir + "/plan-incline.txt").c_str());
}

// kadmer-campaign with these arguments, the kadmer-sim of this build
inline ProgramRun run_program(const std::string& args)
{
    const bool run = args.rfind("run ", 0) == 0;
    return runProgram(KADMER_CAMPAIGN_PATH " " + args + (run ? " --sim " KADMER_SIM_PATH : ""));
}

// a CSV table: header and rows, quoted fields read back
struct Csv {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    std::string at(const std::vector<std::string>& row, const std::string& column) const
    {
        for (size_t k = 0; k < header.size(); ++k)
            if (header[k] == column)
                return k < row.size() ? row[k] : "<missing field>";
        return "<no column " + column + ">";
    }
    bool operator==(const Csv& o) const { return header == o.header && rows == o.rows; }
};

inline Csv read_csv(const std::string& path)
{
    std::string text = slurp(path);
    Csv t;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (quoted) {
            if (ch == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += '"', ++i;
            else if (ch == '"')
                quoted = false;
            else
                field += ch;
        } else if (ch == '"') {
            quoted = true;
        } else if (ch == ',') {
            row.push_back(field);
            field.clear();
        } else if (ch == '\n') {
            row.push_back(field);
            field.clear();
            if (t.header.empty())
                t.header = row;
            else
                t.rows.push_back(row);
            row.clear();
        } else {
            field += ch;
        }
    }
    return t;
}

// the table without the named columns (timings, which differ run to run)
inline Csv without(Csv t, const std::vector<std::string>& columns)
{
    for (const std::string& c : columns)
        for (size_t k = 0; k < t.header.size(); ++k)
            if (t.header[k] == c) {
                t.header.erase(t.header.begin() + k);
                for (auto& r : t.rows)
                    if (k < r.size())
                        r.erase(r.begin() + k);
                break;
            }
    return t;
}
