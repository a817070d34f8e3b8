// Telemetry of the rover: the tick's record, the tip-over margin, the CSV.
#include "rover/telemetry.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "terrain/mnt.h"
#include "terrain/zonesol.h"

namespace {

const double RadToDeg = 57.29577951308232;
const double NaN = std::nan("");

// below this speed (m/s) a wheel is at rest for its slip
const double VitesseRepos = 1e-3;

// the support polygon takes at most this many points
enum { MaxAppuis = 16 };

// length of a horizontal vector (no overflow to fear at the rover's scale)
inline double norm2(double x, double y)
{
    return std::sqrt(x * x + y * y);
}

// the few 3-vector operations of the margin, inlined: it runs every tick
inline double dot(const double a[3], const double b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// o = a + s b
inline void axpy(double o[3], const double a[3], double s, const double b[3])
{
    for (int k = 0; k < 3; ++k)
        o[k] = a[k] + s * b[k];
}

inline void cross(double o[3], const double a[3], const double b[3])
{
    o[0] = a[1] * b[2] - a[2] * b[1];
    o[1] = a[2] * b[0] - a[0] * b[2];
    o[2] = a[0] * b[1] - a[1] * b[0];
}

// z component of (b - a) x (c - a), seen from above
double turn(const double a[3], const double b[3], const double c[3])
{
    return (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
}

// rank of the zone under (x, y) in the zone list, -1 without soil zones
int zone_rank(const Mnt* mnt, double x, double y)
{
    if (!mnt || (mnt->typeDyn != SolMacro && mnt->typeDyn != SolClassique) || !mnt->sol)
        return -1;
    const ZonesSol* zs = static_cast<const ZonesSol*>(mnt->sol);
    const ZoneSol* z = chercheZone(zs, x, y);
    int k = 0;
    for (const ZoneSol* p = zs->premiere; p; p = p->suivante, ++k)
        if (p == z)
            return k;
    return -1;
}

// one CSV line built in place: a field is written with six significant
// digits ("%.6g"), an unknown value as an empty field
struct Ligne {
    char text[2048];
    char* p = text;

    void field(double v)
    {
        *p++ = ',';
        if (std::isfinite(v))
            p = std::to_chars(p, text + sizeof text - 2, v, std::chars_format::general, 6).ptr;
    }
    void whole(int v)
    {
        *p++ = ',';
        if (v >= 0)
            p = std::to_chars(p, text + sizeof text - 2, v).ptr;
    }
};

} // namespace

// ---- queries -----------------------------------------------------------------

double slip_ratio(double V, double Vr)
{
    double aV = std::fabs(V), aR = std::fabs(Vr);
    if (aV < VitesseRepos && aR < VitesseRepos)
        return 0.0;
    double i = aR >= aV ? 1.0 - V / Vr : Vr / V - 1.0;
    return i > 1.0 ? 1.0 : i < -1.0 ? -1.0 : i;
}

double tip_over_margin(const double P[][3], int n, const double G[3])
{
    if (n > MaxAppuis)
        n = MaxAppuis;
    if (n < 3)
        return 0.0;

    // convex hull seen from above (Andrew's monotone chain), counter-clockwise,
    // without collinear points
    int order[MaxAppuis];
    for (int k = 0; k < n; ++k)
        order[k] = k;
    for (int k = 1; k < n; ++k)
        for (int m = k; m > 0; --m) {
            const double* a = P[order[m - 1]];
            const double* b = P[order[m]];
            if (a[0] < b[0] || (a[0] == b[0] && a[1] <= b[1]))
                break;
            int t = order[m - 1];
            order[m - 1] = order[m];
            order[m] = t;
        }
    const double eps = 1e-12;
    int hull[2 * MaxAppuis];
    int h = 0;
    for (int k = 0; k < n; ++k) {
        while (h >= 2 && turn(P[hull[h - 2]], P[hull[h - 1]], P[order[k]]) <= eps)
            --h;
        hull[h++] = order[k];
    }
    for (int k = n - 2, lower = h + 1; k >= 0; --k) {
        while (h >= lower && turn(P[hull[h - 2]], P[hull[h - 1]], P[order[k]]) <= eps)
            --h;
        hull[h++] = order[k];
    }
    --h;  // the last point repeats the first
    if (h < 3)
        return 0.0;

    // about each edge (axis a), the angle from the weight to the perpendicular
    // dropped from G on the edge, both taken in the plane normal to a; the
    // interior lies to the left of a counter-clockwise edge
    // (the least angle is picked by a pseudo-angle that grows with it,
    // copysign(1 - cos, sin), and only its arc tangent is taken)
    const double g[3] = {0.0, 0.0, -1.0};
    double least = HUGE_VAL, sinLeast = 0.0, cosLeast = 1.0;
    for (int k = 0; k < h; ++k) {
        const double* A = P[hull[k]];
        const double* B = P[hull[(k + 1) % h]];
        double a[3] = {B[0] - A[0], B[1] - A[1], B[2] - A[2]};
        double na = std::sqrt(dot(a, a));
        a[0] /= na;
        a[1] /= na;
        a[2] /= na;
        double d[3] = {A[0] - G[0], A[1] - G[1], A[2] - G[2]}, l[3], gp[3], x[3];
        axpy(l, d, -dot(d, a), a);
        axpy(gp, g, -dot(g, a), a);
        cross(x, gp, l);
        double sn = -dot(x, a), cs = dot(gp, l);
        double len = std::sqrt(sn * sn + cs * cs);
        double pseudo = len > 0.0 ? std::copysign(1.0 - cs / len, sn) : 0.0;
        if (pseudo < least) {
            least = pseudo;
            sinLeast = sn;
            cosLeast = cs;
        }
    }
    return std::atan2(sinLeast, cosLeast);
}

void rover_centre_of_mass(const DynRover* rover, double G[3])
{
    const ConfRover* cr = &rover->conf;
    double p[3], s[3];
    frame_apply(p, cr->caisse, rover->RG0);
    vec_scale(s, rover->m0, p);
    for (int c = 0; c < NB_CHAINES; ++c)
        for (int j = 0; j < NB_AXES; ++j) {
            frame_apply(p, cr->monde[c][j], rover->OiGi[c][j]);
            vec_axpy(s, s, rover->mi[c][j], p);
        }
    vec_scale(G, 1.0 / rover->mtot, s);
}

// ---- recording ---------------------------------------------------------------

void telemetry_reset(Telemetry* tel, const DynRover* rover)
{
    const ConfRover* cr = &rover->conf;
    std::memset(tel, 0, sizeof *tel);
    tel->t = cr->temps;
    tel->peakSinkage = NaN;
    tel->minTipMargin = NaN;
    tel->energyPerMetre = NaN;
    vec_copy(tel->prevPos, cr->pos);
    for (int c = 0; c < NB_CHAINES; ++c)
        tel->prevWheel[c] = cr->q[Q_ROUE + c];
    tel->prevT = cr->temps;
    tel->started = 1;
}

void telemetry_tick(Telemetry* tel, const DynRover* rover, const Mnt* mnt, int dynamic)
{
    const ConfRover* cr = &rover->conf;
    if (!tel->started)
        telemetry_reset(tel, rover);
    double dt = cr->temps - tel->prevT;
    double ds = norm2(cr->pos[0] - tel->prevPos[0], cr->pos[1] - tel->prevPos[1]);
    tel->t = cr->temps;
    tel->dynamic = dynamic;
    tel->distance += ds;
    tel->heading = cr->att[ATT_AZIMUT];
    tel->pitch = cr->att[ATT_SITE];
    tel->roll = cr->att[ATT_GITE];

    double appuis[NB_CHAINES][3];
    int nAppuis = 0;
    double r = cr->rayonRoue;
    const double* Rb = frame_rot(cr->caisse);
    double power = 0.0;
    for (int c = 0; c < NB_CHAINES; ++c) {
        TelemetryWheel& w = tel->wheel[c];
        double dq = cr->q[Q_ROUE + c] - tel->prevWheel[c];
        tel->prevWheel[c] = cr->q[Q_ROUE + c];
        if (!dynamic) {
            // placed on the ground: every wheel bears, nothing else is known
            w.Fz = w.Flong = w.Flat = w.sinkage = w.slip = NaN;
            w.Tmotor = w.Twheel = w.power = NaN;
            w.omega = dt > 0.0 ? -dq / dt : 0.0;
            w.contact = -1;
            w.zone = -1;
            vec_copy(appuis[nAppuis++], cr->contact[c]);
            continue;
        }
        bool on = !rover->horsSol[c];
        const double* F = rover->fContact[c];
        w.contact = on ? 1 : 0;
        w.Fz = on ? F[2] : 0.0;
        w.Flong = on ? F[1] : 0.0;
        w.Flat = on ? F[0] : 0.0;
        w.sinkage = on && rover->ecart[c] < 0.0 ? -rover->ecart[c] : 0.0;
        w.omega = -rover->qd[Q_ROUE + c];

        // the rim rolls along the ground at r omega |n x a| (a the wheel axis);
        // the contact point slides at the rim speed less the wheel's forward
        // speed, so V = v_contact + Vr
        double a[3], na[3];
        mat_mul_vec(a, Rb, rover->Ub[c][J_ROUE]);
        cross(na, cr->normale[c], a);
        double Vr = r * w.omega * std::sqrt(dot(na, na));
        double V = rover->vContact[c][1] + Vr;
        w.slip = on ? slip_ratio(V, Vr) : 0.0;
        if (on && (std::fabs(V) >= VitesseRepos || std::fabs(Vr) >= VitesseRepos)) {
            tel->slipSum += w.slip;
            ++tel->slipCount;
        }

        double N = rover->N[c][J_ROUE];
        w.Tmotor = -rover->cmdRoue[c];
        w.Twheel = N * w.Tmotor;
        w.power = w.Twheel * w.omega;
        power += w.power;
        // the command was held over the period: its work is exact
        double work = N * rover->cmdRoue[c] * dq;
        if (work > 0.0)
            tel->energy += work;
        w.zone = zone_rank(mnt, cr->contact[c][0], cr->contact[c][1]);
        if (on) {
            vec_copy(appuis[nAppuis++], cr->contact[c]);
            if (!(w.sinkage <= tel->peakSinkage))
                tel->peakSinkage = w.sinkage;
        }
    }

    if (dynamic) {
        tel->speed = norm2(rover->vit[0], rover->vit[1]);
        tel->power = power;
        tel->energyPerMetre = tel->distance >= 1e-3 ? tel->energy / tel->distance : NaN;
    } else {
        tel->speed = dt > 0.0 ? ds / dt : 0.0;
        tel->power = NaN;
        tel->energyPerMetre = NaN;
    }

    // the dynamics keep the centre of mass of their last sub-step (body axes)
    double G[3];
    if (dynamic)
        frame_apply(G, cr->caisse, rover->RG);
    else
        rover_centre_of_mass(rover, G);
    tel->tipMargin = tip_over_margin(appuis, nAppuis, G);
    if (!(tel->tipMargin >= tel->minTipMargin))
        tel->minTipMargin = tel->tipMargin;

    ++tel->ticks;
    if (dynamic)
        ++tel->dynTicks;
    vec_copy(tel->prevPos, cr->pos);
    tel->prevT = cr->temps;
}

// ---- print-outs --------------------------------------------------------------

void telemetry_column_name(int k, char out[32])
{
    static const char* const perWheel[TELEMETRY_PAR_ROUE] = {
        "Fz_%s_N",     "Flong_%s_N",   "Flat_%s_N",   "sinkage_%s_m", "slip_%s",   "omega_%s_rad_s",
        "Tmotor_%s_Nm", "Twheel_%s_Nm", "P_%s_W",      "contact_%s",   "zone_%s"};
    static const char* const rover[9] = {"speed_m_s", "heading_deg", "pitch_deg", "roll_deg", "tip_margin_deg",
                                         "power_W",   "energy_J",    "distance_m", "energy_per_m_J_m"};
    const int nRoues = TELEMETRY_PAR_ROUE * NB_CHAINES;
    if (k <= 0 || k >= TELEMETRY_COLONNES)
        std::snprintf(out, 32, "t_s");
    else if (k <= nRoues)
        std::snprintf(out, 32, perWheel[(k - 1) % TELEMETRY_PAR_ROUE], nomChaine[(k - 1) / TELEMETRY_PAR_ROUE]);
    else
        std::snprintf(out, 32, "%s", rover[k - 1 - nRoues]);
}

int telemetry_column_whole(int k)
{
    const int r = (k - 1) % TELEMETRY_PAR_ROUE;
    return k >= 1 && k <= TELEMETRY_PAR_ROUE * NB_CHAINES && r >= 9;
}

void telemetry_values(const Telemetry* tel, double out[TELEMETRY_COLONNES])
{
    double* v = out;
    *v++ = tel->t;
    for (int c = 0; c < NB_CHAINES; ++c) {
        const TelemetryWheel& w = tel->wheel[c];
        *v++ = w.Fz;
        *v++ = w.Flong;
        *v++ = w.Flat;
        *v++ = w.sinkage;
        *v++ = w.slip;
        *v++ = w.omega;
        *v++ = w.Tmotor;
        *v++ = w.Twheel;
        *v++ = w.power;
        // unknown contact (-1) and no zone (-1) are empty fields
        *v++ = w.contact >= 0 ? w.contact : NaN;
        *v++ = w.zone >= 0 ? w.zone : NaN;
    }
    *v++ = tel->speed;
    *v++ = tel->heading * RadToDeg;
    *v++ = tel->pitch * RadToDeg;
    *v++ = tel->roll * RadToDeg;
    *v++ = tel->tipMargin * RadToDeg;
    *v++ = tel->power;
    *v++ = tel->dynamic ? tel->energy : NaN;
    *v++ = tel->distance;
    *v++ = tel->energyPerMetre;
}

void telemetry_csv_header(FILE* f)
{
    char name[32];
    for (int k = 0; k < TELEMETRY_COLONNES; ++k) {
        telemetry_column_name(k, name);
        if (k)
            std::fputc(',', f);
        std::fputs(name, f);
    }
    std::fputc('\n', f);
}

void telemetry_csv_row(FILE* f, const Telemetry* tel)
{
    double v[TELEMETRY_COLONNES];
    telemetry_values(tel, v);
    Ligne l;
    l.p = std::to_chars(l.p, l.text + 64, v[0], std::chars_format::fixed, 4).ptr;
    for (int k = 1; k < TELEMETRY_COLONNES; ++k) {
        if (telemetry_column_whole(k))
            l.whole(std::isfinite(v[k]) ? static_cast<int>(v[k]) : -1);
        else
            l.field(v[k]);
    }
    *l.p++ = '\n';
    std::fwrite(l.text, 1, l.p - l.text, f);
}

void telemetry_summary(FILE* f, const Telemetry* tel)
{
    double meanSlip = tel->slipCount > 0 ? tel->slipSum / tel->slipCount : NaN;
    double perMetre = tel->dynTicks > 0 && tel->distance >= 1e-3
                          ? tel->energy / tel->distance
                          : NaN;
    std::fprintf(f, " distance_m=%.3f mean_slip=%.4f peak_sinkage_m=%.5f energy_per_m_J=%.3f "
                    "min_tip_margin_deg=%.2f",
                 tel->distance, meanSlip, tel->peakSinkage, perMetre,
                 tel->minTipMargin * RadToDeg);
}
