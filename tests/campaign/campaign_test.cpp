// Campaign files and their cases: expansion order and count, ranges, seeded
// draws, content hashes, file names made absolute, refused files with the key
// named, the summary line and the table text.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <set>

#include "campaign.h"
#include "collect.h"
#include "runner.h"
#include "support/files.h"

using namespace campaign;

namespace {

Campaign parsed(const std::string& text, const std::string& dir = "/nonexistent")
{
    Campaign c;
    std::string m = parse_campaign(text, dir, c);
    EXPECT_EQ(m, "") << text;
    return c;
}

std::string refused(const std::string& text)
{
    Campaign c;
    return parse_campaign(text, "/nonexistent", c);
}

} // namespace

TEST(Campaign, CasesAreTheProductOfAxesDrawsAndRepetitionsFirstAxisSlowest)
{
    Campaign c = parsed(R"({"base": {"terrain": {"forme": "plat"}},
        "axes": [{"path": "terrain.cellule", "values": [0.25, 0.5]},
                 {"path": "/pilotage/v", "values": [0.01, 0.02, 0.03]}],
        "draws": {"count": 2, "values": [{"path": "sol.simplifie.phi0", "uniform": [20, 40]}]},
        "repetitions": 2, "seed": 5})");
    std::vector<Case> cases = expand(c);
    ASSERT_EQ(cases.size(), 2u * 3 * 2 * 2);
    std::set<std::string> hashes;
    for (const Case& cs : cases) {
        size_t k = cs.index;
        EXPECT_EQ(cs.repetition, (int)(k % 2));
        EXPECT_EQ(cs.draw, (int)(k / 2 % 2));
        const double v[] = {0.01, 0.02, 0.03};
        EXPECT_EQ(cs.scenario["pilotage"]["v"].get<double>(), v[k / 4 % 3]);
        EXPECT_EQ(cs.scenario["terrain"]["cellule"].get<double>(), k < 12 ? 0.25 : 0.5);
        EXPECT_EQ(cs.scenario["terrain"]["forme"], "plat");  // the base is kept
        EXPECT_EQ(cs.scenario["sol"]["simplifie"]["phi0"], cs.drawValues[0]);
        EXPECT_EQ(cs.hash, content_hash(cs.scenario));
        hashes.insert(cs.hash);
    }
    // repetitions without a seed path are the same scenario, run again
    EXPECT_EQ(hashes.size(), cases.size() / 2);
    EXPECT_EQ(cases[0].hash, cases[1].hash);

    // with a seed path, each repetition is a scenario of its own
    Campaign r = parsed(R"({"base": {}, "repetitions": {"count": 4, "seed_path": "terrain.graine"}, "seed": 9})");
    std::set<std::string> distinct;
    for (const Case& cs : expand(r)) {
        long g = cs.scenario["terrain"]["graine"].get<long>();
        EXPECT_TRUE(g >= 1 && g <= 2147483647L);
        distinct.insert(cs.hash);
    }
    EXPECT_EQ(distinct.size(), 4u);
}

TEST(Campaign, RangesReachTheirEndWithoutDriftAndKeepIntegersWhole)
{
    Campaign c = parsed(R"({"base": {}, "axes": [
        {"path": "a.x", "from": 0, "to": 1, "step": 0.1},
        {"path": "a.y", "from": 1, "to": 2, "count": 3},
        {"path": "a.z", "from": 2, "to": 10, "step": 4}]})");
    ASSERT_EQ(c.axes[0].values.size(), 11u);
    for (size_t k = 0; k < 11; ++k)
        EXPECT_EQ(c.axes[0].values[k].get<double>(), k * 0.1);  // from + k*step, not a running sum
    EXPECT_EQ(c.axes[1].values.back().get<double>(), 2.0);
    EXPECT_EQ(c.axes[1].values[1].get<double>(), 1.5);
    EXPECT_EQ(c.axes[2].values, (std::vector<json>{2, 6, 10}));
    EXPECT_TRUE(c.axes[2].values[1].is_number_integer());
}

TEST(Campaign, DrawsDependOnSeedPathAndIndexOnlyAndKeepTheirLaw)
{
    // path, law, its two figures, bounds (the normal's: 0 below), choices
    const Draw u{"sol.simplifie.kN", Draw::Uniform, 2, 3, false, false, 0, 0, {}},
        u2{"/sol/simplifie/kN", Draw::Uniform, 2, 3, false, false, 0, 0, {}},
        n{"/terrain/bosses", Draw::Normal, 0.1, 0.05, true, false, 0, 0, {}},
        i{"terrain.graine", Draw::Integer, 1, 6, false, false, 0, 0, {}};
    // the same draw whichever way the path is written, another with another seed
    EXPECT_EQ(draw_value(u, 1, 17), draw_value(u2, 1, 17));
    EXPECT_NE(draw_value(u, 1, 17), draw_value(u, 2, 17));

    const int N = 20000;
    double sumU = 0, sumN = 0, sumN2 = 0;
    int clipped = 0;
    std::set<long> faces;
    for (int k = 0; k < N; ++k) {
        double x = draw_value(u, 42, k).get<double>();
        EXPECT_TRUE(x >= 2 && x < 3);
        sumU += x;
        double y = draw_value(n, 42, k).get<double>();
        EXPECT_GE(y, 0.0);
        clipped += y == 0.0;
        sumN += y;
        sumN2 += y * y;
        faces.insert(draw_value(i, 42, k).get<long>());
    }
    // means within 5 standard errors; about 2.3 % of the normal below 0 is clipped
    EXPECT_NEAR(sumU / N, 2.5, 5 * std::sqrt(1.0 / 12 / N));
    EXPECT_NEAR(clipped / (double)N, 0.0228, 5 * std::sqrt(0.0228 / N));
    EXPECT_EQ(faces, (std::set<long>{1, 2, 3, 4, 5, 6}));

    // adding draws or other drawn values leaves the earlier draws as they were
    Campaign a = parsed(R"({"base": {}, "seed": 3, "draws": {"count": 3, "values": [
        {"path": "t.a", "normal": [1, 2]}]}})");
    Campaign b = parsed(R"({"base": {}, "seed": 3, "draws": {"count": 5, "values": [
        {"path": "t.b", "choice": ["x", "y"]}, {"path": "t.a", "normal": [1, 2]}]}})");
    std::vector<Case> ca = expand(a), cb = expand(b);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(ca[k].scenario["t"]["a"], cb[k].scenario["t"]["a"]);
}

TEST(Campaign, FileNamesAreTakenFromTheFolderOfTheFileThatGivesThem)
{
    TempDir tmp;
    const std::string dir = tmp.path;
    ASSERT_EQ(::mkdir((dir + "/base").c_str(), 0755), 0);
    writeText(dir + "/base/run.json",
              R"({"terrain": {"fichier": "sol.txt"}, "pilotage": {"commandes": "/abs/cmds.txt"}, "sol": {"modele": "macro"}})");
    writeText(dir + "/c.json", R"({"base": "base/run.json",
        "axes": [{"path": "sol.zones", "values": ["sable.sol", "/abs/argile.sol"]}]})");
    Campaign c;
    ASSERT_EQ(read_campaign(dir + "/c.json", c), "");
    std::vector<Case> cases = expand(c);
    EXPECT_EQ(cases[0].scenario["terrain"]["fichier"], dir + "/base/sol.txt");
    EXPECT_EQ(cases[0].scenario["pilotage"]["commandes"], "/abs/cmds.txt");
    EXPECT_EQ(cases[0].scenario["sol"]["zones"], dir + "/sable.sol");
    EXPECT_EQ(cases[1].scenario["sol"]["zones"], "/abs/argile.sol");
    EXPECT_EQ(cases[0].axisValues[0], "sable.sol");  // the table shows the value as written
}

TEST(Campaign, RefusedFilesNameTheKeyAndTheReason)
{
    struct Row {
        const char* text;
        const char* message;
    } rows[] = {
        {"{", "JSON illisible"},
        {"[]", "campagne : objet JSON attendu"},
        {R"({"axes": []})", "base : cle manquante"},
        {R"({"base": 3})", "base : scenario (objet JSON) ou nom de fichier attendu"},
        {R"({"base": "absent.json"})", "base : fichier de scenario illisible : /nonexistent/absent.json"},
        {R"({"base": {}, "axis": []})", "axis : cle inconnue"},
        {R"({"base": {}, "axes": [{"values": [1]}]})", "axes[0].path : cle manquante"},
        {R"({"base": {}, "axes": [{"path": "a", "values": []}]})", "axes[0].values : liste non vide attendue"},
        {R"({"base": {}, "axes": [{"path": "a", "values": [1], "from": 0}]})", "axes[0] : \"values\" ou \"from\"/\"to\""},
        {R"({"base": {}, "axes": [{"path": "a", "from": 0, "to": 1}]})", "axes[0] : \"step\" ou \"count\" attendu"},
        {R"({"base": {}, "axes": [{"path": "a", "from": 0, "to": 1, "step": 0}]})", "axes[0].step : pas positif attendu"},
        {R"({"base": {}, "axes": [{"path": "a", "from": 0, "to": 1e9, "step": 1}]})", "axes[0].step : plus de 100000 valeurs"},
        {R"({"base": {}, "axes": [{"path": "a", "values": [1], "labels": ["x", "y"]}]})", "axes[0].labels : un nom par valeur attendu (1)"},
        {R"({"base": {"duree": 10}, "axes": [{"path": "duree.x", "values": [1]}]})", "axes[0].path : \"/duree\" n'est pas un objet"},
        {R"({"base": {}, "axes": [{"path": "a", "values": [1]}, {"path": "/a", "values": [2]}]})", "axes[1].path : \"/a\" est deja balaye ou tire"},
        {R"({"base": {}, "axes": [{"path": "a", "values": [1]}], "draws": {"count": 1, "values": [{"path": "a.b", "uniform": [0, 1]}]}})", "draws.values[0].path : \"/a/b\" est dans \"/a\""},
        {R"({"base": {"z": [1]}, "axes": [{"path": "/z/x", "values": [1]}]})", "axes[0].path : \"/z/x\" ne mene a aucune valeur"},
        {R"({"base": {"z": [1]}, "axes": [{"path": "z.3", "values": [1]}]})", "axes[0].path : position \"3\" hors du tableau \"/z\" (1 valeurs)"},
        {R"({"base": {}, "axes": [{"path": "sol.5555555555555555555.c", "values": [1]}]})", "axes[0].path : position \"5555555555555555555\" d'un tableau absent"},
        {R"({"base": {}, "axes": [{"path": "a", "from": 0, "to": 999, "step": 1}, {"path": "b", "from": 0, "to": 999, "step": 1}, {"path": "c", "values": [1, 2]}]})", "axes : plus d'un million de cas"},
        {R"({"base": {}, "draws": {"count": 0, "values": [{"path": "a", "uniform": [0, 1]}]}})", "draws.count : entier de 1 a 1000000 attendu"},
        {R"({"base": {}, "draws": {"count": 2, "values": [{"path": "a"}]}})", "draws.values[0] : une loi attendue"},
        {R"({"base": {}, "draws": {"count": 2, "values": [{"path": "a", "uniform": [1, 0]}]}})", "draws.values[0].uniform : [min, max] avec min <= max attendu"},
        {R"({"base": {}, "draws": {"count": 2, "values": [{"path": "a", "normal": [0, -1]}]}})", "ecart-type positif attendu"},
        {R"({"base": {}, "draws": {"count": 2, "values": [{"path": "a", "uniform": [0, 1], "min": 0}]}})", "\"min\"/\"max\" ne servent qu'avec \"normal\""},
        {R"({"base": {}, "seed": -1})", "seed : entier de 0 a"},
        {R"({"base": {}, "seed": 1.5})", "seed : entier attendu"},
        {R"({"base": {}, "repetitions": 0})", "repetitions : entier de 1 a 100000 attendu"},
        {R"({"base": {}, "figures": ["a b"]})", "figures[0] : nom sans espace"},
        {R"({"base": {}, "time_limit_s": 0})", "time_limit_s : duree de 0 (exclu)"},
        {R"({"base": {}, "trajectories": 1})", "trajectories : true ou false attendu"},
        {R"({"base": {}, "axes": [{"path": "a", "values": [1]}], "plots": [{"figure": "x", "axes": ["b"]}]})", "plots[0].axes[0] : \"b\" n'est pas un axe"},
        {R"({"base": {}, "axes": [{"path": "a", "values": [1]}], "plots": [{"figure": "x", "axes": ["a", "a"]}]})", "plots[0].axes : deux axes differents attendus"},
    };
    for (const Row& r : rows) {
        std::string m = refused(r.text);
        EXPECT_NE(m.find(r.message), std::string::npos) << r.text << "\n  gives: " << m;
    }
    std::string deep = R"({"base": )" + std::string(100, '[') + std::string(100, ']') + "}";
    EXPECT_NE(refused(deep).find("imbrication"), std::string::npos);
}

TEST(Campaign, SummaryIsTheLastLineKeyByKeyAndTheErrorTailItsEnd)
{
    auto kv = parse_summary("progress\nticks=3 time=0.120 note wall=0.1 =x rtf=1.2\n\n");
    ASSERT_EQ(kv.size(), 4u);
    EXPECT_EQ(kv[0], (std::pair<std::string, std::string>{"ticks", "3"}));
    EXPECT_EQ(kv[3], (std::pair<std::string, std::string>{"rtf", "1.2"}));
    EXPECT_TRUE(parse_summary("").empty());

    std::string err;
    for (int k = 0; k < 100; ++k)
        err += "ligne " + std::to_string(k) + "\n";
    std::string t = tail_of(err, 40);
    EXPECT_LE(t.size(), 40u);
    EXPECT_EQ(t.substr(t.size() - 8), "ligne 99");  // whole lines, the last one kept
    EXPECT_EQ(t.substr(0, 6), "ligne ");
}

TEST(Campaign, TableFieldsWithCommasQuotesOrLineEndsAreQuoted)
{
    Table t;
    t.axes = {"sol"};
    t.figures = {"distance_m"};
    Row r;
    r.axes = {"sable, \"sec\""};
    r.hash = "00";
    r.status = "echec";
    r.exitCode = 2;
    r.figures = {""};
    r.stderrTail = "a\nb";
    t.rows.push_back(r);
    EXPECT_EQ(csv_text(t),
              "case,sol,draw,repetition,hash,status,exit_code,signal,distance_m,stderr_tail\n"
              "0,\"sable, \"\"sec\"\"\",0,0,00,echec,2,,,\"a\nb\"\n");
}
