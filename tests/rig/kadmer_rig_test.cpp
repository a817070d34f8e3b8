// kadmer-rig as a program: its CSV and picture, and status 2 with a clear
// message on bad parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "support/program.h"
#include "terrain/zonesol.h"

namespace {

ProgramRun run(const std::string& args)
{
    return runProgram(KADMER_RIG_PATH " " + args);
}

std::vector<std::string> split(const std::string& s, char c)
{
    std::vector<std::string> v;
    std::string cur;
    std::istringstream is(s);
    while (std::getline(is, cur, c)) v.push_back(cur);
    return v;
}

TEST(KadmerRig, CsvHeaderNamesEveryColumnOfEveryPointAndThePictureIsWritten)
{
    TempDir d;
    const std::string csv = d / "rig.csv", png = d / "rig.png";
    ProgramRun r = run("--preset sable-lete --slip 0:0.3:0.1 --reference -o " + csv + " --png " + png);
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lignes = split(slurp(csv), '\n');
    ASSERT_EQ(lignes.size(), 5u);  // header and the four slips 0, 0.1, 0.2, 0.3
    const std::vector<std::string> entete = split(lignes[0], ',');
    EXPECT_EQ(entete.front(), "slip");
    EXPECT_EQ(entete.size(), 12u);
    for (size_t k = 1; k < lignes.size(); ++k) {
        std::vector<std::string> v = split(lignes[k], ',');
        EXPECT_EQ(v.size(), entete.size()) << lignes[k];
        EXPECT_NEAR(std::stod(v[0]), 0.1 * (k - 1), 1e-12);
        EXPECT_EQ(v[6], "1");  // steady
    }
    // the progress names each point
    EXPECT_NE(r.err.find("point 4/4"), std::string::npos) << r.err;
    const std::string image = slurp(png);
    ASSERT_GT(image.size(), 1000u);
    EXPECT_EQ(image.substr(1, 3), "PNG");
}

TEST(KadmerRig, ZonesFileTakesTheZoneAtThePointAsThePresetWould)
{
    // the default zone written far away, under a level-2 zone of dry sand at
    // the rig's point: the file's sand answers like the preset of that sand
    TempDir d;
    const std::string sols = d / "sols.txt";
    ZonesSol zs = {0, nullptr};
    ajouteZoneDefaut(&zs, 0.0, 0.0, 9999.0);
    ajouteZone(&zs, 2, 5.0, 5.0, 1.0, 1040.0, 28.0 * 0.017453292519943295, 0.0, 990.0, 1528430.0,
               1.1, 1600.0, 0.0, 0.025);
    ecritZones(&zs, std::fopen(sols.c_str(), "w"));
    libereZones(&zs);
    ProgramRun f = run("--zones " + sols + " --xy 5,5.5 --slip 0:0.2:0.1");
    ProgramRun p = run("--preset sable-sec --slip 0:0.2:0.1");
    ASSERT_EQ(f.status, 0) << f.err;
    ASSERT_EQ(p.status, 0) << p.err;
    // the file keeps six decimals of the angle: the same to 1e-6 relative
    std::vector<std::string> lf = split(f.out, '\n'), lp = split(p.out, '\n');
    ASSERT_EQ(lf.size(), lp.size());
    for (size_t k = 1; k < lf.size(); ++k) {
        std::vector<std::string> a = split(lf[k], ','), b = split(lp[k], ',');
        for (size_t c = 0; c < 6; ++c)
            EXPECT_NEAR(std::stod(a[c]), std::stod(b[c]), 1e-6 * (1.0 + std::fabs(std::stod(b[c])))) << lf[k];
    }
}

TEST(KadmerRig, BadParametersGetTheirMessageAndStatusTwo)
{
    TempDir d;
    const std::string abime = d / "abime.txt";
    writeText(abime, "Zone 0\nhzone = 0\nX, Y, R = 0 0, 1\nc = oups\n");
    struct Cas {
        std::string args, message;
    } cas[] = {
        {"--charge -5", "charge W = -5 N"},
        {"--n 3", "exposant d'enfoncement n = 3"},
        {"--phi 90", "angle de frottement interne 90 degres"},
        {"--preset argile-bleue", "sol publie inconnu : \"argile-bleue\""},
        {"--charge 1e7", "au-dela de son rayon"},
        {"--charge 1e-6", "moins d'un micrometre"},
        {"--slip 0:1.5:0.5", "glissement 1.5"},
        {"--slip 0:x:0.1", "--slip attend un nombre"},
        {"--traction", "--traction attend une valeur"},
        {"--sol 3", "--sol : 0, 1 ou 2 attendu"},
        {"--sol 2 --n 0", "l'exposant n doit etre strictement positif"},
        {"--sol 2 --K 0", "le module K doit etre strictement positif"},
        {"--sol 2 --c1 0.6 --c2 0.4", "c1 + c2 < 1"},
        {"--sol 2 --charge 1e7", "au-dela de son axe"},
        {"--sol 1 --macro", "--macro ne sert qu'avec le sol classique"},
        {"--sol 0 --kN -3", "raideur verticale kN = -3"},
        {"--sol 0 --reference", "--reference ne sert qu'avec les sols macro et classique"},
        {"--zones /nonexistent/sols.txt", "illisible"},
        {"--zones " + abime, "Erreur lecture donnees sols ligne 4"},
        {"--bogus", "option inconnue : --bogus"},
    };
    for (const Cas& c : cas) {
        ProgramRun r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.args;  // nothing half-written
    }
}

}  // namespace
