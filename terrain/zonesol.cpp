// Soil zones: the zone list, its data file, the lookup by level, and the
// macro terramechanics force law with its per-wheel velocity filters.
#include "terrain/zonesol.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const double RadParDegre = 0.017453292519943295;

// velocity filters of the six wheels, for callers that keep none of their own
// (EntreeMacroSol::filtre null): lateral and longitudinal velocity of the
// contact point and spin rate
double Vxf[6], Vyf[6], omegaf[6];
// the longitudinal velocity as the soil's damper sees it: filtered like Vyf,
// but never carrying more than the soil's strength can hold, so that a wheel
// that slid at the strength and stopped is not pushed back by a lagging filter
double Vyd[6];

thread_local char message[64];

ZoneSol* ajouteEnFin(ZonesSol* zs)
{
    ZoneSol* z = static_cast<ZoneSol*>(calloc(1, sizeof(ZoneSol)));
    if (!z) return nullptr;
    ZoneSol** fin = &zs->premiere;
    while (*fin) fin = &(*fin)->suivante;
    *fin = z;
    zs->nbZones++;
    return z;
}

// ---- reading the soil data file --------------------------------------------

// holds any line ecritZones writes: a value printed with "%lf" takes up to
// 317 characters, and the centre line has three
enum { LigneZoneMax = 1024 };

// reads one line, keeping its first 1023 characters and dropping the rest;
// false at the end of the file. *entiere tells whether the line was kept whole
bool litLigneZone(FILE* f, char buf[LigneZoneMax], bool* entiere)
{
    int c = getc(f);
    if (c == EOF) return false;
    size_t n = 0;
    *entiere = true;
    for (; c != EOF && c != '\n'; c = getc(f)) {
        if (n + 1 < LigneZoneMax)
            buf[n++] = static_cast<char>(c);
        else
            *entiere = false;
    }
    buf[n] = '\0';
    return true;
}

// a line of values must be kept whole: a number cut by the buffer would be
// read as another value
bool litLigneValeurs(FILE* f, char buf[LigneZoneMax])
{
    bool entiere;
    return litLigneZone(f, buf, &entiere) && entiere;
}

// "<nom> = %lf" at the start of the line, finite
bool litReel(const char* ligne, const char* format, double* v)
{
    return sscanf(ligne, format, v) == 1 && std::isfinite(*v);
}

// "hzone = %d", refusing values outside the int range
bool litNiveau(const char* ligne, int* v)
{
    int pos = -1;
    if (sscanf(ligne, "hzone =%n", &pos) < 0 || pos < 0) return false;
    const char* p = ligne + pos;
    char* fin;
    errno = 0;
    long l = strtol(p, &fin, 10);
    if (fin == p || errno == ERANGE || l < INT_MIN || l > INT_MAX) return false;
    *v = static_cast<int>(l);
    return true;
}

double signe(double v) { return v > 0.0 ? 1.0 : (v < 0.0 ? -1.0 : 0.0); }

// v limited to [-m, m] (a NaN stays NaN)
double borne(double v, double m) { return v > m ? m : (v < -m ? -m : v); }

// acos over a sinkage beyond the wheel's diameter stays at pi
double acosBorne(double c) { return acos(c < -1.0 ? -1.0 : (c > 1.0 ? 1.0 : c)); }

}  // namespace

// ---- the zone list ---------------------------------------------------------

ZoneSol* ajouteZoneDefaut(ZonesSol* zs, double X, double Y, double R)
{
    ZoneSol* z = ajouteEnFin(zs);
    if (!z) return nullptr;
    z->hzone = 0;
    z->X = X;
    z->Y = Y;
    z->R = R;
    z->c = 1150.0;
    z->phi = 0.4886921905584123;     // 28 deg
    z->tanPhi = 0.5317094316614788;
    z->Xc = 0.4537856055185257;      // 26 deg
    z->kc = 6940.0;
    z->kphi = 505800.0;
    z->n = 1.0;
    z->rhod = 1600.0;
    z->lbda = 1.0;
    z->K = 0.012;
    snprintf(z->nom, sizeof z->nom, "Zone %d", 0);
    return z;
}

ZoneSol* ajouteZone(ZonesSol* zs, int hzone, double X, double Y, double R,
                    double c, double phi, double Xc, double kc, double kphi,
                    double n, double rhod, double lbda, double K)
{
    ZoneSol* z = ajouteEnFin(zs);
    if (!z) return nullptr;
    z->hzone = hzone;
    z->X = X;
    z->Y = Y;
    z->R = R;
    z->c = c;
    z->phi = phi;
    z->tanPhi = tan(phi);
    z->Xc = Xc;
    z->kc = kc;
    z->kphi = kphi;
    z->n = n;
    z->rhod = rhod;
    z->lbda = lbda;
    z->K = K;
    snprintf(z->nom, sizeof z->nom, "Zone %d", hzone);
    return z;
}

const char* copieZones(ZonesSol* dst, const ZonesSol* src)
{
    if (dst == src) return nullptr;  // already a copy of itself
    dst->nbZones = 0;
    dst->premiere = nullptr;
    for (const ZoneSol* z = src->premiere; z; z = z->suivante)
        if (!ajouteZone(dst, z->hzone, z->X, z->Y, z->R, z->c, z->phi, z->Xc, z->kc,
                        z->kphi, z->n, z->rhod, z->lbda, z->K))
            return "Erreur allocation zone terrain";
    return nullptr;
}

void ecritZones(const ZonesSol* zs, FILE* f)
{
    if (!f) return;
    for (const ZoneSol* z = zs ? zs->premiere : nullptr; z; z = z->suivante) {
        fprintf(f, "%s\n", z->nom);
        fprintf(f, "hzone = %d (Hierarchie de la zone)\n", z->hzone);
        fprintf(f, "X, Y, R = %lf %lf, %lf en metres\n", z->X, z->Y, z->R);
        fprintf(f, "c = %lf\n", z->c);
        fprintf(f, "phi = %lf en degres\n", z->phi / RadParDegre);
        fprintf(f, "Xc = %lf en degres\n", z->Xc / RadParDegre);
        fprintf(f, "kc = %lf\n", z->kc);
        fprintf(f, "kphi = %lf\n", z->kphi);
        fprintf(f, "n = %lf\n", z->n);
        fprintf(f, "rhod = %lf\n", z->rhod);
        fprintf(f, "lbda = %lf\n", z->lbda);
        fprintf(f, "K = %lf\n", z->K);
    }
    fclose(f);
}

const char* litZones(ZonesSol* zs, FILE* f)
{
    zs->nbZones = 0;
    zs->premiere = nullptr;
    int erreur = 0;
    if (f) {
        char l[LigneZoneMax];
        for (int a = 0;; a += 12) {
            bool entiere;  // the name line is not read: it may be cut
            if (!litLigneZone(f, l, &entiere)) {
                if (a > 0) {
                    fclose(f);
                    return nullptr;  // whole blocks only: the file is good
                }
                erreur = 1;  // an empty file
                break;
            }
            int hzone = 0;
            double X, Y, R, c, phi, Xc, kc, kphi, n, rhod, lbda, K;
            int k = 2;
            bool ok = litLigneValeurs(f, l) && litNiveau(l, &hzone)
                && (++k, litLigneValeurs(f, l)) && sscanf(l, "X, Y, R = %lf %lf, %lf", &X, &Y, &R) == 3
                && std::isfinite(X) && std::isfinite(Y) && std::isfinite(R)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "c = %lf", &c)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "phi = %lf", &phi)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "Xc = %lf", &Xc)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "kc = %lf", &kc)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "kphi = %lf", &kphi)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "n = %lf", &n)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "rhod = %lf", &rhod)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "lbda = %lf", &lbda)
                && (++k, litLigneValeurs(f, l)) && litReel(l, "K = %lf", &K);
            if (!ok) {
                erreur = a + k;
                break;
            }
            if (!ajouteZone(zs, hzone, X, Y, R, c, phi * RadParDegre, Xc * RadParDegre, kc,
                            kphi, n, rhod, lbda, K)) {
                erreur = a + 12;  // no room for the zone of this block
                break;
            }
        }
        fclose(f);
    }
    if (erreur) {
        snprintf(message, sizeof message, "Erreur lecture donnees sols ligne %d", erreur);
        libereZones(zs);
    }
    ajouteZoneDefaut(zs, 0.0, 0.0, 9999.0);
    return erreur ? message : nullptr;
}

ZonesSol* nouvellesZones(FILE* f)
{
    ZonesSol* zs = static_cast<ZonesSol*>(calloc(1, sizeof(ZonesSol)));
    if (!zs) {
        if (f) fclose(f);
        return nullptr;
    }
    litZones(zs, f);
    return zs;
}

void libereZones(ZonesSol* zs)
{
    ZoneSol* z = zs->premiere;
    while (z) {
        ZoneSol* s = z->suivante;
        free(z);
        z = s;
    }
    zs->nbZones = 0;
    zs->premiere = nullptr;
}

// ---- queries ---------------------------------------------------------------

const ZoneSol* chercheZone(const ZonesSol* zs, double x, double y)
{
    if (!zs) return nullptr;
    const ZoneSol* choix = zs->premiere;
    int niveau = -1;
    for (const ZoneSol* z = zs->premiere; z; z = z->suivante) {
        const double ex = x - z->X, ey = y - z->Y;
        if (sqrt(ex * ex + ey * ey) < z->R && z->hzone > niveau) {
            choix = z;
            niveau = z->hzone;
        }
    }
    return choix;
}

// ---- the force law ---------------------------------------------------------

void razFiltresMacroSol()
{
    for (int a = 0; a < 6; ++a) Vxf[a] = Vyf[a] = omegaf[a] = Vyd[a] = 0.0;
}

bool contact_macroSol(double F[3], int a, const ZonesSol* zs, const EntreeMacroSol* e)
{
    F[0] = F[1] = F[2] = 0.0;
    const ZoneSol* z = a >= 0 && a < 6 ? chercheZone(zs, e->P[0], e->P[1]) : nullptr;
    if (!z) return false;
    // the wheel's filters: the caller's, or this module's by wheel index
    double& VxfA = e->filtre ? e->filtre[0] : Vxf[a];
    double& VyfA = e->filtre ? e->filtre[1] : Vyf[a];
    double& omegafA = e->filtre ? e->filtre[2] : omegaf[a];
    double& VydA = e->filtre ? e->filtre[3] : Vyd[a];
    bool lateralBorne = false;

    const double eps = 0.001;
    const double r = e->r, b = e->b, dz = e->dz;
    const double* V = e->V;
    double i = 0.0, js = 0.0, Rc = 0.0, Ft = 0.0, vyf = 0.0, wf = 0.0;
    const bool contact = !(dz > 0.0);  // a NaN gap yields a NaN force, for the caller to catch

    if (contact) {
        // sinkage, entry and exit angles of the wheel in the soil
        const double zk = -dz;
        const double k = z->kc / b + z->kphi;
        const double thf = acosBorne(1.0 - zk / r);
        const double thr = acosBorne(1.0 - z->lbda * zk / r);
        const double L = r * (thf + thr);

        // pressure-sinkage: normal force, and the greatest shear force
        const double Fz = b * k * (3.0 - z->n) * sqrt(2.0 * r) * pow(zk, z->n + 0.5) / 3.0;
        const double Hmax = b * L * z->c + Fz * z->tanPhi;

        // first-order filters of time constant 2 s; time never runs back, and
        // a non-finite input gives a non-finite force for the caller to catch
        // but does not poison the filters for the rest of the run
        const double dt = e->t - e->t0 > 0.0 ? e->t - e->t0 : 0.0;
        const double vx = (2.0 * VxfA + dt * V[0]) / (2.0 + dt);
        const double vy = (2.0 * VyfA + dt * V[1]) / (2.0 + dt);
        const double w = (2.0 * omegafA + dt * e->omega) / (2.0 + dt);
        const double vd = (2.0 * VydA + dt * V[1]) / (2.0 + dt);
        const bool finis = std::isfinite(vx) && std::isfinite(vy) && std::isfinite(w);
        if (finis) {
            VxfA = vx;
            VyfA = vy;
            omegafA = w;
        }
        const double rw = r * w;
        vyf = vy;
        wf = w;
        js = vy - rw;
        const double beta = atan2(fabs(vx), fabs(vy));

        // slip ratio and shear-displacement tractive force
        if (!((fabs(js) < eps && fabs(rw) < eps) || fabs(vy) < eps)) {
            const double J = fabs(rw) >= fabs(js) ? vy / rw : vy / js;
            i = -signe(vy) * J;
            if (i > 1.0) i = 1.0;
            if (i < -1.0) i = -1.0;
            if (fabs(i) >= eps) {
                double ak;
                if (i > 0.0)
                    ak = js >= 0.0 ? L * i / z->K : L * i / ((1.0 + i) * z->K);
                else
                    ak = js >= 0.0 ? L * fabs(i) / ((1.0 - i) * z->K) : L * fabs(i) / z->K;
                // 1 - (1 - e^-a)/a, which tends to 0 with a (no contact length)
                const double part = ak > 0.0 ? 1.0 + expm1(-ak) / ak : 0.0;
                Ft = signe(i) * Hmax * part;
            }
        }

        // compaction resistance, only with a real sinkage; it opposes the slip
        // and fades out linearly below the slip threshold, so that a wheel at
        // rest feels none instead of a full resistance flipping sides
        if (dz < 0.0) {
            const double rc = b * k * pow(zk, z->n + 1.0) / (z->n + 1.0);
            Rc = fabs(js) >= eps ? -signe(js) * rc : -rc * js / eps;
        }

        // shear and its damper can never take more from the soil than its
        // strength Hmax; the compaction resistance comes on top
        const double Fcis = Ft * cos(beta) - 10000.0 * vd;
        F[1] = borne(Fcis, Hmax) + Rc;
        if (finis && std::isfinite(vd))
            VydA = F[1] - Rc == Fcis ? vd : (Ft * cos(beta) - (F[1] - Rc)) / 10000.0;

        // side resistance of the soil wedge in front of the wheel's flank
        const double sp = sin(z->phi);
        const double Kp = (1.0 + sp) / (1.0 - sp);
        const double thm = 0.5 * (thf + thr);
        const double thm3 = thm * thm * thm;
        const double S = thm3 * r * r * z->c * sqrt(Kp) + thm3 * r * r * r * Kp * e->g * z->rhod / 6.0;
        const double s = fabs(vx) > eps ? -signe(vx) : 0.0;
        if (cos(beta) > eps)
            F[0] = s * (S + fabs(Ft) * sin(beta));
        else
            F[0] = s * (S + Hmax);
        // sideways, the side resistance and the shear strength bound the
        // force, damper included
        const double Fx = F[0] - 1000.0 * V[0];
        F[0] = borne(Fx, S + Hmax);
        lateralBorne = F[0] != Fx;

        F[2] = Fz;
        if (dz < 0.0) F[2] += -4000.0 * V[2];
    }

    if (e->trace)
        fprintf(e->trace, "%g %g  %g %g %g  %g %g %g  %g %g %g %g %g %g %g\n", e->t,
                static_cast<double>(a), F[0], F[1], F[2], dz, i, V[0],
                contact ? vyf : V[1], V[2], contact ? wf : e->omega, js, contact ? vyf : 0.0,
                Rc, Ft);
    return lateralBorne;
}
