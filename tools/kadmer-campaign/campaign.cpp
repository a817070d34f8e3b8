#include "campaign.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace campaign {

namespace {

// a fault in the file: carries the key and the reason
struct Fault {
    std::string where, why;
};

[[noreturn]] void fault(const std::string& where, const std::string& why)
{
    throw Fault{where, why};
}

bool is_file(const std::string& p)
{
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string folder_of(const std::string& path)
{
    size_t s = path.rfind('/');
    if (s == std::string::npos)
        return ".";
    return s == 0 ? "/" : path.substr(0, s);
}

// an absolute name; for a file that exists, its canonical name, so that one
// file reached through links gives one scenario content
std::string absolute(const std::string& dir, const std::string& p)
{
    char real[PATH_MAX];
    if (::realpath((p.empty() || p[0] == '/' ? p : dir + "/" + p).c_str(), real))
        return real;
    if (!p.empty() && p[0] == '/')
        return p;
    std::string d = dir;
    if (d.empty() || d[0] != '/') {
        char buf[4096];
        if (::getcwd(buf, sizeof buf))
            d = std::string(buf) + (d == "." || d.empty() ? "" : "/" + d);
    }
    return d + "/" + p;
}

// the scenario values that name files; a relative one is taken from the
// folder of the file it was written in, so it is made absolute before the
// case files, written elsewhere, take it
const char* const FileKeys[] = {"/dynamique/donnees", "/dynamique/resultats", "/terrain/fichier",
                                "/terrain/raster/fichier", "/sol/zones", "/pilotage/commandes",
                                "/sorties/trajectoire", "/sorties/telemetrie"};

// makes absolute the relative file names of the scenario at or below `under`
void absolute_paths(json& scenario, const std::string& dir, const std::string& under)
{
    for (const char* k : FileKeys) {
        std::string key = k;
        if (key.compare(0, under.size(), under) != 0 ||
            (key.size() > under.size() && !under.empty() && key[under.size()] != '/'))
            continue;
        json::json_pointer ptr(key);
        if (!scenario.contains(ptr))
            continue;
        json& v = scenario[ptr];
        if (v.is_string() && !v.get_ref<const std::string&>().empty() &&
            v.get_ref<const std::string&>()[0] != '/')
            v = absolute(dir, v.get<std::string>());
    }
}

// JSON text to a value, refusing nesting deeper than any scenario needs: the
// value's printing and comparison recurse, and must not exhaust the stack
const int MaxDepth = 64;

json parse_bounded(std::istream& in, const std::string& where)
{
    json j = json::parse(in, [&](int depth, json::parse_event_t, json&) {
        if (depth > MaxDepth)
            fault(where, "imbrication de plus de " + std::to_string(MaxDepth) + " niveaux");
        return true;
    });
    return j;
}

void only_keys(const json& o, const std::string& where, std::initializer_list<const char*> keys)
{
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool known = false;
        for (const char* k : keys)
            known = known || it.key() == k;
        if (!known)
            fault(where.empty() ? it.key() : where + "." + it.key(), "cle inconnue");
    }
}

const json& need(const json& o, const char* key, const std::string& where)
{
    auto it = o.find(key);
    if (it == o.end())
        fault(where.empty() ? key : where + "." + key, "cle manquante");
    return *it;
}

double number(const json& v, const std::string& where)
{
    if (!v.is_number())
        fault(where, "nombre attendu");
    double x = v.get<double>();
    if (!std::isfinite(x))
        fault(where, "nombre fini attendu");
    return x;
}

long integer(const json& v, const std::string& where, long lo, long hi)
{
    if (!v.is_number_integer() && !v.is_number_unsigned())
        fault(where, "entier attendu");
    long x = v.is_number_unsigned() && v.get<uint64_t>() > (uint64_t)hi ? hi + 1 : v.get<long>();
    if (x < lo || x > hi)
        fault(where, "entier de " + std::to_string(lo) + " a " + std::to_string(hi) + " attendu");
    return x;
}

std::string path_of(const json& o, const std::string& where, const json& base)
{
    const json& p = need(o, "path", where);
    if (!p.is_string() || p.get<std::string>().empty())
        fault(where + ".path", "chemin attendu (\"/terrain/graine\" ou \"terrain.graine\")");
    std::string path = p.get<std::string>();
    json::json_pointer ptr;
    try {
        ptr = json::json_pointer(pointer_of(path));
    } catch (const json::exception&) {
        fault(where + ".path", "chemin illisible : " + path);
    }
    if (ptr.empty())
        fault(where + ".path", "chemin vide");
    // keys left out of the base keep their defaults, so the records on the
    // way may be missing (they are made); a value that is not a record may not
    // stand in the way
    for (json::json_pointer p = ptr.parent_pointer(); !p.empty(); p = p.parent_pointer())
        if (base.contains(p) && !base.at(p).is_structured())
            fault(where + ".path", "\"" + p.to_string() + "\" n'est pas un objet du scenario de base");
    // a position in an array must be one the base has: a value written past
    // its end, or through an array the base lacks, would make it as long as
    // the number says
    const std::string text = ptr.to_string();
    json::json_pointer parent;
    for (size_t start = 1; start <= text.size();) {
        size_t slash = text.find('/', start);
        if (slash == std::string::npos)
            slash = text.size();
        const std::string token = json::json_pointer("/" + text.substr(start, slash - start)).back();
        const bool position = !token.empty() && token.find_first_not_of("0123456789") == std::string::npos;
        const json* here = parent.empty() ? &base : base.contains(parent) ? &base.at(parent) : nullptr;
        if (here && here->is_array()) {
            if (position && (token.size() > 9 || std::stoul(token) >= here->size()))
                fault(where + ".path", "position \"" + token + "\" hors du tableau \"" + parent.to_string() + "\" (" +
                                           std::to_string(here->size()) + " valeurs)");
        } else if (position && (!here || here->is_null())) {
            fault(where + ".path", "position \"" + token + "\" d'un tableau absent du scenario de base");
        }
        parent /= token;
        start = slash + 1;
    }
    return path;
}

std::vector<json> axis_values(const json& a, const std::string& where)
{
    std::vector<json> out;
    if (a.contains("values")) {
        if (a.contains("from") || a.contains("to") || a.contains("step") || a.contains("count"))
            fault(where, "\"values\" ou \"from\"/\"to\", pas les deux");
        const json& v = a["values"];
        if (!v.is_array() || v.empty())
            fault(where + ".values", "liste non vide attendue");
        for (const json& e : v)
            out.push_back(e);
        return out;
    }
    double from = number(need(a, "from", where), where + ".from");
    double to = number(need(a, "to", where), where + ".to");
    // whole numbers stay whole while a double holds them exactly
    bool integral = a["from"].is_number_integer() && a["to"].is_number_integer() &&
                    std::fabs(from) <= 9007199254740992.0 && std::fabs(to) <= 9007199254740992.0;
    if (a.contains("step") == a.contains("count"))
        fault(where, "\"step\" ou \"count\" attendu (un seul)");
    long n;
    double step;
    if (a.contains("count")) {
        n = integer(a["count"], where + ".count", 1, 100000);
        step = n > 1 ? (to - from) / (n - 1) : 0.0;
        integral = integral && n > 1 && std::floor(step) == step;
    } else {
        step = number(a["step"], where + ".step");
        if (!(step > 0))
            fault(where + ".step", "pas positif attendu");
        integral = integral && a["step"].is_number_integer();
        if (to < from)
            fault(where + ".to", "borne superieure a \"from\" attendue");
        // the upper bound is kept when the steps reach it within rounding
        double span = (to - from) / step;
        if (!(span < 100000.0))
            fault(where + ".step", "plus de 100000 valeurs");
        n = (long)std::floor(span + 1e-9) + 1;
    }
    for (long k = 0; k < n; ++k) {
        // from + k*step, not an accumulated sum: no drift along the axis
        double x = k == n - 1 && a.contains("count") ? to : from + k * step;
        if (integral)
            out.push_back((long)std::llround(x));
        else
            out.push_back(x);
    }
    return out;
}

Draw draw_of(const json& d, const std::string& where, const json& base)
{
    if (!d.is_object())
        fault(where, "objet attendu");
    only_keys(d, where, {"path", "uniform", "normal", "integer", "choice", "min", "max"});
    Draw r;
    r.path = path_of(d, where, base);
    int kinds = d.contains("uniform") + d.contains("normal") + d.contains("integer") +
                d.contains("choice");
    if (kinds != 1)
        fault(where, "une loi attendue : \"uniform\", \"normal\", \"integer\" ou \"choice\"");
    auto pair = [&](const char* key) {
        const json& p = d[key];
        std::string w = where + "." + key;
        if (!p.is_array() || p.size() != 2)
            fault(w, "deux nombres attendus");
        r.a = number(p[0], w + "[0]");
        r.b = number(p[1], w + "[1]");
    };
    if (d.contains("uniform")) {
        r.kind = Draw::Uniform;
        pair("uniform");
        if (!(r.b >= r.a))
            fault(where + ".uniform", "[min, max] avec min <= max attendu");
    } else if (d.contains("integer")) {
        r.kind = Draw::Integer;
        const json& p = d["integer"];
        if (!p.is_array() || p.size() != 2)
            fault(where + ".integer", "deux entiers attendus");
        r.a = (double)integer(p[0], where + ".integer[0]", -1000000000L, 1000000000L);
        r.b = (double)integer(p[1], where + ".integer[1]", -1000000000L, 1000000000L);
        if (!(r.b >= r.a))
            fault(where + ".integer", "[min, max] avec min <= max attendu");
    } else if (d.contains("normal")) {
        r.kind = Draw::Normal;
        pair("normal");
        if (!(r.b >= 0))
            fault(where + ".normal", "[moyenne, ecart-type] avec un ecart-type positif attendu");
    } else {
        r.kind = Draw::Choice;
        const json& p = d["choice"];
        if (!p.is_array() || p.empty())
            fault(where + ".choice", "liste non vide attendue");
        for (const json& e : p)
            r.choices.push_back(e);
    }
    if (d.contains("min") || d.contains("max")) {
        if (r.kind != Draw::Normal)
            fault(where, "\"min\"/\"max\" ne servent qu'avec \"normal\"");
        if ((r.hasLo = d.contains("min")))
            r.lo = number(d["min"], where + ".min");
        if ((r.hasHi = d.contains("max")))
            r.hi = number(d["max"], where + ".max");
        if (r.hasLo && r.hasHi && !(r.hi >= r.lo))
            fault(where, "\"min\" <= \"max\" attendu");
    }
    return r;
}

int axis_index(const Campaign& c, const json& p, const std::string& where)
{
    if (!p.is_string())
        fault(where, "chemin d'un axe attendu");
    std::string s = pointer_of(p.get<std::string>());
    for (size_t k = 0; k < c.axes.size(); ++k)
        if (c.axes[k].name == p.get<std::string>() || pointer_of(c.axes[k].path) == s)
            return (int)k;
    fault(where, "\"" + p.get<std::string>() + "\" n'est pas un axe de la campagne");
}

void parse(const json& j, const std::string& dir, Campaign& c)
{
    if (!j.is_object())
        fault("campagne", "objet JSON attendu");
    only_keys(j, "", {"base", "axes", "draws", "seed", "repetitions", "figures", "time_limit_s",
                      "trajectories", "plots"});

    // base scenario, inline or by file
    const json& b = need(j, "base", "");
    std::string baseDir = dir;
    if (b.is_string()) {
        std::string p = absolute(dir, b.get<std::string>());
        std::ifstream f(p);
        if (!f || !is_file(p))
            fault("base", "fichier de scenario illisible : " + p);
        try {
            c.base = parse_bounded(f, "base");
        } catch (const json::parse_error& e) {
            fault("base", p + " : JSON illisible (" + std::string(e.what()) + ")");
        }
        baseDir = folder_of(p);
    } else {
        c.base = b;
    }
    if (!c.base.is_object())
        fault("base", "scenario (objet JSON) ou nom de fichier attendu");
    absolute_paths(c.base, baseDir, "");

    std::set<std::string> seen;
    auto unique = [&](const std::string& path, const std::string& where) {
        if (!seen.insert(pointer_of(path)).second)
            fault(where, "\"" + path + "\" est deja balaye ou tire");
    };

    if (j.contains("axes")) {
        const json& axes = j["axes"];
        if (!axes.is_array())
            fault("axes", "liste attendue");
        for (size_t k = 0; k < axes.size(); ++k) {
            std::string w = "axes[" + std::to_string(k) + "]";
            if (!axes[k].is_object())
                fault(w, "objet attendu");
            only_keys(axes[k], w, {"name", "path", "values", "labels", "from", "to", "step", "count"});
            Axis a;
            a.path = path_of(axes[k], w, c.base);
            unique(a.path, w + ".path");
            a.name = a.path;
            if (axes[k].contains("name")) {
                const json& n = axes[k]["name"];
                if (!n.is_string() || n.get<std::string>().empty())
                    fault(w + ".name", "nom attendu");
                a.name = n.get<std::string>();
                for (const Axis& o : c.axes)
                    if (o.name == a.name)
                        fault(w + ".name", "\"" + a.name + "\" nomme deja un autre axe");
            }
            a.values = axis_values(axes[k], w);
            if (axes[k].contains("labels")) {
                const json& l = axes[k]["labels"];
                if (!l.is_array() || l.size() != a.values.size())
                    fault(w + ".labels", "un nom par valeur attendu (" +
                                             std::to_string(a.values.size()) + ")");
                for (size_t i = 0; i < l.size(); ++i) {
                    if (!l[i].is_string() || l[i].get<std::string>().empty())
                        fault(w + ".labels[" + std::to_string(i) + "]", "nom attendu");
                    a.labels.push_back(l[i].get<std::string>());
                }
            }
            c.axes.push_back(a);
        }
    }

    if (j.contains("seed"))
        c.seed = (uint64_t)integer(j["seed"], "seed", 0, 9007199254740991L);

    if (j.contains("draws")) {
        const json& d = j["draws"];
        if (!d.is_object())
            fault("draws", "objet attendu (\"count\", \"values\")");
        only_keys(d, "draws", {"count", "values"});
        c.drawCount = (int)integer(need(d, "count", "draws"), "draws.count", 1, 1000000);
        const json& v = need(d, "values", "draws");
        if (!v.is_array() || v.empty())
            fault("draws.values", "liste non vide attendue");
        for (size_t k = 0; k < v.size(); ++k) {
            std::string w = "draws.values[" + std::to_string(k) + "]";
            c.draws.push_back(draw_of(v[k], w, c.base));
            unique(c.draws.back().path, w + ".path");
        }
    }

    if (j.contains("repetitions")) {
        const json& r = j["repetitions"];
        if (r.is_object()) {
            only_keys(r, "repetitions", {"count", "seed_path"});
            c.repetitions = (int)integer(need(r, "count", "repetitions"), "repetitions.count", 1, 100000);
            if (r.contains("seed_path")) {
                json wrap = {{"path", r["seed_path"]}};
                c.repetitionSeed = path_of(wrap, "repetitions.seed_path", c.base);
                unique(c.repetitionSeed, "repetitions.seed_path");
            }
        } else {
            c.repetitions = (int)integer(r, "repetitions", 1, 100000);
        }
    }

    // every value set lands in the base as is: no path inside another one
    // (the outer value would replace the record of the inner one), and each
    // path can be followed in the base (array positions are numbers)
    struct Target {
        std::string ptr, where;
        json sample;
    };
    std::vector<Target> targets;
    for (size_t k = 0; k < c.axes.size(); ++k)
        targets.push_back({pointer_of(c.axes[k].path), "axes[" + std::to_string(k) + "].path",
                           c.axes[k].values[0]});
    for (size_t k = 0; k < c.draws.size(); ++k)
        targets.push_back({pointer_of(c.draws[k].path), "draws.values[" + std::to_string(k) + "].path",
                           draw_value(c.draws[k], c.seed, 0)});
    if (!c.repetitionSeed.empty())
        targets.push_back({pointer_of(c.repetitionSeed), "repetitions.seed_path", 1});
    for (const Target& a : targets) {
        for (const Target& b : targets)
            if (b.ptr.size() > a.ptr.size() && b.ptr.compare(0, a.ptr.size(), a.ptr) == 0 &&
                b.ptr[a.ptr.size()] == '/')
                fault(b.where, "\"" + b.ptr + "\" est dans \"" + a.ptr + "\", deja balaye ou tire");
        json trial = c.base;
        try {
            trial[json::json_pointer(a.ptr)] = a.sample;
        } catch (const json::exception&) {
            fault(a.where, "\"" + a.ptr + "\" ne mene a aucune valeur du scenario de base");
        }
    }

    long cases = (long)std::max(c.drawCount, 1) * c.repetitions;
    for (const Axis& a : c.axes) {
        cases *= (long)a.values.size();
        if (cases > 1000000)
            fault("axes", "plus d'un million de cas");
    }
    if (cases > 1000000)
        fault("draws", "plus d'un million de cas");

    if (j.contains("figures")) {
        const json& f = j["figures"];
        if (!f.is_array())
            fault("figures", "liste de noms de grandeurs du resume attendue");
        for (size_t k = 0; k < f.size(); ++k) {
            std::string w = "figures[" + std::to_string(k) + "]";
            if (!f[k].is_string() || f[k].get<std::string>().empty())
                fault(w, "nom de grandeur attendu (\"distance_m\", \"rtf\"...)");
            std::string s = f[k].get<std::string>();
            if (s.find_first_of("=,\" \t\n") != std::string::npos)
                fault(w, "nom sans espace, virgule, guillemet ni \"=\" attendu");
            c.figures.push_back(s);
        }
    }

    if (j.contains("time_limit_s")) {
        c.timeLimit = number(j["time_limit_s"], "time_limit_s");
        if (!(c.timeLimit > 0 && c.timeLimit <= 7 * 86400))
            fault("time_limit_s", "duree de 0 (exclu) a 604800 s attendue");
    }
    if (j.contains("trajectories")) {
        if (!j["trajectories"].is_boolean())
            fault("trajectories", "true ou false attendu");
        c.trajectories = j["trajectories"].get<bool>();
    }

    if (j.contains("plots")) {
        const json& p = j["plots"];
        if (!p.is_array())
            fault("plots", "liste attendue");
        for (size_t k = 0; k < p.size(); ++k) {
            std::string w = "plots[" + std::to_string(k) + "]";
            if (!p[k].is_object())
                fault(w, "objet attendu");
            only_keys(p[k], w, {"figure", "axes"});
            Plot pl;
            const json& f = need(p[k], "figure", w);
            if (!f.is_string() || f.get<std::string>().empty())
                fault(w + ".figure", "nom de grandeur attendu");
            pl.figure = f.get<std::string>();
            const json& a = need(p[k], "axes", w);
            if (!a.is_array() || a.empty() || a.size() > 2)
                fault(w + ".axes", "un ou deux chemins d'axes attendus");
            for (size_t i = 0; i < a.size(); ++i)
                pl.axes.push_back(axis_index(c, a[i], w + ".axes[" + std::to_string(i) + "]"));
            if (pl.axes.size() == 2 && pl.axes[0] == pl.axes[1])
                fault(w + ".axes", "deux axes differents attendus");
            c.plots.push_back(pl);
        }
    }
    c.dir = dir;
}

// sets a swept or drawn value into a case; the file names it holds are taken
// from the campaign's folder
void apply(json& scenario, const std::string& path, const json& v, const std::string& dir)
{
    std::string p = pointer_of(path);
    scenario[json::json_pointer(p)] = v;
    absolute_paths(scenario, dir, p);
}

// splitmix64: spreads a seed over 64 bits
uint64_t mix(uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

uint64_t fnv1a(const std::string& s)
{
    uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char ch : s) {
        h ^= ch;
        h *= 0x100000001b3ULL;
    }
    return h;
}

// uniform in [0, 1) from the top 53 bits: the same on every library, unlike
// the standard distributions, whose algorithms are left to the implementation
double unit(uint64_t bits)
{
    return (double)(bits >> 11) * (1.0 / 9007199254740992.0);
}

} // namespace

std::string pointer_of(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t dot = path.find('.', start);
        if (dot == std::string::npos)
            dot = path.size();
        std::string part = path.substr(start, dot - start);
        std::string esc;
        for (char ch : part)
            esc += ch == '~' ? "~0" : ch == '/' ? "~1" : std::string(1, ch);
        out += "/" + esc;
        start = dot + 1;
    }
    return out;
}

std::string value_text(const json& v)
{
    return v.is_string() ? v.get<std::string>() : v.dump();
}

std::string content_hash(const json& scenario)
{
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", (unsigned long long)fnv1a(scenario.dump()));
    return buf;
}

json draw_value(const Draw& d, uint64_t seed, int k)
{
    // one counter-based stream per drawn value (splitmix64 of a counter),
    // keyed by the campaign seed and the path: draw k is had directly
    uint64_t key = mix(seed ^ fnv1a(pointer_of(d.path)));
    double u1 = unit(mix(key + 2 * (uint64_t)k)), u2 = unit(mix(key + 2 * (uint64_t)k + 1));
    switch (d.kind) {
    case Draw::Uniform:
        return d.a + (d.b - d.a) * u1;
    case Draw::Integer: {
        double n = d.b - d.a + 1;
        long v = (long)d.a + (long)std::floor(u1 * n);
        return v > (long)d.b ? (long)d.b : v;
    }
    case Draw::Normal: {
        // Box-Muller, cosine branch; 1 - u1 lies in (0, 1]
        double z = std::sqrt(-2.0 * std::log(1.0 - u1)) * std::cos(6.283185307179586 * u2);
        double x = d.a + d.b * z;
        if (d.hasLo && x < d.lo)
            x = d.lo;
        if (d.hasHi && x > d.hi)
            x = d.hi;
        return x;
    }
    case Draw::Choice: {
        size_t i = (size_t)std::floor(u1 * (double)d.choices.size());
        return d.choices[i < d.choices.size() ? i : d.choices.size() - 1];
    }
    }
    return nullptr;
}

std::string parse_campaign(const std::string& text, const std::string& dir, Campaign& out)
{
    out = Campaign{};
    try {
        std::istringstream in(text);
        json j = parse_bounded(in, "campagne");
        parse(j, dir, out);
    } catch (const json::parse_error& e) {
        return std::string("JSON illisible (") + e.what() + ")";
    } catch (const Fault& f) {
        return f.where + " : " + f.why;
    } catch (const json::exception& e) {
        return std::string("campagne illisible (") + e.what() + ")";
    }
    return "";
}

std::string read_campaign(const std::string& path, Campaign& out)
{
    std::ifstream f(path);
    if (!f || !is_file(path))
        return path + " : fichier de campagne illisible";
    std::stringstream ss;
    ss << f.rdbuf();
    std::string m = parse_campaign(ss.str(), folder_of(path), out);
    return m.empty() ? m : path + " : " + m;
}

std::vector<Case> expand(const Campaign& c)
{
    std::vector<Case> out;
    size_t axisCases = 1;
    for (const Axis& a : c.axes)
        axisCases *= a.values.size();
    int draws = std::max(c.drawCount, 1);
    out.reserve(axisCases * draws * c.repetitions);
    std::vector<size_t> at(c.axes.size(), 0);
    for (size_t n = 0; n < axisCases; ++n) {
        // mixed-radix count, last axis fastest
        size_t rest = n;
        for (size_t k = c.axes.size(); k-- > 0;) {
            at[k] = rest % c.axes[k].values.size();
            rest /= c.axes[k].values.size();
        }
        for (int d = 0; d < draws; ++d)
            for (int r = 0; r < c.repetitions; ++r) {
                Case cs;
                cs.index = (int)out.size();
                cs.scenario = c.base;
                for (size_t k = 0; k < c.axes.size(); ++k) {
                    const json& v = c.axes[k].values[at[k]];
                    cs.axisValues.push_back(c.axes[k].labels.empty() ? v : json(c.axes[k].labels[at[k]]));
                    apply(cs.scenario, c.axes[k].path, v, c.dir);
                }
                if (c.drawCount > 0)
                    for (const Draw& dr : c.draws) {
                        json v = draw_value(dr, c.seed, d);
                        apply(cs.scenario, dr.path, v, c.dir);
                        cs.drawValues.push_back(std::move(v));
                    }
                if (!c.repetitionSeed.empty()) {
                    Draw s;
                    s.path = c.repetitionSeed;
                    s.kind = Draw::Integer;
                    s.a = 1;
                    s.b = 2147483647;
                    cs.scenario[json::json_pointer(pointer_of(s.path))] =
                        draw_value(s, c.seed, d * c.repetitions + r);
                }
                cs.draw = d;
                cs.repetition = r;
                cs.hash = content_hash(cs.scenario);
                out.push_back(std::move(cs));
            }
    }
    return out;
}

} // namespace campaign
