// Telemetry of the rover: what the step has computed, per wheel and for the
// whole rover, gathered once per tick into a plain record, with the run's
// running figures (distance, energy, extremes) and the CSV line of a tick.
//
// Nothing here evaluates the equations of motion again: the per-wheel values
// are read from the quantities the last sub-step left in the DynRover (contact
// forces and frames, gaps, wheel rates, motor commands). The motor work of a
// period is exact without sub-step bookkeeping because the torque command is
// held over the period: W = N * cmd * (wheel angle change).
//
// Conventions (terramechanics):
//   sinkage   positive into the ground, m
//   slip      i = 1 - V / Vr when driving (|Vr| >= |V|), i = Vr / V - 1 when
//             braking, 0 at rest; V the wheel's forward speed over ground, Vr
//             = r * omega its rim speed, both positive forward; clamped to
//             [-1, 1] (a wheel spun against the motion)
//   forces    of the ground on the wheel in its contact frame: longitudinal
//             positive forward, lateral positive to the wheel's right, normal
//             positive pushing the wheel up
//   rates     wheel rates and motor torques forward positive (the wheel
//             joint's own sign is the opposite: forward is a negative turn
//             about the wheel axis)
//   power     motor torque times motor rate, positive while the motor drives;
//             the energy counts the driving power only (braking is not
//             recovered)
#ifndef KADMER_ROVER_TELEMETRY_H
#define KADMER_ROVER_TELEMETRY_H

#include <cstdio>

#include "rover/dynrover.h"

struct Mnt;

// ---- the record --------------------------------------------------------------

// one wheel at the end of a tick; dynamic-only values are NaN in kinematic
// piloting
struct TelemetryWheel {
    double Fz;        // normal force, N
    double Flong;     // longitudinal soil force, N
    double Flat;      // lateral soil force, N
    double sinkage;   // sinkage, m
    double slip;      // slip ratio, -
    double omega;     // wheel rate, rad/s
    double Tmotor;    // torque at the motor (reducer input), N.m
    double Twheel;    // torque at the wheel (reducer output), N.m
    double power;     // mechanical power of the motor, W
    int contact;      // 1 on the ground, 0 off it, -1 unknown (kinematic)
    int zone;         // rank of the soil zone under the wheel in the zone
                      // list, 0 the first; -1 without macro soil
};

// Zero-initialise (= {}) then telemetry_reset. Fields in this order.
struct Telemetry {
    // -- this tick ---------------------------------------------------------
    double t;                       // model time, s
    int dynamic;                    // 1: filled from the dynamics
    TelemetryWheel wheel[NB_CHAINES];
    double speed;                   // horizontal speed of the body origin, m/s
    double heading;                 // azimut, rad
    double pitch;                   // site, rad
    double roll;                    // gite, rad
    double tipMargin;               // static tip-over margin, rad (below 0:
                                    // the centre of mass is past an edge)
    double power;                   // total motor power, W
    double energy;                  // driving energy since the start, J
    double distance;                // horizontal distance since the start, m
    double energyPerMetre;          // energy / distance, J/m (NaN before 1 mm)

    // -- running figures of the run, for the summary --------------------------
    long ticks;                     // ticks recorded since the start
    long dynTicks;                  // of which from the dynamics
    double slipSum;                 // sum of the slips of moving wheels on
                                    // the ground
    long slipCount;                 // number of those wheel-ticks
    double peakSinkage;             // largest sinkage, m (NaN: none)
    double minTipMargin;            // least tip-over margin, rad (NaN: none)

    // -- kept between ticks ---------------------------------------------------
    double prevPos[3];              // body origin at the last tick, m
    double prevWheel[NB_CHAINES];   // wheel angles at the last tick, rad
    double prevT;                   // model time at the last tick, s
    int started;                    // 0 until the first tick is recorded
};

// ---- recording ---------------------------------------------------------------

// starts a run at the rover's current state: no distance, no energy, no
// extremes (call it when the piloting starts or the rover is reset)
void telemetry_reset(Telemetry* tel, const DynRover* rover);

// records the tick just stepped: dynamic from the quantities the dynamic step
// left in rover, kinematic from the pose and the angles alone; mnt (null:
// flat ground) gives the soil zones of the macro soil
void telemetry_tick(Telemetry* tel, const DynRover* rover, const Mnt* mnt, int dynamic);

// ---- queries -----------------------------------------------------------------

// the static tip-over margin of a centre of mass G over the support polygon of
// the n points P (terrain frame, Z up): the least rotation, about an edge of
// the polygon (convex hull of the points seen from above), that brings G over
// that edge; negative when G is already past it; 0 with fewer than 3 points
// spanning an area. rad
double tip_over_margin(const double P[][3], int n, const double G[3]);

// the centre of mass of the rover in the terrain frame, from the current
// frames and the body masses, m
void rover_centre_of_mass(const DynRover* rover, double G[3]);

// the terramechanics slip ratio of a wheel of forward speed V and rim speed Vr
// (m/s, forward positive); 0 when both are below 1 mm/s
double slip_ratio(double V, double Vr);

// ---- the row as numbers --------------------------------------------------------

// columns of a tick's row: time, 11 per wheel, 9 for the rover
enum { TELEMETRY_PAR_ROUE = 11, TELEMETRY_COLONNES = 1 + TELEMETRY_PAR_ROUE * NB_CHAINES + 9 };

// the name of column k (0 <= k < TELEMETRY_COLONNES) with its unit, as the
// CSV header gives it; out holds at least 32 characters
void telemetry_column_name(int k, char out[32]);

// 1 when column k holds whole numbers (a wheel's contact and zone)
int telemetry_column_whole(int k);

// the tick's row in column order, in the CSV's units (degrees for angles);
// NaN where the CSV leaves the field empty
void telemetry_values(const Telemetry* tel, double out[TELEMETRY_COLONNES]);

// ---- print-outs --------------------------------------------------------------

// the CSV header: every column with its unit, comma-separated, newline
void telemetry_csv_header(FILE* f);

// one CSV row of the tick; NaN values are written as empty fields
void telemetry_csv_row(FILE* f, const Telemetry* tel);

// the run's figures appended to a summary line (leading space, no newline):
// distance_m= mean_slip= peak_sinkage_m= energy_per_m_J= min_tip_margin_deg=,
// "nan" for a figure the run cannot give (kinematic piloting, no motion)
void telemetry_summary(FILE* f, const Telemetry* tel);

#endif
