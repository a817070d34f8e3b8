// The classical rigid-wheel law: stresses over the contact arc by
// Gauss-Legendre quadrature on either side of the greatest normal stress.
#include "rover/solclassique.h"

#include <cmath>
#include <cstdio>

namespace {

// below this speed (m/s) the slip ratio and the rolling share are smoothed
// so that a wheel at rest feels no force that would set it moving; above,
// they are exact
const double VitesseLisse = 0.005;

// Gauss-Legendre nodes and weights on [-1, 1] for 1 to PointsClassiqueMax
// points, computed once (Newton on the Legendre polynomial)
struct TablesGauss {
    double x[PointsClassiqueMax + 1][PointsClassiqueMax];
    double w[PointsClassiqueMax + 1][PointsClassiqueMax];
    TablesGauss()
    {
        for (int n = 1; n <= PointsClassiqueMax; ++n)
            for (int k = 0; k < n; ++k) {
                double t = std::cos(M_PI * (k + 0.75) / (n + 0.5));
                double dp = 1.0;
                for (int it = 0; it < 100; ++it) {
                    double p0 = 1.0, p1 = t;
                    for (int m = 2; m <= n; ++m) {
                        const double p2 = ((2 * m - 1) * t * p1 - (m - 1) * p0) / m;
                        p0 = p1;
                        p1 = p2;
                    }
                    dp = n * (t * p1 - p0) / (t * t - 1.0);
                    const double dt = p1 / dp;
                    t -= dt;
                    if (std::fabs(dt) < 1e-16) break;
                }
                x[n][k] = t;
                w[n][k] = 2.0 / ((1.0 - t * t) * dp * dp);
            }
    }
};

const TablesGauss& tablesGauss()
{
    static const TablesGauss t;
    return t;
}

double acosBorne(double c) { return std::acos(c < -1.0 ? -1.0 : (c > 1.0 ? 1.0 : c)); }

// a speed smoothed below VitesseLisse: v itself above, a parabola that
// meets it with the same slope and never falls below VitesseLisse / 2
double lisse(double v)
{
    v = std::fabs(v);
    return v >= VitesseLisse ? v : (v * v + VitesseLisse * VitesseLisse) / (2.0 * VitesseLisse);
}

}  // namespace

// ---- the arc alone -----------------------------------------------------------

void arc_classique(ArcClassique* a, const ZoneSol* z, const ParamClassique* p, double r,
                   double b, double grav, double thf, double i, double rho, double ly, int np)
{
    const TablesGauss& g = tablesGauss();
    if (np < 1) np = 1;
    if (np > PointsClassiqueMax) np = PointsClassiqueMax;
    const double* gx = g.x[np];
    const double* gw = g.w[np];

    // pressure-sinkage modulus, exponent growing with slip
    const double k = z->kc / b + z->kphi;
    const double n = z->n + p->n1 * std::fabs(i);
    // the arc: from the rear angle (lbda times the front sinkage) to the
    // entry angle, greatest normal stress at (c1 + c2 i) thf
    const double cf = std::cos(thf), sf = std::sqrt(1.0 - cf * cf);  // thf in [0, pi/2]
    const double thr = z->lbda == 0.0 ? 0.0 : -acosBorne(1.0 - z->lbda * (1.0 - cf));
    const double thm = (p->c1 + p->c2 * (i > 0.0 ? i : 0.0)) * thf;

    // side resistance of the soil the wheel's face pushes aside, per unit
    // of local sinkage h: D1 (c h + D2 rho_d g h^2 / 2)
    const double tanX = z->Xc > 0.0 ? std::tan(z->Xc) : 0.0;
    const double cotX = z->Xc > 0.0 ? 1.0 / tanX : 0.0;
    const double D1 = cotX + (tanX + z->tanPhi) / (1.0 - tanX * z->tanPhi);  // tan(Xc + phi)
    const double D2 = cotX + (z->tanPhi > 0.0 ? cotX * cotX * z->tanPhi : 0.0);
    const double gam = z->rhod * grav;

    double W = 0.0, DP = 0.0, T = 0.0, Fy = 0.0, Sb = 0.0, dDP = 0.0, dFy = 0.0;
    const double invK = z->K > 0.0 ? 1.0 / z->K : 0.0;
    // Each part is integrated in t from its end where the normal stress
    // vanishes like (local sinkage)^n (thf for the front, thr for the rear),
    // th = end -+ (length) t^2: the stress is then smooth in t however small
    // n is, and a few Gauss points suffice. The rear's nodes map onto the
    // front's at the same t, so its normal stresses are the front's
    double sgAvant[PointsClassiqueMax];
    for (int part = 0; part < 2; ++part) {
        // front part [thm, thf] from thf, rear part [thr, thm] from thr
        const double bout = part == 0 ? thf : thr;
        const double longueur = part == 0 ? thm - thf : thm - thr;  // signed
        if (longueur == 0.0) {
            for (int q = 0; q < np; ++q) sgAvant[q] = 0.0;
            continue;
        }
        for (int q = 0; q < np; ++q) {
            // t in [0, 1] from the Gauss node on [-1, 1]
            const double t = 0.5 * (1.0 + gx[q]);
            const double th = bout + longueur * t * t;
            const double wq = std::fabs(longueur) * t * gw[q];  // |dth/dt| dt
            // th within [-pi/2, pi/2]: its cosine is positive
            const double st = std::sin(th), ct = std::sqrt(1.0 - st * st);
            // normal stress: the local sinkage in front of thm; behind it the
            // front profile mapped onto [thr, thm]
            const double hb = r * (ct - cf);
            double sg;
            if (part == 0) {
                sg = hb > 0.0 ? k * (n == 1.0 ? hb : std::pow(hb, n)) : 0.0;
                sgAvant[q] = sg;
            } else {
                sg = sgAvant[q];
            }
            // shear displacement of the rim: its rolling share and its slip share
            const double ds = sf - st;
            const double j = r * (rho * ((thf - th) - ds) + i * ds);
            const double tmax = z->c + sg * z->tanPhi;
            const double ej = std::exp(-std::fabs(j) * invK);
            const double tau = std::copysign(tmax * (1.0 - ej), j);
            W += wq * (sg * ct + tau * st);
            DP += wq * (tau * ct - rho * sg * st);
            T += wq * tau;
            dDP += wq * ct * tmax * ej * r * ds * invK;
            // lateral shear displacement of a side-slipping rim
            const double jy = r * (thf - th) * ly;
            const double ey = jy != 0.0 ? std::exp(-std::fabs(jy) * invK) : 1.0;
            Fy += wq * std::copysign(tmax * (1.0 - ey), jy);
            dFy += wq * tmax * ey * r * (thf - th) * invK;
            if (hb > 0.0) Sb += wq * D1 * (z->c * hb + 0.5 * D2 * gam * hb * hb) * (r - hb * ct);
        }
    }
    a->W = r * b * W;
    a->DP = r * b * DP;
    a->T = r * r * b * T;
    a->Fy = r * b * Fy;
    a->Sb = Sb;
    a->dDP = r * b * dDP;
    a->dFy = r * b * dFy;
}

double enfoncement_classique(const ZoneSol* z, const ParamClassique* p, double r, double b,
                             double W)
{
    ArcClassique a;
    double lo = 0.0, hi = 0.5 * M_PI;
    arc_classique(&a, z, p, r, b, 9.81, hi, 0.0, 0.0, 0.0, PointsClassique);
    if (!(a.W >= W)) return NAN;
    for (int k = 0; k < 60; ++k) {
        const double m = 0.5 * (lo + hi);
        arc_classique(&a, z, p, r, b, 9.81, m, 0.0, 0.0, 0.0, PointsClassique);
        if (a.W < W)
            lo = m;
        else
            hi = m;
    }
    return r * (1.0 - std::cos(0.5 * (lo + hi)));
}

// ---- one contact -----------------------------------------------------------

void contact_classique(SortieClassique* s, const ZoneSol* z, const ParamClassique* p,
                       const EntreeClassique* e)
{
    s->F[0] = s->F[1] = s->F[2] = 0.0;
    s->amort[0] = s->amort[1] = s->amort[2] = 0.0;
    s->couple = s->DP = s->T = s->W = s->glissement = s->thetaF = 0.0;
    s->enlisee = 0;
    // a NaN gap gives a NaN force, for the caller to catch
    if (e->dz > 0.0 || !z) return;

    const double r = e->r, zk = -e->dz;
    s->enlisee = zk > r;
    const double thf = acosBorne(1.0 - (zk < r ? zk : r) / r);
    s->thetaF = thf;

    // hub and rim speeds forward (the material point moves at V - Vr along
    // y); a wheel travelling backwards is the mirror image
    double Vr = -r * e->omega;
    double V = e->V[1] + Vr;
    const double sens = V + Vr >= 0.0 ? 1.0 : -1.0;
    V *= sens;
    Vr *= sens;
    // slip ratio: 1 - V/Vr driving, Vr/V - 1 braking; exact above
    // VitesseLisse, and with the rolling share rho fading to 0 at rest
    const double Vm = std::fmax(std::fabs(V), std::fabs(Vr));
    const double D = lisse(Vm);
    double i = (Vr - V) / D;
    const bool borne = i > 1.0 || i < -1.0;
    i = i > 1.0 ? 1.0 : (i < -1.0 ? -1.0 : i);
    const double rho = Vm / D;
    s->glissement = i;
    // lateral slip over the rim speed: tan(beta) (1 - i) of a side-slipping rim
    const double Dy = lisse(Vr);
    const double ly = e->V[0] / Dy;

    ArcClassique a;
    arc_classique(&a, z, p, r, e->b, e->g, thf, i, rho, ly, PointsClassique);
    s->DP = a.DP;
    s->T = a.T;
    s->W = a.W;

    // side resistance against the lateral motion, smoothed through zero
    const double vx = e->V[0];
    const double q = std::sqrt(vx * vx + VitesseLisse * VitesseLisse);
    s->F[0] = -a.Fy - a.Sb * vx / q;
    s->F[1] = sens * a.DP;
    // normal: the arc's load and a damper of 1.5 times the critical one for
    // the mass it carries on the law's stiffness (the load grows about as
    // z^(n + 1/2)), so that a wheel set down on the surface settles without
    // coming back up
    double cn = 0.0;
    if (zk > 0.0 && a.W > 0.0)
        cn = 3.0 * a.W * std::sqrt((z->n + 0.5) / (zk * e->g));
    s->F[2] = a.W - cn * e->V[2];
    s->couple = sens * (a.T - r * a.DP);

    s->amort[0] = a.dFy / Dy + a.Sb * VitesseLisse * VitesseLisse / (q * q * q);
    s->amort[1] = borne ? 0.0 : a.dDP / D;
    s->amort[2] = cn;
}

// ---- checks ------------------------------------------------------------------

const char* verifie_classique(const ZoneSol* z, const ParamClassique* p)
{
    thread_local char message[160];
    const char* nom = z ? z->nom : "";
    if (z && !(z->n > 0.0))
        std::snprintf(message, sizeof message,
                      "Modele classique, %s : l'exposant n doit etre strictement positif", nom);
    else if (z && !(z->K > 0.0))
        std::snprintf(message, sizeof message,
                      "Modele classique, %s : le module K doit etre strictement positif", nom);
    else if (z && !(z->lbda >= 0.0 && z->lbda <= 1.0))
        std::snprintf(message, sizeof message,
                      "Modele classique, %s : lbda doit etre entre 0 et 1", nom);
    else if (!(p->c1 >= 0.0 && p->c2 >= 0.0 && p->c1 + p->c2 < 1.0))
        std::snprintf(message, sizeof message,
                      "Modele classique : c1 et c2 doivent etre positifs avec c1 + c2 < 1");
    else if (!(p->n1 >= 0.0 && std::isfinite(p->n1)))
        std::snprintf(message, sizeof message,
                      "Modele classique : n1 doit etre positif ou nul");
    else
        return nullptr;
    return message;
}

const char* verifie_zones_classiques(const ZonesSol* zs, const ParamClassique* p, double r,
                                     double b, double W)
{
    thread_local char message[200];
    for (const ZoneSol* z = zs ? zs->premiere : nullptr; z; z = z->suivante) {
        if (const char* m = verifie_classique(z, p))
            return m;
        if (!std::isfinite(enfoncement_classique(z, p, r, b, W))) {
            std::snprintf(message, sizeof message,
                          "Modele classique, %s : kc, kphi et n ne portent pas la charge "
                          "d'une roue (%.0f N) sans l'enfoncer au-dela de son axe",
                          z->nom, W);
            return message;
        }
    }
    return verifie_classique(nullptr, p);
}

void defauts_classique(ParamClassique* p)
{
    p->c1 = 0.43;
    p->c2 = 0.32;
    p->n1 = 0.0;
}
