// Campaign files: a base scenario, the axes swept over it, the Monte Carlo
// draws, the repetitions and the figures to collect; and their expansion into
// cases, each a complete scenario with its content hash.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace campaign {

using json = nlohmann::json;

// ---- records ------------------------------------------------------------------

// one swept scenario value: every value of the list, in order
struct Axis {
    std::string path;          // as written in the file ("/terrain/graine" or "terrain.graine")
    std::string name;          // its column in the tables: given, or the path
    std::vector<json> values;  // at least one
    std::vector<std::string> labels;  // names shown for the values in tables and pictures, or none
};

// one scenario value drawn at random for each draw
struct Draw {
    enum Kind { Uniform, Normal, Integer, Choice };
    std::string path;
    Kind kind = Uniform;
    double a = 0, b = 0;       // uniform/integer: min, max; normal: mean, standard deviation
    bool hasLo = false, hasHi = false;
    double lo = 0, hi = 0;     // normal: optional bounds the draws are clipped to
    std::vector<json> choices; // choice: the values drawn from, equally likely
};

// one picture: a summary figure over one axis (a line) or two (a heat map)
struct Plot {
    std::string figure;
    std::vector<int> axes;  // indices into Campaign::axes, one or two
};

struct Campaign {
    json base;                   // the base scenario, relative paths made absolute
    std::string dir;             // the campaign file's folder: swept file names start there
    std::vector<Axis> axes;      // swept, first axis slowest
    std::vector<Draw> draws;     // drawn together, drawCount times
    int drawCount = 0;           // 0 when there are no draws
    uint64_t seed = 0;           // campaign seed of the draws and repetition seeds
    int repetitions = 1;         // copies of each case
    std::string repetitionSeed;  // path given a fresh seed per repetition, or empty
    std::vector<std::string> figures;  // summary keys to collect; empty: all found
    double timeLimit = 600;      // per case, seconds of wall time
    bool trajectories = true;    // keep each case's trajectory file
    std::vector<Plot> plots;     // pictures made by collect
};

// one run of kadmer-sim
struct Case {
    int index = 0;
    json scenario;                 // complete scenario file content
    std::vector<json> axisValues;  // one per axis, or its label when the axis names its values
    std::vector<json> drawValues;  // one per draw (empty without draws)
    int draw = 0;                  // draw number, from 0
    int repetition = 0;            // repetition number, from 0
    std::string hash;              // content hash of the scenario, 16 hex digits
};

// ---- reading ------------------------------------------------------------------

// reads a campaign file; returns an empty string, or the message naming the
// key at fault and the reason
std::string read_campaign(const std::string& path, Campaign& out);

// the same from text already read; dir is the folder relative paths are taken from
std::string parse_campaign(const std::string& text, const std::string& dir, Campaign& out);

// ---- expansion ----------------------------------------------------------------

// every case of the campaign, numbered from 0: axes (first slowest), then
// draws, then repetitions
std::vector<Case> expand(const Campaign& c);

// the value of draw k of one drawn value; depends on the campaign seed, the
// path and k only, so adding draws or other drawn values leaves it unchanged
json draw_value(const Draw& d, uint64_t seed, int k);

// content hash of a scenario: FNV-1a 64 over its canonical text (sorted keys,
// shortest round-trip numbers), 16 hex digits
std::string content_hash(const json& scenario);

// "/a/b" stays, "a.b" becomes "/a/b"
std::string pointer_of(const std::string& path);

// the text a value takes in a table: strings bare, everything else as JSON
std::string value_text(const json& v);

// a case that ran to its end and gives figures: "ok", or "arrete" (its
// drive plan stopped by fault protection, which a campaign over a plan counts)
inline bool ran_to_end(const std::string& status) { return status == "ok" || status == "arrete"; }

} // namespace campaign
