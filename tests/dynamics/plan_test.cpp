// Drive plans run by kadmer-sim: arcs, headings and waypoints end where
// geometry puts them, every limit and keep-out zone stops the drive with
// status 3, odometry on soft soil falls short by the slip, and plans the rover
// cannot drive are refused naming their key.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "support/plans.h"

namespace {

const double Pi = 3.141592653589793;
// the middle axle lies a steering offset, 0.25 of the track, behind the body origin
const double A = 0.25 * 1.0;

double ecartAngle(double a, double b) { return std::remainder(a - b, 360.0); }

std::string arc(double rayon, double longueur)
{
    return "{\"commandes\": [{\"arc\": {\"rayon\": " + std::to_string(rayon) +
           ", \"longueur\": " + std::to_string(longueur) + "}}]}";
}

} // namespace

TEST(Plan, ArcsEndWhereCircleGeometryPutsThem)
{
    struct Row {
        const char* mode;
        double rayon, longueur, tolerance;  // tolerance on the end, m
    } rows[] = {
        // kinematic: the report's 0.1 mm; dynamic: the visco-elastic soil's slip
        {"kin", 2.0, 1.5, 2e-4}, {"kin", -3.0, 2.0, 2e-4}, {"kin", 5.0, -1.0, 2e-4},
        {"dyn", 2.0, 1.5, 0.03},
    };
    for (const Row& r : rows) {
        PlanRun p = runPlan(planScenario(TerrainPlat, r.mode, 0, 0, 0, arc(r.rayon, r.longueur)));
        ASSERT_EQ(p.status, 0) << r.mode << " " << r.rayon << ": " << p.err;
        ASSERT_EQ(p.rows.size(), 1u);
        // the middle axle from (0, -A) on the circle of centre (-R, -A)
        const double t = r.longueur / r.rayon;
        const double x = -r.rayon + r.rayon * std::cos(t) - A * std::sin(t);
        const double y = -A + r.rayon * std::sin(t) + A * std::cos(t);
        EXPECT_NEAR(p.num(0, "x_m"), x, r.tolerance) << r.mode << " R " << r.rayon;
        EXPECT_NEAR(p.num(0, "y_m"), y, r.tolerance) << r.mode << " R " << r.rayon;
        EXPECT_NEAR(ecartAngle(p.num(0, "cap_deg"), t * 180 / Pi), 0.0, 200 * r.tolerance);
        // the dynamics' last tick may overshoot by a tick's travel, 2 mm
        EXPECT_NEAR(p.num(0, "odometrie_m"), std::fabs(r.longueur), 2e-3);
    }
}

TEST(Plan, HeadingsEndWithinADegreeOnTheShorterSide)
{
    struct Row {
        const char* mode;
        double cap;
    } rows[] = {{"kin", 90}, {"kin", -170}, {"kin", 45}, {"kin", 300}, {"dyn", -100}};
    for (const Row& r : rows) {
        PlanRun p = runPlan(planScenario(TerrainPlat, r.mode, 0, 0, 0,
                                         "{\"commandes\": [{\"cap\": " + std::to_string(r.cap) + "}]}"));
        ASSERT_EQ(p.status, 0) << r.cap << ": " << p.err;
        EXPECT_LE(std::fabs(ecartAngle(p.num(0, "cap_deg"), r.cap)), 1.0) << r.mode << " " << r.cap;
        // the tightest arc (radius 1 m, 1/cMax) through the smaller angle
        const double angle = std::fabs(std::remainder(r.cap, 360.0)) * Pi / 180;
        EXPECT_NEAR(p.num(0, "odometrie_m"), angle * 1.0, 0.03) << r.cap;
    }
}

TEST(Plan, WaypointsAreReachedWithinTheirToleranceFromSeveralStarts)
{
    struct Row {
        const char* mode;
        double x, y, azimut;
    } rows[] = {{"kin", 0, 0, 0},      {"kin", -2, 1, 90},  {"kin", 1, -2, 180},
                {"kin", 5, 6, -135},   {"dyn", -1, 0, -90}};
    for (const Row& r : rows) {
        PlanRun p = runPlan(planScenario(
            TerrainPlat, r.mode, r.x, r.y, r.azimut,
            "{\"commandes\": [{\"point\": {\"x\": 3, \"y\": 4, \"tolerance\": 0.3, \"delai\": 900}}]}"));
        ASSERT_EQ(p.status, 0) << r.x << ", " << r.y << ": " << p.err;
        EXPECT_EQ(p.summary["plan_statut"], "ok");
        EXPECT_EQ(p.summary["plan_commandes"], "1/1");
        EXPECT_LE(std::hypot(p.num(0, "x_m") - 3, p.num(0, "y_m") - 4), 0.3)
            << r.mode << " from " << r.x << ", " << r.y << ", " << r.azimut;
    }
}

TEST(Plan, EachLimitAndKeepOutZoneStopsTheDriveWithStatus3)
{
    const std::string sinus =
        "\"forme\": \"sinus\", \"bosses\": 0, \"xmin\": -6, \"xmax\": 6, \"ymin\": -6, \"ymax\": 6";
    const std::string bosses =
        "\"forme\": \"aleatoire\", \"bosses\": 0.3, \"xmin\": -6, \"xmax\": 6, \"ymin\": -6, \"ymax\": 6";
    // dry sand under the classical law: the wheels sink and slip
    const std::string sable =
        "\"sol\": {\"modele\": \"classique\", \"zones\": [{\"n\": 1.1, \"kc\": 990, \"kphi\": "
        "1528430, \"c\": 1040, \"phi\": 28, \"K\": 0.025, \"lbda\": 0}]}";
    struct Row {
        std::string terrain;
        const char* mode;
        std::string premiere, plan, autres;
        const char* raison;  // in the stop message
        const char* statut;  // the first command's, in the report
    } rows[] = {
        {TerrainPlat, "kin", "{\"droit\": 4}",
         "\"zones_interdites\": [{\"x\": 0.6, \"y\": 2.5, \"rayon\": 0.3}]", "",
         "roue AvantD dans la zone interdite 1", "arrete"},
        {sinus, "kin", "{\"droit\": 8}", "\"limites\": {\"inclinaison\": 20}", "", "inclinaison ",
         "arrete"},
        {sinus, "kin", "{\"droit\": 8}", "\"limites\": {\"marge\": 20}", "", "marge ", "arrete"},
        {bosses, "kin", "{\"droit\": 8}", "\"limites\": {\"garde_sol\": 0.2}", "", "garde_sol ",
         "arrete"},
        {TerrainPlat, "dyn", "{\"droit\": 1}", "\"limites\": {\"enfoncement\": 0.02}", sable,
         "enfoncement ", "arrete"},
        {TerrainPlat, "dyn", "{\"droit\": 1}",
         "\"limites\": {\"glissement\": 0.3, \"controle_glissement\": 0.4}", sable, "glissement ",
         "arrete"},
        {TerrainPlat, "kin", "{\"point\": {\"x\": 7, \"y\": 7, \"tolerance\": 0.2, \"delai\": 20}}",
         "\"limites\": {}", "", "point (7, 7) non atteint en 20 s", "delai"},
        // the step's own message: a wheel off the terrain
        {TerrainPlat, "dyn", "{\"droit\": 12}", "\"limites\": {}", "", "Rover hors du terrain ;",
         "arrete"},
        {TerrainPlat, "kin", "{\"droit\": -12}", "\"limites\": {}", "", "hors du terrain ;",
         "arrete"},
    };
    for (const Row& r : rows) {
        const std::string plan =
            "{\"commandes\": [" + r.premiere + ", {\"droit\": 0.1}], " + r.plan + "}";
        PlanRun p = runPlan(planScenario(r.terrain, r.mode, 0, 0, 0, plan, r.autres));
        EXPECT_EQ(p.status, 3) << r.raison << ": " << p.err;
        EXPECT_NE(p.err.find("commande 1 ("), std::string::npos) << p.err;
        EXPECT_NE(p.err.find(r.raison), std::string::npos) << r.raison << " in " << p.err;
        ASSERT_EQ(p.rows.size(), 2u) << r.raison;
        EXPECT_EQ(p.rows[0]["statut"], r.statut) << r.raison;
        EXPECT_EQ(p.rows[1]["statut"], "non_execute") << r.raison;
        EXPECT_EQ(p.summary["plan_statut"], r.statut) << r.raison;
        EXPECT_EQ(p.summary["plan_commandes"], "0/2") << r.raison;
    }
}

TEST(Plan, OnSoftSoilTheOdometryFallsShortByTheMeasuredSlip)
{
    PlanRun p = runPlan(planScenario(
        TerrainPlat, "dyn", 0, 0, 0, "{\"commandes\": [{\"droit\": 1.5}]}",
        "\"sol\": {\"modele\": \"classique\", \"zones\": [{\"n\": 1.1, \"kc\": 990, \"kphi\": "
        "1528430, \"c\": 1040, \"phi\": 28, \"K\": 0.025, \"lbda\": 0}]}"));
    ASSERT_EQ(p.status, 0) << p.err;
    EXPECT_NEAR(p.num(0, "odometrie_m"), 1.5, 2e-3);
    // the straight-line shortfall against the wheels' own slip ratios
    const double manque = 1.0 - std::hypot(p.num(0, "x_m"), p.num(0, "y_m")) / p.num(0, "odometrie_m");
    const double slip = std::atof(p.summary["mean_slip"].c_str());
    EXPECT_GT(slip, 0.2);
    EXPECT_NEAR(manque, slip, 0.02);
    EXPECT_NEAR(p.num(0, "glissement"), manque, 0.01);
}

TEST(Plan, PlansTheRoverCannotDriveAreRefusedNamingTheKey)
{
    struct Row {
        std::string plan;
        const char* message;
    } rows[] = {
        {arc(0.5, 1.0), "pilotage.plan.commandes[0].arc.rayon : rayon d'au moins 1 m (1/cMax)"},
        {"{\"vitesse\": 0.5, \"commandes\": [{\"droit\": 1}]}",
         "pilotage.plan.vitesse : vitesse de 0 a 0.05 m/s (vMax) attendue, pas 0.5"},
        {"{\"commandes\": [{\"droit\": 1, \"vitesse\": 0.2}]}", "pilotage.plan.commandes[0].vitesse"},
        {"{\"commandes\": [{\"point\": {\"x\": 9, \"y\": 0, \"tolerance\": 0}}]}",
         "pilotage.plan.commandes[0].point.tolerance : tolerance positive attendue, pas 0"},
    };
    for (const Row& r : rows) {
        PlanRun p = runPlan(planScenario(TerrainPlat, "kin", 0, 0, 0, r.plan));
        EXPECT_EQ(p.status, 2) << r.plan;
        EXPECT_NE(p.err.find(r.message), std::string::npos) << r.message << " in " << p.err;
    }
}

TEST(Plan, TheExamplePlanReachesItsWaypointAndDrawsItsMap)
{
    TempDir tmp;
    ProgramRun r = runProgram(std::string(KADMER_SIM_PATH) + " --summary --scenario " KADMER_SOURCE_DIR
                              "/examples/plan.json --rapport " + tmp / "r.csv" + " --carte " +
                              tmp / "carte.png");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("plan_statut=ok plan_commandes=5/5 plan_ecart_m="), std::string::npos) << r.out;
    const std::string csv = slurp(tmp / "r.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6) << csv;
    EXPECT_EQ(csv.find("arrete"), std::string::npos) << csv;
    const std::string png = slurp(tmp / "carte.png");
    ASSERT_GT(png.size(), 10000u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}
