// The classical rigid-wheel model: stresses integrated over the contact arc.
#include "reference.h"

#include <cmath>

namespace {

const int Intervalles = 2000;  // Simpson intervals over the arc (even)

struct Integrales {
    double W, DP, T;
};

// normal stress at angle th of the front arc (from the bottom), entry angle
// thf, greatest stress at thm: the pressure-sinkage law of the local sinkage
// in front of thm, and behind it the front profile mapped onto [0, thm]
double sigma(const ZoneSol* z, double r, double b, double th, double thf, double thm)
{
    const double k = z->kc / b + z->kphi;
    double a = th;
    if (th < thm && thm > 0.0) a = thf - th / thm * (thf - thm);
    const double h = r * (std::cos(a) - std::cos(thf));
    return h > 0.0 ? k * std::pow(h, z->n) : 0.0;
}

// vertical load, drawbar pull and torque of the arc [0, thf] at slip i
Integrales integre(const ZoneSol* z, double r, double b, double thf, double i, bool cisaille)
{
    const double thm = (ReferenceC1 + ReferenceC2 * (i > 0.0 ? i : 0.0)) * thf;
    const double hpas = thf / Intervalles;
    Integrales s = {0.0, 0.0, 0.0};
    for (int k = 0; k <= Intervalles; ++k) {
        const double th = k * hpas;
        const double p = (k == 0 || k == Intervalles) ? 1.0 : (k % 2 ? 4.0 : 2.0);
        const double sg = sigma(z, r, b, th, thf, cisaille ? thm : 0.0);
        double tau = 0.0;
        if (cisaille) {
            // shear displacement of the rim relative to the soil, and the
            // shear stress it mobilises
            const double j = r * ((thf - th) - (1.0 - i) * (std::sin(thf) - std::sin(th)));
            const double tmax = z->c + sg * z->tanPhi;
            tau = (j >= 0.0 ? 1.0 : -1.0) * tmax * -std::expm1(-std::fabs(j) / z->K);
        }
        s.W += p * (sg * std::cos(th) + tau * std::sin(th));
        s.DP += p * (tau * std::cos(th) - sg * std::sin(th));
        s.T += p * tau;
    }
    const double f = hpas / 3.0;
    s.W *= r * b * f;
    s.DP *= r * b * f;
    s.T *= r * r * b * f;
    return s;
}

// the entry angle whose arc carries W, by bisection (the load grows with it)
double angleEntree(const ZoneSol* z, double r, double b, double W, double i, bool cisaille)
{
    double a = 0.0, c = 0.5 * M_PI;
    if (integre(z, r, b, c, i, cisaille).W < W) return NAN;
    for (int k = 0; k < 60; ++k) {
        const double m = 0.5 * (a + c);
        if (integre(z, r, b, m, i, cisaille).W < W)
            a = m;
        else
            c = m;
    }
    return 0.5 * (a + c);
}

}  // namespace

void referenceClassique(const ZoneSol* z, double r, double b, double W, double i,
                        ReferenceRoue* out)
{
    const double thf = angleEntree(z, r, b, W, i, true);
    out->ok = std::isfinite(thf);
    if (!out->ok) {
        out->thetaF = out->sinkage = out->DP = out->T = NAN;
        return;
    }
    const Integrales s = integre(z, r, b, thf, i, true);
    out->thetaF = thf;
    out->sinkage = r * (1.0 - std::cos(thf));
    out->DP = s.DP;
    out->T = s.T;
}

double enfoncementArc(const ZoneSol* z, double r, double b, double W)
{
    const double thf = angleEntree(z, r, b, W, 0.0, false);
    return r * (1.0 - std::cos(thf));
}
