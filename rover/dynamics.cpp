// Equations of motion of the rover: constants, configuration-dependent
// quantities, assembly and solution, motor torques of the driven joints.
//
// Notation (docs/dynamics.md gives the derivation):
//   R      body orientation (terrain <- body), omega body angular velocity
//          (body axes), p' body origin velocity (terrain axes)
//   per chain c and joint j (0 traverse, 1 support, 2 steering, 3 fork,
//   4 wheel), all in body axes relative to the body origin:
//   o_j    a point of joint j's axis (origin of its frame), u_j its unit axis,
//   G_j    centre of gravity of body j, Ib_j its inertia tensor at G_j,
//   w_j    angular velocity of body j relative to the body (sum u_k qd_k),
//   Sub_j  the bodies moved by joint j (j..4): mass, first and second
//          moments about the body origin.
#include "rover/dynamics.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "rover/solclassique.h"
#include "terrain/dynsol.h"
#include "terrain/mnt.h"
#include "terrain/zonesol.h"

namespace {

inline bool vec_is_zero(const double v[3]) { return v[0] == 0.0 && v[1] == 0.0 && v[2] == 0.0; }

// the soil of a missing terrain: flat ground with the default visco-elastic law
const DynSol* default_soil(double g)
{
    static DynSol sol;
    static double gsol = -1.0;
    if (g != gsol) {
        init_dynSol(&sol, 0.5235987755982988, g);
        gsol = g;
    }
    return &sol;
}

// d rho / d q of chain c's four-bar leg at its last solution (0 for the
// parallelogram): rho = (a/c) (b sin th - c sin(th+al)) / (b sin al - a sin(th+al))
// differentiated along the linkage (d al = -rho d th); the input angle is
// theta0 - q for AvantG, AvantD, aRriereG and theta0 + q for the others
double four_bar_rate(const ConfRover* cr, int c)
{
    if (!cr->quadri)
        return 0.0;
    double a = cr->quadA[c], b = cr->quadB[c], cc = cr->quadC[c];
    double th = cr->quadTheta[c], al = cr->quadAlpha[c], rho = cr->rho[c];
    double s = std::sin(th + al), co = std::cos(th + al);
    double num = b * std::sin(th) - cc * s;
    double den = b * std::sin(al) - a * s;
    if (den == 0.0)
        return 0.0;
    double dnum = b * std::cos(th) - cc * co * (1.0 - rho);
    double dden = -b * rho * std::cos(al) - a * co * (1.0 - rho);
    double drho_dth = (a / cc) * (dnum * den - num * dden) / (den * den);
    bool first_group = (c == AVANT_G || c == AVANT_D || c == ARRIERE_G);
    return first_group ? -drho_dth : drho_dth;
}

const char* const dashes55 = "-------------------------------------------------------\n";
const char* const dashes51 = "---------------------------------------------------\n";
const char* const dashes27 = "---------------------------\n";

} // namespace

// ---- constants ---------------------------------------------------------------

void dyn_constants(DynRover* rover)
{
    const DataDynRov& d = rover->data;
    vec_zero(rover->gravite);
    rover->gravite[2] = -d.g;

    rover->m0 = d.m0;
    vec_copy(rover->RG0, d.cdg0);
    double diag0[3] = {d.m0 * d.rg0[0] * d.rg0[0], d.m0 * d.rg0[1] * d.rg0[1],
                       d.m0 * d.rg0[2] * d.rg0[2]};
    std::memset(rover->In0, 0, sizeof(Mat3));
    for (int k = 0; k < 3; ++k)
        rover->In0[4 * k] = diag0[k];

    double mtot = d.m0;
    for (int c = 0; c < NB_CHAINES; ++c) {
        bool arriere = (c == ARRIERE_G || c == ARRIERE_D);
        bool milieu = (c == MILIEU_G || c == MILIEU_D);
        // the file gives right-hand chains; left chains mirror x
        double sx = (c % 2 == 0) ? -1.0 : 1.0;
        const double* rg[NB_AXES];
        double m[NB_AXES];
        Vec3 G[NB_AXES];
        for (int j = 0; j < NB_AXES; ++j)
            vec_zero(G[j]);

        // each traverse carries two chains and is split equally between them
        m[J_TRAVERSE] = 0.5 * (arriere ? d.mTravR : d.mTravL);
        rg[J_TRAVERSE] = arriere ? d.rgTravR : d.rgTravL;

        const double* cs = arriere ? d.cdgSupR : d.cdgSupL;
        m[J_SUPPORT] = arriere ? d.mSupR : d.mSupL;
        rg[J_SUPPORT] = arriere ? d.rgSupR : d.rgSupL;
        G[J_SUPPORT][0] = sx * cs[0];
        G[J_SUPPORT][1] = milieu ? -cs[1] : cs[1];
        G[J_SUPPORT][2] = cs[2];

        m[J_STEERING] = d.mSteer;
        rg[J_STEERING] = d.rgSteer;
        G[J_STEERING][0] = sx * d.cdgSteer[0];
        G[J_STEERING][2] = d.cdgSteer[1];

        m[J_FOURCHE] = d.mFourche;
        rg[J_FOURCHE] = d.rgFourche;
        G[J_FOURCHE][0] = sx * d.cdgFourche[0];
        G[J_FOURCHE][2] = d.cdgFourche[1];

        m[J_ROUE] = d.mRoue;
        rg[J_ROUE] = d.rgRoue;
        G[J_ROUE][0] = sx * d.xRoue;

        for (int j = 0; j < NB_AXES; ++j) {
            rover->mi[c][j] = m[j];
            vec_copy(rover->OiGi[c][j], G[j]);
            std::memset(rover->Ini[c][j], 0, sizeof(Mat3));
            for (int k = 0; k < 3; ++k)
                rover->Ini[c][j][4 * k] = m[j] * rg[j][k] * rg[j][k];
            mtot += m[j];
        }

        // joint reductions, rotor inertias and joint-side frictions
        const double red[NB_AXES] = {1.0, 1.0, d.redSteer, d.redElev, d.redRoue};
        const double jm[NB_AXES] = {0.0, 0.0, d.jmSteer, d.jmElev, d.jmRoue};
        const double fs[NB_AXES] = {0.0, 0.0, d.fsSteer, d.fsElev, d.fsRoue};
        const double fv[NB_AXES] = {0.0, 0.0, d.fvSteer, d.fvElev, d.fvRoue};
        for (int j = 0; j < NB_AXES; ++j) {
            double n = rover->testLibre ? 1.0 : red[j];
            rover->N[c][j] = n;
            rover->Jm[c][j] = jm[j];
            rover->fsec[c][j] = rover->testLibre ? 0.0 : n * fs[j];
            rover->fvis[c][j] = rover->testLibre ? 0.0 : n * fv[j];
        }
        rover->Cmax[c] = d.cMaxRoue;
    }
    rover->mtot = mtot;

    const double dx[4] = {d.dXyz, d.dLtr, d.dTrav, d.dRoue};
    const double dv[4] = {d.dVitXyz, d.dVitLtr, d.dVitTrav, d.dVitRoue};
    for (int k = 0; k < NB_DDL; ++k) {
        int grp = k < 3 ? 0 : k < 6 ? 1 : k < 9 ? 2 : 3;
        rover->dXmax[k] = dx[grp];
        rover->dVmax[k] = dv[grp];
    }
    rover->vmax = d.vMax;
    rover->cmax = d.cMax;

    FILE* f = rover->fresults;
    if (f && rover->verbose > 39) {
        std::fputs(dashes55, f);
        std::fputs("PARAMETRES CONSTANTS (INDEPENDANTS DE LA CONFIGURATION)\n", f);
        std::fputs(dashes55, f);
        std::fprintf(f, "Masse totale (kg) mtot = %g\n", rover->mtot);
        std::fputs("CORPS CAISSE ;\n", f);
        std::fprintf(f, "masse (kg) m0 : %g\n", rover->m0);
        print_vec3(f, "Position Cdg (m) RGO : \n", rover->RG0);
        print_mat3(f, "Tenseur inertie caisse (kg.m2) In0 :", rover->In0);
        for (int c = 0; c < NB_CHAINES; ++c) {
            std::fputs(dashes27, f);
            std::fprintf(f, "CORPS DE LA CHAINE %s\n", nomChaine[c]);
            std::fputs(dashes27, f);
            for (int j = 0; j < NB_AXES; ++j) {
                std::fprintf(f, "%s\n", nomCorps[j]);
                std::fprintf(f, "Masse (kg) mi : %g\n", rover->mi[c][j]);
                print_vec3(f, "Position Cdg (m) OiGi : \n", rover->OiGi[c][j]);
                print_mat3(f, "Tenseur inertie (kg.m2) Ini :", rover->Ini[c][j]);
            }
        }
    }
}

// ---- configuration-dependent quantities --------------------------------------

namespace {

// the contact of wheel c: point, gap, contact frame, velocity, force
void wheel_contact(DynRover* rover, const Mnt* mnt, int c, const double vP_rel[3],
                   const double uW[3])
{
    ConfRover* cr = &rover->conf;
    const double* Rb = frame_rot(cr->caisse);
    const double* C = frame_origin(cr->monde[c][J_ROUE]);
    double r = cr->rayonRoue;
    double* n = cr->normale[c];
    double P[3] = {C[0] - r * n[0], C[1] - r * n[1], C[2] - r * n[2]};
    double gap;
    if (mnt) {
        double h = hauteur_mnt(mnt, P[0], P[1], n);
        gap = (P[2] - h) * n[2];
    } else {
        gap = C[2] - r;
    }
    vec_copy(cr->contact[c], P);
    double dP[3] = {P[0] - cr->pos[0], P[1] - cr->pos[1], P[2] - cr->pos[2]};
    mat_tmul_vec(cr->contactCaisse[c], Rb, dP);
    rover->ecart[c] = gap;

    // contact frame: columns (n x a) x n, n x a normalised, n
    double a[3], e1[3], e2[3];
    mat_mul_vec(a, Rb, uW);
    vec_cross(e2, n, a);
    vec_normalize(e2, e2);
    vec_cross(e1, e2, n);
    double* Cap = rover->Cap[c];
    for (int k = 0; k < 3; ++k) {
        Cap[k] = e1[k];
        Cap[3 + k] = e2[k];
        Cap[6 + k] = n[k];
    }

    // velocity of the wheel's material point at P, terrain axes
    const double* Pb = cr->contactCaisse[c];
    const double* om = rover->vit + 3;
    double vb[3];
    vec_cross(vb, om, Pb);
    vb[0] += vP_rel[0];
    vb[1] += vP_rel[1];
    vb[2] += vP_rel[2];
    double w[3];
    mat_mul_vec(w, Rb, vb);
    w[0] += rover->vit[0];
    w[1] += rover->vit[1];
    w[2] += rover->vit[2];
    mat_tmul_vec(rover->vContact[c], Cap, w);

    double* d = rover->dtan[c];
    d[2] = gap;
    double* F = rover->fContact[c];
    if (mnt && mnt->typeDyn == SolMacro && mnt->sol) {
        EntreeMacroSol e;
        e.dz = gap;
        vec_copy(e.V, rover->vContact[c]);
        e.omega = rover->qd[Q_ROUE + c];
        vec_copy(e.P, P);
        e.r = r;
        e.b = cr->largeurRoue;
        e.g = rover->data.g;
        e.t = cr->temps;
        e.t0 = rover->tContact;
        e.trace = (rover->verbose > 19) ? rover->fresults : nullptr;
        e.filtre = rover->filtreMacro[c];
        bool lateralBorne = contact_macroSol(F, c, static_cast<const ZonesSol*>(mnt->sol), &e);
        // the macro law accumulates no tangential displacement
        rover->marge[c] = 0.0;
        // its dampers: lateral unless the soil's strength holds that force,
        // and normal while sunk (the longitudinal one acts through a
        // two-second filter)
        rover->amortContact[c][0] = lateralBorne ? 0.0 : 1000.0;
        rover->amortContact[c][1] = 0.0;
        rover->amortContact[c][2] = gap < 0.0 ? 4000.0 : 0.0;
    } else if (mnt && mnt->typeDyn == SolClassique && mnt->sol) {
        const ZonesSol* zs = static_cast<const ZonesSol*>(mnt->sol);
        EntreeClassique e;
        e.dz = gap;
        vec_copy(e.V, rover->vContact[c]);
        e.omega = rover->qd[Q_ROUE + c];
        e.r = r;
        e.b = cr->largeurRoue;
        e.g = rover->data.g;
        const ParamClassique p = {mnt->c1, mnt->c2, mnt->n1};
        SortieClassique s;
        contact_classique(&s, chercheZone(zs, P[0], P[1]), &p, &e);
        vec_copy(F, s.F);
        rover->marge[c] = 0.0;
        vec_copy(rover->amortContact[c], s.amort);
        // the moment beyond that of F at the lowest point, about the axle,
        // body axes: the motors pay for compaction and shear
        vec_scale(rover->coupleSol[c], s.couple, uW);
        if (s.enlisee && !rover->enlisee)
            rover->enlisee = c + 1;
    } else {
        const DynSol* sol = (mnt && mnt->sol) ? static_cast<const DynSol*>(mnt->sol)
                                              : default_soil(rover->data.g);
        rover->marge[c] = contact_dynSol(sol, F, P, Cap, d, rover->vContact[c]);
        // its dampers: tangential (normal force times fT) while it grips,
        // normal fN
        double ct = rover->marge[c] > 0.0 ? F[2] * sol->fT : 0.0;
        rover->amortContact[c][0] = ct;
        rover->amortContact[c][1] = ct;
        rover->amortContact[c][2] = sol->fN;
    }

    // a wheel whose normal force is not positive is off the ground: its force
    // is dropped from every row alike, so no row sees a force the others miss
    rover->horsSol[c] = !(F[2] > 0.0);
    if (rover->horsSol[c]) {
        vec_zero(rover->Fb[c]);
        vec_zero(rover->Ft[c]);
        vec_zero(rover->amortContact[c]);
        vec_zero(rover->coupleSol[c]);
    } else {
        mat_mul_vec(rover->Ft[c], Cap, F);
        mat_tmul_vec(rover->Fb[c], Rb, rover->Ft[c]);
    }
}

// the terrain-axes copies printed at verbosity > 99
void terrain_axes_quantities(DynRover* rover)
{
    const double* Rb = frame_rot(rover->conf.caisse);
    for (int c = 0; c < NB_CHAINES; ++c)
        for (int i = 0; i < NB_AXES; ++i) {
            mat_mul_vec(rover->RGi[c][i], Rb, rover->Gb[c][i]);
            mat_mul_vec(rover->Ui_r[c][i], Rb, rover->Ub[c][i]);
            double tmp[9];
            mat_mul(tmp, Rb, rover->Ib[c][i]);
            mat_mul_t(rover->Ini_r[c][i], tmp, Rb);
            for (int j = 0; j <= i; ++j) {
                double dG[3];
                vec_sub(dG, rover->Gb[c][i], rover->Ob[c][j]);
                mat_mul_vec(rover->OjGi[c][i][j], Rb, dG);
            }
        }
}

void print_configuration(DynRover* rover)
{
    FILE* f = rover->fresults;
    std::fputs(dashes51, f);
    std::fputs("PARAMETRES VARIABLES DEPENDANTS DE LA CONFIGURATION\n", f);
    std::fputs(dashes51, f);
    print_vec3(f, "Position Cdg (m) RG : \n", rover->RG);
    print_mat3(f, "Tenseur inertie global (kg.m2) InR :", rover->InR);
    for (int c = 0; c < NB_CHAINES; ++c) {
        std::fputs(dashes27, f);
        std::fprintf(f, "CORPS DE LA CHAINE %s\n", nomChaine[c]);
        std::fputs(dashes27, f);
        print_mat3(f, "Matrice Orientation contact roue : Cap :", rover->Cap[c]);
        for (int i = 0; i < NB_AXES; ++i) {
            std::fprintf(f, "\n%s\n", nomCorps[i]);
            std::fprintf(f, "Masse (kg) mi : %g\n", rover->mi[c][i]);
            print_vec3(f, "Position Cdg (m) RGi : \n", rover->RGi[c][i]);
            print_mat3(f, "Tenseur inertie (kg.m2) Ini_r :", rover->Ini_r[c][i]);
            print_vec3(f, "Direction axe rotation Ui_r : \n", rover->Ui_r[c][i]);
            for (int j = 0; j <= i; ++j) {
                std::fprintf(f, "     position Cdg axe %s (m) OjGi : ", nomCorps[j]);
                print_vec3(f, "\n", rover->OjGi[c][i][j]);
            }
        }
    }
}

} // namespace

const char* dyn_configuration(DynRover* rover, const Mnt* mnt)
{
    ConfRover* cr = &rover->conf;
    if (const char* msg = update_geometry(cr))
        return msg;

    const double* Rb = frame_rot(cr->caisse);
    const double* om = rover->vit + 3;
    double gb[3];
    mat_tmul_vec(gb, Rb, rover->gravite);

    // the body itself: bias force m0 (omega x (omega x RG0) - g) at RG0 and
    // gyroscopic moment omega x In0 omega
    double Ftot[3], Ntot[3], Stot[3], Jtot[9];
    {
        const double* G = rover->RG0;
        double wG[3], f[3], Iw[3], n[3];
        vec_cross(wG, om, G);
        vec_cross(f, om, wG);
        for (int k = 0; k < 3; ++k)
            f[k] = rover->m0 * (f[k] - gb[k]);
        mat_mul_vec(Iw, rover->In0, om);
        vec_cross(n, om, Iw);
        vec_copy(Ftot, f);
        vec_cross(Ntot, G, f);
        vec_axpy(Ntot, Ntot, 1.0, n);
        vec_scale(Stot, rover->m0, G);
        std::memset(Jtot, 0, sizeof(Jtot));
        mat_add_inertia_at(Jtot, rover->In0, rover->m0, G);
    }

    for (int c = 0; c < NB_CHAINES; ++c) {
        int t = traverse_chaine(c);
        double rho = cr->rho[c];
        double drho = four_bar_rate(cr, c);
        rover->drho[c] = drho;
        double qdT = rover->qd[Q_TRAV + t];
        // joint rates, and the joint accelerations that do not come from the
        // unknowns (the support's -rho' qd^2; driven accelerations are added
        // by the assembly through K, T and R)
        const double qd[NB_AXES] = {qdT, -rho * qdT, rover->qd[Q_STEERING + c],
                                    rover->qd[Q_FOURCHE + c], rover->qd[Q_ROUE + c]};
        const double qddb[NB_AXES] = {0.0, -drho * qdT * qdT, 0.0, 0.0, 0.0};

        double f[NB_AXES][3], n[NB_AXES][3];  // bias force at G_j, moment
        double rotorMoment[NB_AXES][3];       // rotor gyroscopic moment
        double rotorGen[NB_AXES];             // rotor term on its own joint
        // going down the chain, for the body before joint j: its absolute
        // angular velocity W and bias angular acceleration A, and the bias
        // acceleration aO of its point at o_j, body axes; the chain starts on
        // the body, whose origin's bias acceleration is zero
        double W[3] = {om[0], om[1], om[2]};
        double A[3] = {0, 0, 0};
        double aO[3] = {0, 0, 0};
        double oPrev[3] = {0, 0, 0};
        for (int j = 0; j < NB_AXES; ++j) {
            const double* Q = frame_rot(cr->rel[c][j]);
            double* o = rover->Ob[c][j];
            double* u = rover->Ub[c][j];
            double* G = rover->Gb[c][j];
            vec_copy(o, frame_origin(cr->rel[c][j]));
            const int ax = cr->axe[c][j];
            if (ax >= 1 && ax <= 3)
                vec_copy(u, Q + 3 * (ax - 1));  // a frame axis: Q's column
            else
                mat_mul_vec(u, Q, cr->axeVec[c][j]);
            mat_mul_vec(G, Q, rover->OiGi[c][j]);
            vec_add(G, G, o);
            double diag[3] = {rover->Ini[c][j][0], rover->Ini[c][j][4], rover->Ini[c][j][8]};
            mat_rotate_diag(rover->Ib[c][j], Q, diag);

            // move along the previous body to this joint's origin:
            // a_o += A x dO + W x (W x dO)
            {
                double dO[3], t1[3];
                vec_sub(dO, o, oPrev);
                vec_cross(t1, W, dO);
                vec_add_cross(aO, A, dO);
                vec_add_cross(aO, W, t1);
            }
            vec_copy(oPrev, o);

            // the joint's rotor turns on the previous body at N qd about u;
            // its inertia about u counted with the joint's body leaves (N-1)
            // J_m terms (docs/dynamics.md)
            double J = rover->Jm[c][j], Nj = rover->N[c][j];
            if (J != 0.0 && Nj != 1.0) {
                double Wu[3];
                vec_cross(Wu, W, u);
                vec_scale(rotorMoment[j], J * (Nj - 1.0) * qd[j], Wu);
                rotorGen[j] = (Nj - 1.0) * J * vec_dot(u, A);
            } else {
                vec_zero(rotorMoment[j]);
                rotorGen[j] = 0.0;
            }

            // this joint: A += W x u qd + qdd_bias u, then W += u qd
            double uq[3];
            vec_scale(uq, qd[j], u);
            vec_add_cross(A, W, uq);
            if (qddb[j] != 0.0)
                vec_axpy(A, A, qddb[j], u);
            vec_add(W, W, uq);

            // bias acceleration of the centre of gravity, then its force
            double dG[3], t1[3], aG[3];
            vec_sub(dG, G, o);
            vec_cross(t1, W, dG);
            vec_copy(aG, aO);
            vec_add_cross(aG, A, dG);
            vec_add_cross(aG, W, t1);
            double m = rover->mi[c][j];
            for (int k = 0; k < 3; ++k)
                f[j][k] = m * (aG[k] - gb[k]);

            // Euler: Ib A + W x Ib W
            double IA[3], IW[3];
            mat_mul_vec(IA, rover->Ib[c][j], A);
            mat_mul_vec(IW, rover->Ib[c][j], W);
            vec_cross(n[j], W, IW);
            vec_add(n[j], n[j], IA);
        }

        // the contact point's velocity relative to the body, sum of the joints'
        // u qd x (P - o), with the current contact point (recomputed by
        // wheel_contact below)
        double vPrel[3] = {0, 0, 0};
        {
            const double* C = frame_origin(cr->monde[c][J_ROUE]);
            double r = cr->rayonRoue;
            const double* nn = cr->normale[c];
            double P[3] = {C[0] - r * nn[0] - cr->pos[0], C[1] - r * nn[1] - cr->pos[1],
                           C[2] - r * nn[2] - cr->pos[2]};
            double Pb[3];
            mat_tmul_vec(Pb, Rb, P);
            for (int j = 0; j < NB_AXES; ++j) {
                if (qd[j] == 0.0)
                    continue;
                double dP[3], uq[3];
                vec_sub(dP, Pb, rover->Ob[c][j]);
                vec_scale(uq, qd[j], rover->Ub[c][j]);
                vec_add_cross(vPrel, uq, dP);
            }
        }

        vec_zero(rover->coupleSol[c]);
        wheel_contact(rover, mnt, c, vPrel, rover->Ub[c][J_ROUE]);

        // backward over the chain: composite quantities of the bodies moved by
        // each joint, its momenta per unit rate and its bias generalised force
        double Msub = 0.0, Ssub[3] = {0, 0, 0}, Jsub[9] = {0};
        double Fsub[3] = {0, 0, 0}, Nsub[3] = {0, 0, 0};
        double H[NB_AXES][3];   // angular momentum about the body origin per
                                // unit rate, without the rotor term
        double Tb[NB_AXES][3];  // linear momentum per unit rate, body axes
        double uxo[NB_AXES][3]; // u_j x o_j
        const double* Fb = rover->Fb[c];
        double mPF[3];  // moment of the contact force about the body origin
        vec_cross(mPF, cr->contactCaisse[c], Fb);
        if (!vec_is_zero(rover->coupleSol[c]))
            vec_add(mPF, mPF, rover->coupleSol[c]);
        for (int j = NB_AXES - 1; j >= 0; --j) {
            const double* o = rover->Ob[c][j];
            const double* u = rover->Ub[c][j];
            const double* G = rover->Gb[c][j];
            double m = rover->mi[c][j];
            Msub += m;
            vec_axpy(Ssub, Ssub, m, G);
            mat_add_inertia_at(Jsub, rover->Ib[c][j], m, G);
            vec_add(Fsub, Fsub, f[j]);
            vec_add_cross(Nsub, G, f[j]);
            vec_add(Nsub, Nsub, n[j]);

            double so[3], t1[3];
            double* uo = uxo[j];
            vec_axpy(so, Ssub, -Msub, o);
            vec_cross(Tb[j], u, so);
            mat_mul_vec(rover->T[c][j], Rb, Tb[j]);
            mat_mul_vec(H[j], Jsub, u);
            vec_cross(uo, u, o);
            vec_cross(t1, Ssub, uo);
            vec_sub(H[j], H[j], t1);
            double Nj = rover->N[c][j], Jm = rover->Jm[c][j];
            vec_axpy(rover->R[c][j], H[j], (Nj - 1.0) * Jm, u);

            // bias: moment about o_j of the downstream bodies' bias forces,
            // u . (Nsub - o x Fsub) = u . Nsub - (u x o) . Fsub
            rover->h[c][j] = -vec_dot(u, Nsub) + vec_dot(uo, Fsub) - rotorGen[j];
            // the joint's rotor reacts on the previous body (upstream joints)
            vec_add(Nsub, Nsub, rotorMoment[j]);

            // contact force's generalised force on this joint,
            // u . ((P - o) x F) = u . (P x F) - (u x o) . F
            rover->Qc[c][j] = vec_dot(u, mPF) - vec_dot(uo, Fb);
        }

        // joint-space inertia: K[j][k] = u_j . (H_k - o_j x T_k)
        // = u_j . H_k - (u_j x o_j) . T_k, k >= j; the rotors add (N_k - 1) J_k
        // u_j . u_k, and (N_k^2 - 1) J_k on the diagonal
        for (int j = 0; j < NB_AXES; ++j) {
            const double* uj = rover->Ub[c][j];
            for (int k = j; k < NB_AXES; ++k) {
                double v = vec_dot(uj, H[k]) - vec_dot(uxo[j], Tb[k]);
                const double Nk = rover->N[c][k], Jk = rover->Jm[c][k];
                if (Jk != 0.0)
                    v += k == j ? (Nk * Nk - 1.0) * Jk
                                : (Nk - 1.0) * Jk * vec_dot(uj, rover->Ub[c][k]);
                rover->K[c][j][k] = v;
                rover->K[c][k][j] = v;
            }
        }

        vec_add(Ftot, Ftot, Fsub);
        vec_add(Ntot, Ntot, Nsub);
        vec_add(Stot, Stot, Ssub);
        for (int k = 0; k < 9; ++k)
            Jtot[k] += Jsub[k];
    }
    rover->tContact = cr->temps;

    // whole rover
    vec_copy(rover->S, Stot);
    vec_scale(rover->RG, 1.0 / rover->mtot, Stot);
    mat_copy(rover->InR, Jtot);
    double Ft[3];
    mat_mul_vec(Ft, Rb, Ftot);
    for (int k = 0; k < 3; ++k) {
        rover->hCaisse[k] = -Ft[k];
        rover->hCaisse[3 + k] = -Ntot[k];
    }

    // traverse stops: a restoring torque beyond a limit, never one that pulls
    // the traverse further out
    const DataDynRov& d = rover->data;
    for (int t = 0; t < 3; ++t) {
        double kp = t < 2 ? d.kpTravL : d.kpTravR;
        double kv = t < 2 ? d.kvTravL : d.kvTravR;
        double phi = cr->q[Q_TRAV + t], phid = rover->qd[Q_TRAV + t];
        double lo = cr->butMin[Q_TRAV + t], hi = cr->butMax[Q_TRAV + t];
        double tau = 0.0;
        if (phi > hi) {
            tau = -kv * phid - kp * (phi - hi);
            if (tau > 0.0)
                tau = 0.0;
        } else if (phi < lo) {
            tau = -kv * phid - kp * (phi - lo);
            if (tau < 0.0)
                tau = 0.0;
        }
        rover->coupleButee[t] = tau;
    }

    if (rover->fresults && rover->verbose > 99) {
        terrain_axes_quantities(rover);
        print_configuration(rover);
    }
    if (rover->enlisee) {
        thread_local char message[64];
        std::snprintf(message, sizeof message, "Roue enlisee : %s\n",
                      nomChaine[rover->enlisee - 1]);
        rover->enlisee = 0;
        return message;
    }
    return nullptr;
}

// ---- assembly and solution ---------------------------------------------------

void dyn_mass_matrix(const DynRover* rover, double M[NB_DDL * NB_DDL])
{
    const ConfRover* cr = &rover->conf;
    std::memset(M, 0, sizeof(double) * NB_DDL * NB_DDL);
    auto at = [M](int i, int j) -> double& { return M[i * NB_DDL + j]; };

    // translation/translation and translation/rotation: -R [S]x
    const double* Rb = frame_rot(cr->caisse);
    double Sx[9], RSx[9];
    mat_skew(Sx, rover->S);
    mat_mul(RSx, Rb, Sx);
    for (int i = 0; i < 3; ++i) {
        at(i, i) = rover->mtot;
        for (int j = 0; j < 3; ++j) {
            at(i, 3 + j) = -RSx[i + 3 * j];
            at(3 + j, i) = -RSx[i + 3 * j];
            at(3 + i, 3 + j) = rover->InR[i + 3 * j];
        }
    }

    for (int c = 0; c < NB_CHAINES; ++c) {
        int t = traverse_chaine(c);
        int it = 6 + t, iw = 9 + c;
        double rho = cr->rho[c];
        const double(*K)[NB_AXES] = rover->K[c];
        for (int k = 0; k < 3; ++k) {
            double tt = rover->T[c][J_TRAVERSE][k] - rho * rover->T[c][J_SUPPORT][k];
            double rt = rover->R[c][J_TRAVERSE][k] - rho * rover->R[c][J_SUPPORT][k];
            at(k, it) += tt;
            at(it, k) += tt;
            at(3 + k, it) += rt;
            at(it, 3 + k) += rt;
            at(k, iw) = rover->T[c][J_ROUE][k];
            at(iw, k) = rover->T[c][J_ROUE][k];
            at(3 + k, iw) = rover->R[c][J_ROUE][k];
            at(iw, 3 + k) = rover->R[c][J_ROUE][k];
        }
        at(it, it) += K[J_TRAVERSE][J_TRAVERSE] + rho * rho * K[J_SUPPORT][J_SUPPORT] -
                      2.0 * rho * K[J_TRAVERSE][J_SUPPORT];
        double tw = K[J_TRAVERSE][J_ROUE] - rho * K[J_SUPPORT][J_ROUE];
        at(it, iw) = tw;
        at(iw, it) = tw;
        at(iw, iw) = K[J_ROUE][J_ROUE];
    }
}

double dyn_kinetic_energy(const DynRover* rover, const double u[NB_DDL])
{
    double M[NB_DDL * NB_DDL];
    dyn_mass_matrix(rover, M);
    double e = 0.0;
    for (int i = 0; i < NB_DDL; ++i)
        for (int j = 0; j < NB_DDL; ++j)
            e += u[i] * M[i * NB_DDL + j] * u[j];
    return 0.5 * e;
}

namespace {

// a wheel turning slower than this is at rest for its dry friction
const double OmegaRepos = 1e-9;

// the second member: gravity and velocity terms, driven accelerations,
// contact forces, stop torques, wheel motors and frictions. Wheels at rest get
// no friction here: Qw receives their row without it (see dyn_solve)
void second_member(const DynRover* rover, double F[NB_DDL], double Qw[NB_CHAINES])
{
    const ConfRover* cr = &rover->conf;
    for (int k = 0; k < 6; ++k)
        F[k] = rover->hCaisse[k];
    for (int t = 0; t < 3; ++t)
        F[6 + t] = rover->coupleButee[t];

    for (int c = 0; c < NB_CHAINES; ++c) {
        int t = traverse_chaine(c);
        double rho = cr->rho[c];
        double aSt = rover->qdd[Q_STEERING + c], aF = rover->qdd[Q_FOURCHE + c];
        const double(*K)[NB_AXES] = rover->K[c];
        const double* h = rover->h[c];
        for (int k = 0; k < 3; ++k) {
            F[k] -= rover->T[c][J_STEERING][k] * aSt + rover->T[c][J_FOURCHE][k] * aF;
            F[3 + k] -= rover->R[c][J_STEERING][k] * aSt + rover->R[c][J_FOURCHE][k] * aF;
        }
        // contact: force at the contact point (zero when off the ground)
        double mP[3];
        vec_cross(mP, cr->contactCaisse[c], rover->Fb[c]);
        if (!vec_is_zero(rover->coupleSol[c]))
            vec_add(mP, mP, rover->coupleSol[c]);
        for (int k = 0; k < 3; ++k) {
            F[k] += rover->Ft[c][k];
            F[3 + k] += mP[k];
        }
        F[6 + t] += (h[J_TRAVERSE] - K[J_TRAVERSE][J_STEERING] * aSt -
                     K[J_TRAVERSE][J_FOURCHE] * aF) -
                    rho * (h[J_SUPPORT] - K[J_SUPPORT][J_STEERING] * aSt -
                           K[J_SUPPORT][J_FOURCHE] * aF) +
                    rover->Qc[c][J_TRAVERSE] - rho * rover->Qc[c][J_SUPPORT];

        // wheel: contact, bias, motor, viscous friction, then the kinetic dry
        // friction, whole and against the wheel's rate: a torque below the
        // friction must slow a turning wheel, not leave it coasting. The
        // integration stops a wheel that its friction brings through zero
        double om = rover->qd[Q_ROUE + c];
        double Nw = rover->N[c][J_ROUE];
        double Q = rover->Qc[c][J_ROUE] + h[J_ROUE] + Nw * rover->cmdRoue[c] -
                   K[J_ROUE][J_STEERING] * aSt - K[J_ROUE][J_FOURCHE] * aF -
                   rover->fvis[c][J_ROUE] * om;
        Qw[c] = Q;
        if (std::fabs(om) <= OmegaRepos) {
            F[9 + c] = Q;
            continue;
        }
        double fr = rover->fsec[c][J_ROUE];
        F[9 + c] = om > 0.0 ? Q - fr : Q + fr;
    }
}

// The generalised velocities as a tree, for the solver: the body's six in a
// chain, each traverse on the body, each wheel on its traverse. M and the
// contact dampers couple only velocities on one path of this tree (a wheel
// with the body and its own traverse), so its factors need no other entry.
struct ArbreDdl {
    int parent[NB_DDL];
    ArbreDdl()
    {
        parent[0] = -1;
        for (int k = 1; k < 6; ++k)
            parent[k] = k - 1;
        for (int t = 0; t < 3; ++t)
            parent[6 + t] = 5;
        for (int c = 0; c < NB_CHAINES; ++c)
            parent[9 + c] = 6 + traverse_chaine(c);
    }
};
const ArbreDdl arbreDdl;

// Mh += h C for the contact dampers (see dyn_solve), lower triangle only:
// the solver reads no other
void add_contact_damping(const DynRover* rover, double h, double Mh[NB_DDL * NB_DDL])
{
    const ConfRover* cr = &rover->conf;
    const double* Rb = frame_rot(cr->caisse);
    for (int c = 0; c < NB_CHAINES; ++c) {
        if (rover->horsSol[c])
            continue;
        int t = traverse_chaine(c);
        double rho = cr->rho[c];
        const double* Pb = cr->contactCaisse[c];
        // contact point velocity per unit generalised velocity, body axes,
        // for the rotation, traverse and wheel columns
        double jr[3][3], jt[3], jw[3], d[3], t1[3];
        for (int k = 0; k < 3; ++k) {
            double e[3] = {0, 0, 0};
            e[k] = 1.0;
            vec_cross(jr[k], e, Pb);
        }
        vec_sub(d, Pb, rover->Ob[c][J_TRAVERSE]);
        vec_cross(jt, rover->Ub[c][J_TRAVERSE], d);
        vec_sub(d, Pb, rover->Ob[c][J_SUPPORT]);
        vec_cross(t1, rover->Ub[c][J_SUPPORT], d);
        vec_axpy(jt, jt, -rho, t1);
        vec_sub(d, Pb, rover->Ob[c][J_ROUE]);
        vec_cross(jw, rover->Ub[c][J_ROUE], d);

        // the wheel's share: for each entry the sum over the three axes (an
        // undamped one weighs zero), added once
        const int idx[8] = {0, 1, 2, 3, 4, 5, 6 + t, 9 + c};
        double g[3][8], cg[3][8];
        bool amorti = false;
        for (int ax = 0; ax < 3; ++ax) {
            const double cd = h * rover->amortContact[c][ax];
            amorti = amorti || cd != 0.0;
            const double* eT = rover->Cap[c] + 3 * ax;  // contact axis, terrain
            double eb[3];
            mat_tmul_vec(eb, Rb, eT);                         // the same, body axes
            double* ga = g[ax];
            ga[0] = eT[0];
            ga[1] = eT[1];
            ga[2] = eT[2];
            ga[3] = vec_dot(eb, jr[0]);
            ga[4] = vec_dot(eb, jr[1]);
            ga[5] = vec_dot(eb, jr[2]);
            ga[6] = vec_dot(eb, jt);
            ga[7] = vec_dot(eb, jw);
            for (int i = 0; i < 8; ++i)
                cg[ax][i] = cd * ga[i];
        }
        if (!amorti)
            continue;
        for (int i = 0; i < 8; ++i) {
            double* row = Mh + idx[i] * NB_DDL;
            for (int j = 0; j <= i; ++j)
                row[idx[j]] += cg[0][i] * g[0][j] + cg[1][i] * g[1][j] + cg[2][i] * g[2][j];
        }
    }
}

void print_solution(FILE* f, const char* title, const double v[NB_DDL])
{
    if (title)
        std::fputs(title, f);
    print_matrix(f, "xyzsga", v, 1, 6, 0);
    print_matrix(f, "Traverses", v + 6, 1, 3, 0);
    print_matrix(f, "Roues", v + 9, 1, 6, 0);
}

} // namespace

double dyn_solve(DynRover* rover, double acc[NB_DDL])
{
    // M is assembled where its damped copy Mh is then formed
    double Mh[NB_DDL * NB_DDL], F[NB_DDL], Qw[NB_CHAINES];
    const double* M = Mh;
    dyn_mass_matrix(rover, Mh);
    second_member(rover, F, Qw);

    FILE* f = rover->verbose > 79 ? rover->fresults : nullptr;
    if (f) {
        static const char* const names[4] = {"Translation", "Rotation", "Traverses", "Roues"};
        static const int lo[4] = {0, 3, 6, 9}, hi[4] = {3, 6, 9, 15};
        std::fputs("-------------------------\n", f);
        std::fputs("Matrice Energie cinetique\n", f);
        std::fputs("-------------------------\n", f);
        char label[32];
        for (int a = 0; a < 4; ++a)
            for (int b = 0; b < 4; ++b) {
                std::snprintf(label, sizeof label, "%s/%s", names[a], names[b]);
                print_block(f, label, M, NB_DDL, lo[a], hi[a], lo[b], hi[b]);
            }
        std::fputs("-------------\n", f);
        std::fputs("Second membre\n", f);
        std::fputs("-------------\n", f);
        print_solution(f, nullptr, F);
    }

    // The contact dampers are stiff beside the rover's masses: their share of
    // the force is taken at the end of the sub-step (linearly implicit),
    // M + h C with C = sum over wheels and contact axes of c g g^T, g the
    // generalised direction of the contact point along that axis. With h = 0
    // (or no contact) the system is M itself.
    if (rover->hImplicite > 0.0)
        add_contact_damping(rover, rover->hImplicite, Mh);

    // A wheel at rest stays held by its dry friction while the torque that
    // holds it (found with its acceleration set to 0) is within the friction;
    // beyond, it starts turning against the full friction. Friction never
    // sets a wheel at rest in motion by itself.
    double det = 0.0;
    for (int c = 0; c < NB_CHAINES; ++c)
        rover->bloque[c] = std::fabs(rover->qd[Q_ROUE + c]) <= OmegaRepos;
    for (int pass = 0; pass <= NB_CHAINES; ++pass) {
        double A[NB_DDL * NB_DDL], b[NB_DDL];
        std::memcpy(A, Mh, sizeof A);
        std::memcpy(b, F, sizeof b);
        for (int c = 0; c < NB_CHAINES; ++c) {
            if (!rover->bloque[c])
                continue;
            int w = 9 + c;
            for (int k = 0; k < NB_DDL; ++k) {
                A[w * NB_DDL + k] = 0.0;
                A[k * NB_DDL + w] = 0.0;
            }
            A[w * NB_DDL + w] = 1.0;
            b[w] = 0.0;
        }
        det = ldlt_solve_tree(acc, A, b, NB_DDL, arbreDdl.parent);
        if (det == 0.0)
            return 0.0;
        bool released = false;
        for (int c = 0; c < NB_CHAINES; ++c) {
            if (!rover->bloque[c])
                continue;
            int w = 9 + c;
            double hold = -Qw[c];
            for (int k = 0; k < NB_DDL; ++k)
                hold += Mh[w * NB_DDL + k] * acc[k];
            double fr = rover->fsec[c][J_ROUE];
            if (std::fabs(hold) > fr) {
                rover->bloque[c] = 0;
                F[w] = Qw[c] + std::copysign(fr, hold);
                released = true;
            }
        }
        if (!released)
            break;
    }
    std::memcpy(rover->acc, acc, sizeof(double) * NB_DDL);
    if (f) {
        std::fputs("-----------\n", f);
        std::fprintf(f, "Determinant = %lf\n", det);
        std::fputs("-----------\n", f);
        std::fputs("Solution\n", f);
        std::fputs("--------\n", f);
        print_solution(f, nullptr, acc);
    }
    return det;
}

// ---- driven joints -----------------------------------------------------------

void dyn_joint_torques(DynRover* rover)
{
    const ConfRover* cr = &rover->conf;
    const double* a = rover->acc;
    for (int c = 0; c < NB_CHAINES; ++c) {
        int t = traverse_chaine(c);
        double rho = cr->rho[c];
        const double(*K)[NB_AXES] = rover->K[c];
        const double qddJ[NB_AXES] = {a[6 + t], -rho * a[6 + t], rover->qdd[Q_STEERING + c],
                                      rover->qdd[Q_FOURCHE + c], a[9 + c]};
        for (int j = J_STEERING; j <= J_FOURCHE; ++j) {
            // torque the joint transmits to the bodies it carries: their
            // inertia under the new accelerations, less gravity, velocity
            // terms and the wheel's contact force, plus viscous friction
            double rate = rover->qd[(j == J_STEERING ? Q_STEERING : Q_FOURCHE) + c];
            double Y = vec_dot(rover->T[c][j], a) + vec_dot(rover->R[c][j], a + 3);
            for (int k = 0; k < NB_AXES; ++k)
                Y += K[j][k] * qddJ[k];
            Y += -rover->h[c][j] - rover->Qc[c][j] + rover->fvis[c][j] * rate;
            double fr = rover->fsec[c][j];
            if (rate * Y > 0.0)
                fr = std::fmin(fr, std::fabs(Y));
            double N = rover->N[c][j];
            double tau = (rate > 0.0 || (rate == 0.0 && Y > 0.0)) ? (Y + fr) / N : (Y - fr) / N;
            if (j == J_STEERING)
                rover->coupleSteer[c] = tau;
            else
                rover->coupleElev[c] = tau;
        }
    }
}
