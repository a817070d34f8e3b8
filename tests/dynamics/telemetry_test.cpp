// Telemetry of the rover: the tip-over margin and the slip ratio on their
// own, then the tick's record on driven rovers (weight, slip, energy) and its
// CSV line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dynamics/support.h"
#include "support/streams.h"
#include "rover/piloting.h"
#include "rover/telemetry.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"

namespace {

// a rover with the internal data on a generated flat terrain, or on a ramp
// rising along Y by `grade` (a terrain file written to a temp folder), with
// the visco-elastic soil; placed on the ground, dynamics reset
struct Drive {
    DynRover* rover;
    Mnt mnt;
    DynSol sol;
    FILE* file = nullptr;
    Telemetry tel = {};

    explicit Drive(double grade = 0.0, double frictionAngle = 0.5235987755982988, bool wheelFriction = true)
    {
        rover = make_rover(1.0, 0.0, 0, 0);
        if (!wheelFriction) {
            rover->data.fsRoue = rover->data.fvRoue = 0.0;
            dyn_constants(rover);
        }
        std::memset(&mnt, 0, sizeof mnt);
        defauts_mnt(&mnt);
        mnt.hBosses = 0.0;
        mnt.typeMNT = MntPlat;
        if (grade != 0.0) {
            file = std::tmpfile();
            for (int j = 0; j <= 20; ++j) {
                for (int i = 0; i <= 20; ++i)
                    std::fprintf(file, "%s%.6f", i ? " " : "", grade * (j - 10));
                std::fputc('\n', file);
            }
            mnt.fichier = file;
        }
        EXPECT_EQ(new_mnt(&mnt), 0);
        init_dynSol(&sol, frictionAngle, rover->data.g);
        mnt.sol = &sol;
        EXPECT_EQ(place_on_ground(&rover->conf, &mnt), nullptr);
        dyn_reset(rover);
        telemetry_reset(&tel, rover);
    }
    ~Drive()
    {
        libere_mnt(&mnt);
        if (file)
            std::fclose(file);
        std::free(rover);
    }
    void run(double seconds, double vDes)
    {
        for (int k = 0; k < std::lround(seconds / 0.04); ++k) {
            ASSERT_EQ(dyn_step(rover, &mnt, 0.0, vDes, 0.04), nullptr);
            telemetry_tick(&tel, rover, &mnt, 1);
        }
    }
};

const double Deg = 0.017453292519943295;

} // namespace

TEST(Telemetry, TipOverMarginIsTheAngleToTheNearestEdgeWhateverThePointOrder)
{
    // a 2 m square on flat ground, centre of mass h = 0.5 m above it
    const double h = 0.5;
    double P[5][3] = {{-1, -1, 0}, {1, 1, 0}, {1, -1, 0}, {-1, 1, 0}, {0, 1, 0}};
    const double centre[3] = {0, 0, h}, near[3] = {0.9, 0, h}, out[3] = {1.5, 0.2, h};
    EXPECT_NEAR(tip_over_margin(P, 4, centre), std::atan(1.0 / h), 1e-12);
    EXPECT_NEAR(tip_over_margin(P, 4, near), std::atan(0.1 / h), 1e-12);
    EXPECT_NEAR(tip_over_margin(P, 4, out), -std::atan(0.5 / h), 1e-12);
    // a point on an edge changes nothing
    EXPECT_NEAR(tip_over_margin(P, 5, near), std::atan(0.1 / h), 1e-12);
    // no area: no support
    double line[3][3] = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    EXPECT_EQ(tip_over_margin(line, 3, centre), 0.0);
    EXPECT_EQ(tip_over_margin(P, 2, centre), 0.0);

    // the same square tilted by 20 degrees about X (a slope along Y): the
    // uphill edge's margin grows by the tilt, the downhill one shrinks by it
    const double a = 20 * Deg;
    double T[4][3];
    for (int k = 0; k < 4; ++k) {
        T[k][0] = P[k][0];
        T[k][1] = std::cos(a) * P[k][1];
        T[k][2] = std::sin(a) * P[k][1];
    }
    double G[3] = {0, -std::sin(a) * h, std::cos(a) * h};
    EXPECT_NEAR(tip_over_margin(T, 4, G), std::atan(1.0 / h) - a, 1e-12);
}

TEST(Telemetry, SlipRatioFollowsTheTerramechanicsDefinition)
{
    struct Row {
        double V, Vr, slip;
    } rows[] = {
        {1.0, 1.0, 0.0},    // rolling
        {0.5, 1.0, 0.5},    // driving: 1 - V/Vr
        {0.0, 1.0, 1.0},    // spinning in place
        {1.0, 0.5, -0.5},   // braking: Vr/V - 1
        {1.0, 0.0, -1.0},   // locked wheel sliding
        {-0.5, -1.0, 0.5},  // driving backwards
        {1.0, -1.0, 1.0},   // spun against the motion: clamped
        {0.0, 0.0, 0.0},    // at rest
        {2e-4, 5e-4, 0.0},  // below 1 mm/s: at rest
    };
    for (const Row& r : rows)
        EXPECT_DOUBLE_EQ(slip_ratio(r.V, r.Vr), r.slip) << "V=" << r.V << " Vr=" << r.Vr;
}

TEST(Telemetry, AtRestTheWheelsCarryTheWeightAndNothingSlips)
{
    Drive d;
    d.run(3.0, 0.0);
    const Telemetry& t = d.tel;
    double Fz = 0, Fl = 0, Ft = 0, W = d.rover->mtot * d.rover->data.g;
    for (const TelemetryWheel& w : t.wheel) {
        EXPECT_EQ(w.contact, 1);
        EXPECT_GT(w.sinkage, 0.0);
        EXPECT_EQ(w.slip, 0.0);
        EXPECT_NEAR(w.power, 0.0, 1e-3 * W);  // W at a 1 mm/s creep
        Fz += w.Fz;
        Fl += w.Flong;
        Ft += w.Flat;
    }
    // flat ground: the normal forces balance the weight, the tangential ones
    // each other (0.5 %: what is left of the settling)
    EXPECT_NEAR(Fz, W, 5e-3 * W);
    EXPECT_NEAR(Fl, 0.0, 5e-3 * W);
    EXPECT_NEAR(Ft, 0.0, 5e-3 * W);
    EXPECT_NEAR(t.speed, 0.0, 1e-3);
    // the centre of mass is well inside the six wheels
    EXPECT_GT(t.tipMargin, 20 * Deg);
    EXPECT_LT(t.tipMargin, 80 * Deg);
    EXPECT_NEAR(t.minTipMargin, t.tipMargin, 1 * Deg);

    // the kinematic path's centre of mass, summed over the bodies' frames,
    // is the one the dynamics keep
    double G[3], Gd[3];
    rover_centre_of_mass(d.rover, G);
    frame_apply(Gd, d.rover->conf.caisse, d.rover->RG);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(G[k], Gd[k], 1e-12);

    // the support is the wheels on the ground: lifted clear of it, the rover
    // has none, whatever its six wheels' places
    d.rover->conf.pos[2] += 0.5;
    ASSERT_EQ(dyn_configuration(d.rover, &d.mnt), nullptr);
    telemetry_tick(&d.tel, d.rover, &d.mnt, 1);
    for (const TelemetryWheel& w : t.wheel)
        EXPECT_EQ(w.contact, 0);
    EXPECT_EQ(t.tipMargin, 0.0);
}

TEST(Telemetry, SlipIsSmallRollingAndNearOneWithTheBodyHeld)
{
    Drive rolling;
    rolling.run(5.0, 0.1);
    for (const TelemetryWheel& w : rolling.tel.wheel) {
        EXPECT_NEAR(w.slip, 0.0, 0.02);
        EXPECT_NEAR(w.omega, 0.1 / 0.15, 0.02 / 0.15);  // forward, r = 0.15 m
        EXPECT_GT(w.Tmotor, 0.0);
    }
    EXPECT_NEAR(rolling.tel.speed, 0.1, 0.005);
    EXPECT_NEAR(rolling.tel.distance, 0.1 * 5.0, 0.05);

    // the body clamped where it stands on a slippery soil (friction angle 5
    // degrees, beyond the motors' torque): the wheels spin without going
    // anywhere
    Drive held(0.0, 5 * Deg);
    DynRover* r = held.rover;
    double pos[3], att[3];
    std::memcpy(pos, r->conf.pos, sizeof pos);
    std::memcpy(att, r->conf.att, sizeof att);
    for (int k = 0; k < 75; ++k) {
        ASSERT_EQ(dyn_step(r, &held.mnt, 0.0, 0.1, 0.04), nullptr);
        std::memcpy(r->conf.pos, pos, sizeof pos);
        std::memcpy(r->conf.att, att, sizeof att);
        std::memset(r->vit, 0, sizeof r->vit);
        ASSERT_EQ(dyn_configuration(r, &held.mnt), nullptr);
        telemetry_tick(&held.tel, r, &held.mnt, 1);
    }
    // (the clamp leaves the bogies free: wheels rock off the ground, and
    // which of them bear at the end turns on rounding, 2 to 4 of them)
    int bearing = 0;
    for (const TelemetryWheel& w : held.tel.wheel)
        if (w.contact == 1) {
            ++bearing;
            EXPECT_GT(w.slip, 0.9);
        }
    EXPECT_GE(bearing, 2);
    EXPECT_GT(held.tel.slipSum / held.tel.slipCount, 0.5);
    // the distance is the body's: spinning wheels travel nowhere
    EXPECT_EQ(held.tel.distance, 0.0);
}

TEST(Telemetry, EnergyPerMetreIsPositiveAndRisesWithTheSlope)
{
    double perMetre[3];
    const double grades[3] = {0.0, 0.1, 0.2};
    for (int k = 0; k < 3; ++k) {
        Drive d(grades[k]);
        d.run(6.0, 0.1);
        EXPECT_GT(d.tel.distance, 0.4);
        perMetre[k] = d.tel.energyPerMetre;
        EXPECT_NEAR(d.tel.energy, perMetre[k] * d.tel.distance, 1e-9 * d.tel.energy);
        EXPECT_GT(d.tel.power, 0.0);
    }
    EXPECT_GT(perMetre[0], 0.0);
    EXPECT_GT(perMetre[1], perMetre[0]);
    EXPECT_GT(perMetre[2], perMetre[1]);
    // climbing takes at least the lift: m g per metre times the grade's sine
    Drive d;
    double lift = d.rover->mtot * d.rover->data.g * std::sin(std::atan(0.2));
    EXPECT_GT(perMetre[2], perMetre[0] + 0.9 * lift);

    // down the same grade, with wheel reducers that do not hold it back
    // themselves, the motors do: braking is not energy spent (none is
    // recovered either)
    Drive down(-0.2, 30 * Deg, false);
    down.run(6.0, 0.1);
    EXPECT_GT(down.tel.distance, 0.4);
    EXPECT_LT(down.tel.power, 0.0);
    EXPECT_LT(down.tel.energy, 0.1 * lift * down.tel.distance);
}

TEST(Telemetry, CsvHeaderNamesEveryFieldOfTheRowsAndKinematicRowsLeaveDynamicsEmpty)
{
    Drive d;
    d.run(0.4, 0.1);
    FILE* f = std::tmpfile();
    telemetry_csv_header(f);
    telemetry_csv_row(f, &d.tel);
    Telemetry kin = {};
    telemetry_reset(&kin, d.rover);
    ASSERT_EQ(kin_step(&d.rover->conf, &d.mnt, 0.0, 0.1, 0.04), nullptr);
    d.rover->conf.temps += 0.04;
    telemetry_tick(&kin, d.rover, &d.mnt, 0);
    telemetry_csv_row(f, &kin);
    std::rewind(f);
    auto split = [](const std::string& line) {
        std::vector<std::string> cells;
        std::stringstream ss(line);
        std::string cell;
        while (std::getline(ss, cell, ','))
            cells.push_back(cell);
        if (!line.empty() && line.back() == ',')
            cells.push_back("");
        return cells;
    };
    char buf[8192];
    std::vector<std::vector<std::string>> lines;
    while (std::fgets(buf, sizeof buf, f)) {
        std::string s(buf);
        ASSERT_EQ(s.back(), '\n');
        s.pop_back();
        lines.push_back(split(s));
    }
    std::fclose(f);
    ASSERT_EQ(lines.size(), 3u);
    const std::vector<std::string>& head = lines[0];
    EXPECT_EQ(head.size(), 1u + 6u * 11u + 9u);
    EXPECT_EQ(std::set<std::string>(head.begin(), head.end()).size(), head.size());
    EXPECT_EQ(head[0], "t_s");
    auto col = [&head](const std::string& name) {
        for (size_t k = 0; k < head.size(); ++k)
            if (head[k] == name)
                return (int)k;
        ADD_FAILURE() << "no column " << name;
        return 0;
    };
    EXPECT_EQ(lines[1].size(), head.size());
    EXPECT_EQ(lines[2].size(), head.size());
    for (const char* name : {"Fz_AvantG_N", "slip_MilieuD", "Tmotor_aRriereG_Nm", "power_W",
                             "energy_J", "energy_per_m_J_m"}) {
        EXPECT_FALSE(lines[1][col(name)].empty()) << name;
        EXPECT_TRUE(lines[2][col(name)].empty()) << name;
    }
    for (const char* name : {"t_s", "omega_AvantD_rad_s", "speed_m_s", "pitch_deg",
                             "tip_margin_deg", "distance_m"}) {
        EXPECT_FALSE(lines[1][col(name)].empty()) << name;
        EXPECT_FALSE(lines[2][col(name)].empty()) << name;
    }
    EXPECT_NEAR(std::atof(lines[2][col("omega_AvantD_rad_s")].c_str()), 0.1 / 0.15, 1e-3);
    // the visco-elastic soil has no zones
    EXPECT_TRUE(lines[1][col("zone_AvantG")].empty());

    // the summary of a kinematic run knows distance and margin only
    const std::string summary = printed([&](FILE* s) { telemetry_summary(s, &kin); });
    EXPECT_NE(summary.find(" distance_m=0.004 mean_slip=nan peak_sinkage_m=nan "
                           "energy_per_m_J=nan min_tip_margin_deg="),
              std::string::npos)
        << summary;
}
