// Shared by the campaign program tests: temporary folders, running
// kadmer-campaign, reading its CSV.
#pragma once

#include <ftw.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// a temporary folder, removed with its contents at the end
struct TempDir {
    std::string path;
    TempDir()
    {
        const char* t = std::getenv("TMPDIR");
        std::string tmpl = std::string(t ? t : "/tmp") + "/kadmer_campaign_XXXXXX";
        path = ::mkdtemp(&tmpl[0]) ? tmpl : "";
    }
    ~TempDir()
    {
        if (!path.empty())
            ::nftw(path.c_str(),
                   [](const char* p, const struct stat*, int, struct FTW*) { return ::remove(p); },
                   16, FTW_DEPTH | FTW_PHYS);
    }
};

inline std::string slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline void write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

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

struct Outcome {
    int status = -1;
    std::string out, err;
};

// kadmer-campaign with these arguments, the kadmer-sim of this build
inline Outcome run_program(const std::string& args, const std::string& env = "")
{
    char tmpl[] = "/tmp/kadmer_campaign_run_XXXXXX";
    std::string dir = ::mkdtemp(tmpl) ? tmpl : "/tmp";
    std::string cmd = env + " " KADMER_CAMPAIGN_PATH " " + args + " >" + dir + "/out 2>" + dir + "/err";
    if (args.rfind("run ", 0) == 0)
        cmd = env + " " KADMER_CAMPAIGN_PATH " " + args + " --sim " KADMER_SIM_PATH " >" + dir +
              "/out 2>" + dir + "/err";
    int st = std::system(cmd.c_str());
    Outcome r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = slurp(dir + "/out");
    r.err = slurp(dir + "/err");
    std::remove((dir + "/out").c_str());
    std::remove((dir + "/err").c_str());
    ::rmdir(dir.c_str());
    return r;
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
