// Drive plans run by kadmer-sim: a scenario put together from its parts,
// run in a temporary folder, its exit status, stop message, summary keys and
// report rows read back.
#ifndef KADMER_TESTS_SUPPORT_PLANS_H
#define KADMER_TESTS_SUPPORT_PLANS_H

#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/program.h"

// a scenario: the terrain object's keys, the mode, the start pose (X, Y,
// azimut; placed on the ground), the plan object, other top-level keys
inline std::string planScenario(const std::string& terrain, const char* mode, double x, double y,
                                double azimut, const std::string& plan,
                                const std::string& autres = "")
{
    std::ostringstream s;
    s.precision(17);
    s << "{\"terrain\": {" << terrain << "},\n \"depart\": {\"pose\": [" << x << ", " << y
      << ", 0, 0, 0, " << azimut << "]},\n \"pilotage\": {\"mode\": \"" << mode
      << "\", \"plan\": " << plan << "},\n \"sorties\": {\"rapport\": \"rapport.csv\"}"
      << (autres.empty() ? "" : ",\n ") << autres << "}\n";
    return s.str();
}

// flat ground without bumps over [-8, 8] x [-8, 8]
const char* const TerrainPlat =
    "\"forme\": \"plat\", \"bosses\": 0, \"xmin\": -8, \"xmax\": 8, \"ymin\": -8, \"ymax\": 8";

struct PlanRun {
    int status = -1;
    std::string err;
    std::map<std::string, std::string> summary;            // key=value of the last line
    std::vector<std::map<std::string, std::string>> rows;  // the report, by column
    double num(size_t row, const char* column) const
    {
        auto it = rows.at(row).find(column);
        return it == rows.at(row).end() || it->second.empty() ? NAN : std::atof(it->second.c_str());
    }
};

inline std::vector<std::string> champs(const std::string& ligne, char sep)
{
    std::vector<std::string> out;
    std::string c;
    std::istringstream in(ligne);
    while (std::getline(in, c, sep))
        out.push_back(c);
    if (!ligne.empty() && ligne.back() == sep)
        out.push_back("");
    return out;
}

// runs kadmer-sim --summary on the scenario text in a fresh folder
inline PlanRun runPlan(const std::string& scenario)
{
    TempDir tmp;
    writeText(tmp / "plan.json", scenario);
    ProgramRun r = runProgram(std::string(KADMER_SIM_PATH) + " --summary --scenario " + tmp / "plan.json");
    PlanRun p;
    p.status = r.status;
    p.err = r.err;
    for (const std::string& kv : champs(r.out.substr(0, r.out.find('\n')), ' ')) {
        size_t eq = kv.find('=');
        if (eq != std::string::npos)
            p.summary[kv.substr(0, eq)] = kv.substr(eq + 1);
    }
    std::istringstream csv(slurp(tmp / "rapport.csv"));
    std::string ligne;
    std::vector<std::string> noms;
    while (std::getline(csv, ligne)) {
        std::vector<std::string> c = champs(ligne, ',');
        if (noms.empty()) {
            noms = c;
            continue;
        }
        std::map<std::string, std::string> row;
        for (size_t k = 0; k < noms.size() && k < c.size(); ++k)
            row[noms[k]] = c[k];
        p.rows.push_back(row);
    }
    return p;
}

#endif
