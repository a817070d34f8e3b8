// Rover display lists and their placement each frame.
//
// Every shape is compiled in the frame of the joint that carries it, for the
// right-hand (or front) copy; the left-hand copies are the same shape turned
// 180 degrees about z, the rear traverse and its coupler links the front ones
// turned -90 degrees about z. Sizes follow the wheel radius r and the track
// width v, so a rover of any size is drawn in proportion.
#include "render/roverlists.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "render/textures.h"
#include "rover/confrover.h"

namespace {

const int Tranches = 24;                         // slices of every round shape
const double Tranche = 0.2617993877991494;       // 15 degrees, rad
const double DegParRad = 57.29577951308232;

// which list each chain calls from each slot is fixed; these are the
// distinct shapes behind them
enum {
    L_TRAV_BOGIE, L_TRAV_ARR,                         // slot 0
    L_SUP_AVD, L_SUP_AVG, L_SUP_MIG, L_SUP_MID,       // slot 1, bogie chains
    L_SUP_ARD, L_SUP_ARG,                             // slot 1, rear chains
    L_PIVOT, L_PIVOT_T,                               // slot 2
    L_FOURCHE, L_FOURCHE_T,                           // slot 3
    L_ROUE, L_ROUE_T,                                 // slot 4
    L_BIELLE_BOGIE, L_BIELLE_ARR,                     // slot 5
    L_CAISSE,
    NB_LISTES
};

// ---- primitives (all front faces wound counter-clockwise seen from outside)
//
// Every vertex carries its own normal and colour and every shape goes out as
// separate triangles: a list keeps one vertex format and one kind of
// primitive from one matrix or mode change to the next, and the list
// compiler merges each such run into a single draw. Strips, fans and
// polygons are cut into the same triangles, corners in the same order, as
// the rasteriser cuts them (the quad v0 v1 v3 v2 of a strip into v2 v0 v3
// and v0 v1 v3, a fan or polygon about its first vertex), so the pixels do
// not change.

struct Pt {
    double y, z;
};

struct Sommet {
    double p[3], n[3], t[2];
};

// the colour of the part being compiled, given to each of its vertices
float teinte[4] = {1.0f, 1.0f, 1.0f, 1.0f};
// whether the vertices carry their texture coordinates
bool texturee = false;

void couleur(float r, float g, float b, float a = 1.0f)
{
    teinte[0] = r;
    teinte[1] = g;
    teinte[2] = b;
    teinte[3] = a;
}

void emet(const Sommet& v)
{
    glColor4fv(teinte);
    glNormal3dv(v.n);
    if (texturee)
        glTexCoord2dv(v.t);
    glVertex3dv(v.p);
}

void triangle(const Sommet& a, const Sommet& b, const Sommet& c)
{
    emet(a);
    emet(b);
    emet(c);
}

// a quad strip of n vertices
void bande(const Sommet* v, int n)
{
    glBegin(GL_TRIANGLES);
    for (int i = 0; i + 3 < n; i += 2) {
        triangle(v[i + 2], v[i], v[i + 3]);
        triangle(v[i], v[i + 1], v[i + 3]);
    }
    glEnd();
}

// a fan about v[0], or a convex polygon
void eventail(const Sommet* v, int n)
{
    glBegin(GL_TRIANGLES);
    for (int i = 1; i + 1 < n; ++i)
        triangle(v[0], v[i], v[i + 1]);
    glEnd();
}

void polygone(const Sommet* v, int n)
{
    glBegin(GL_TRIANGLES);
    for (int i = 1; i + 1 < n; ++i)
        triangle(v[i], v[i + 1], v[0]);
    glEnd();
}

// separate quads, four vertices each
void quads(const Sommet* v, int n)
{
    glBegin(GL_TRIANGLES);
    for (int i = 0; i + 3 < n; i += 4) {
        triangle(v[i], v[i + 1], v[i + 3]);
        triangle(v[i + 1], v[i + 2], v[i + 3]);
    }
    glEnd();
}

Sommet sommet(double x, double y, double z, double nx, double ny, double nz)
{
    return Sommet{{x, y, z}, {nx, ny, nz}, {0.0, 0.0}};
}

// disc of the plane x = constant, facing +x (sens 1) or -x (sens -1)
void disqueX(double rayon, double x, int sens)
{
    const double(*t)[2] = tableCosSin();
    Sommet v[Tranches + 2];
    v[0] = sommet(x, 0.0, 0.0, sens, 0.0, 0.0);
    for (int n = 0; n <= Tranches; ++n) {
        const int k = sens > 0 ? n : Tranches - n;
        v[n + 1] = sommet(x, rayon * t[k][0], rayon * t[k][1], sens, 0.0, 0.0);
    }
    eventail(v, Tranches + 2);
}

// cylinder about x from x0 to x1, with the chosen end discs
void cylindreX(double rayon, double x0, double x1, bool disque0, bool disque1)
{
    const double(*t)[2] = tableCosSin();
    Sommet v[2 * Tranches + 2];
    for (int k = 0; k <= Tranches; ++k) {
        v[2 * k] = sommet(x1, rayon * t[k][0], rayon * t[k][1], 0.0, t[k][0], t[k][1]);
        v[2 * k + 1] = sommet(x0, rayon * t[k][0], rayon * t[k][1], 0.0, t[k][0], t[k][1]);
    }
    bande(v, 2 * Tranches + 2);
    if (disque1)
        disqueX(rayon, x1, 1);
    if (disque0)
        disqueX(rayon, x0, -1);
}

// the same about z, from z0 to z1
void cylindreZ(double rayon, double z0, double z1, bool disque0, bool disque1)
{
    glPushMatrix();
    glRotated(-90.0, 0.0, 1.0, 0.0);  // x onto z; the slices keep their turn
    cylindreX(rayon, z0, z1, disque0, disque1);
    glPopMatrix();
}

void boite(double x0, double x1, double y0, double y1, double z0, double z1)
{
    const Sommet v[24] = {
        sommet(x1, y0, z0, 1, 0, 0), sommet(x1, y1, z0, 1, 0, 0),
        sommet(x1, y1, z1, 1, 0, 0), sommet(x1, y0, z1, 1, 0, 0),
        sommet(x0, y1, z0, -1, 0, 0), sommet(x0, y0, z0, -1, 0, 0),
        sommet(x0, y0, z1, -1, 0, 0), sommet(x0, y1, z1, -1, 0, 0),
        sommet(x1, y1, z0, 0, 1, 0), sommet(x0, y1, z0, 0, 1, 0),
        sommet(x0, y1, z1, 0, 1, 0), sommet(x1, y1, z1, 0, 1, 0),
        sommet(x0, y0, z0, 0, -1, 0), sommet(x1, y0, z0, 0, -1, 0),
        sommet(x1, y0, z1, 0, -1, 0), sommet(x0, y0, z1, 0, -1, 0),
        sommet(x0, y0, z1, 0, 0, 1), sommet(x1, y0, z1, 0, 0, 1),
        sommet(x1, y1, z1, 0, 0, 1), sommet(x0, y1, z1, 0, 0, 1),
        sommet(x0, y0, z0, 0, 0, -1), sommet(x0, y1, z0, 0, 0, -1),
        sommet(x1, y1, z0, 0, 0, -1), sommet(x1, y0, z0, 0, 0, -1),
    };
    quads(v, 24);
}

// flat slab x0..x1 whose outline in the (y, z) plane has semicircular ends of
// radius R centred at y = -L and y = +L
void stade(double L, double R, double x0, double x1)
{
    const double(*t)[2] = tableCosSin();
    // outline counter-clockwise in (y, z): the +y end from -90 to +90
    // degrees, then the -y end from 90 to 270 degrees
    Pt p[Tranches + 2], n[Tranches + 2];
    int m = 0;
    for (int k = 18; k <= 30; ++k) {
        const double* cs = t[k % Tranches];
        n[m] = {cs[0], cs[1]};
        p[m++] = {L + R * cs[0], R * cs[1]};
    }
    for (int k = 6; k <= 18; ++k) {
        const double* cs = t[k];
        n[m] = {cs[0], cs[1]};
        p[m++] = {-L + R * cs[0], R * cs[1]};
    }
    Sommet v[2 * Tranches + 6];
    for (int i = 0; i < m; ++i)
        v[i] = sommet(x1, p[i].y, p[i].z, 1.0, 0.0, 0.0);
    polygone(v, m);
    for (int i = 0; i < m; ++i)
        v[i] = sommet(x0, p[m - 1 - i].y, p[m - 1 - i].z, -1.0, 0.0, 0.0);
    polygone(v, m);
    for (int i = 0; i <= m; ++i) {
        const int j = i % m;
        v[2 * i] = sommet(x1, p[j].y, p[j].z, 0.0, n[j].y, n[j].z);
        v[2 * i + 1] = sommet(x0, p[j].y, p[j].z, 0.0, n[j].y, n[j].z);
    }
    bande(v, 2 * m + 2);
}

// a stadium slab from point a to point b of the (y, z) plane
void barre(Pt a, Pt b, double R, double x0, double x1)
{
    const double dy = b.y - a.y, dz = b.z - a.z;
    glPushMatrix();
    glTranslated(0.0, 0.5 * (a.y + b.y), 0.5 * (a.z + b.z));
    glRotated(std::atan2(dz, dy) * DegParRad, 1.0, 0.0, 0.0);
    stade(0.5 * std::sqrt(dy * dy + dz * dz), R, x0, x1);
    glPopMatrix();
}

// ---- the parts --------------------------------------------------------------

// bogie bar or rear traverse, along y
void traverse(double r, double demiLongueur)
{
    couleur(0.9f, 0.8f, 0.7f);
    stade(demiLongueur, r / 15.0, -0.1 * r, 0.1 * r);
}

// steering support of a front-right chain, in its own joint frame (axis x at
// the origin): the lever of the leg linkage, a clevis of two plates down to
// the block that holds the top of the steering pivot. o3 is the steering
// joint, axe the pivot axis, levier the far end of the lever
void support(double r, const double o3[3], const double axe[3], Pt levier)
{
    const double dessus = 0.1125 * r;  // pivot housing above the steering joint
    const double p[3] = {o3[0] + dessus * axe[0], o3[1] + dessus * axe[1],
                         o3[2] + dessus * axe[2]};
    const double hBloc = 0.275 * r;
    couleur(0.3f, 0.3f, 0.15f);
    boite(std::min(p[0] - 0.15 * r, -0.18 * r), std::max(p[0] + 0.15 * r, 0.18 * r),
          p[1] - 0.15 * r, p[1] + 0.15 * r, p[2], p[2] + hBloc);

    couleur(0.6f, 0.7f, 0.8f);
    const Pt o2 = {0.0, 0.0}, haut = {p[1], p[2] + 0.5 * hBloc};
    barre(o2, haut, 0.12 * r, 0.1 * r, 0.18 * r);
    barre(o2, haut, 0.12 * r, -0.18 * r, -0.1 * r);

    couleur(0.95f, 0.15f, 0.15f);
    cylindreX(0.1 * r, -0.18 * r, 0.18 * r, true, true);
    barre(o2, levier, 0.05 * r, -0.05 * r, 0.05 * r);
}

// steering pivot housing of a right-hand chain, about the inclined axis
void pivot(double r, double inclinaison)
{
    glPushMatrix();
    glRotated(-inclinaison * DegParRad, 0.0, 1.0, 0.0);  // z onto (-sin i, 0, cos i)
    couleur(0.15f, 0.8f, 0.85f);
    cylindreZ(0.2 * r, -0.3 * r, 0.1125 * r, true, true);
    couleur(0.25f, 0.05f, 0.25f);
    cylindreZ(0.24 * r, -0.05 * r, 0.05 * r, true, true);
    glPopMatrix();
}

// fork of a right-hand wheel: an arm outboard of the wheel from the fork
// joint down to the wheel axis, a boss at each end on its inner side; the
// upper boss reaches back to the steering pivot at x = xPivot
void fourche(double r, double w, double longueur, double xPivot)
{
    const double x0 = 0.6 * w, x1 = x0 + 0.1 * r;
    couleur(0.85f, 0.8f, 0.15f);
    glPushMatrix();
    glTranslated(0.0, 0.0, -0.5 * longueur);
    glRotated(90.0, 1.0, 0.0, 0.0);  // y onto z
    stade(0.5 * longueur, 0.315 * r, x0, x1);
    glPopMatrix();

    couleur(0.3f, 0.3f, 0.15f);
    cylindreX(0.3 * r, std::min(xPivot + 0.2 * r, x0), x0, true, false);
    glPushMatrix();
    glTranslated(0.0, 0.0, -longueur);
    cylindreX(0.3 * r, 0.52 * w, x0, true, false);
    glPopMatrix();
}

// a ring of the wheel between profile points a (first) and b, in (x, radius);
// na, nb their unit normals in (x, radial)
void anneau(const double a[2], const double b[2], const double na[2], const double nb[2])
{
    const double(*t)[2] = tableCosSin();
    Sommet v[2 * Tranches + 2];
    for (int k = 0; k <= Tranches; ++k) {
        const double c = t[k][0], s = t[k][1];
        v[2 * k] = sommet(a[0], a[1] * c, a[1] * s, na[0], na[1] * c, na[1] * s);
        v[2 * k + 1] = sommet(b[0], b[1] * c, b[1] * s, nb[0], nb[1] * c, nb[1] * s);
    }
    bande(v, 2 * Tranches + 2);
}

// the wheel about its axis x: hub, flanks, lettered side bands, tread and
// 24 grousers
void roue(double r, double w, GLuint bandeau)
{
    const double(*t)[2] = tableCosSin();
    const double sinA = r > 0.0 ? std::min(1.0, w / (2.0 * r)) : 0.0;
    const double alpha = std::asin(sinA);
    const double rho2 = std::sqrt(std::max(0.0, r * r - 0.25 * w * w));  // tread edge
    const double rho1 = rho2 - 0.2 * r;                                  // band inner edge
    const double rh = 0.25 * r;                                          // hub

    // hub
    couleur(0.25f, 0.05f, 0.25f);
    cylindreX(rh, -0.55 * w, 0.55 * w, false, false);
    glShadeModel(GL_FLAT);
    disqueX(rh, 0.55 * w, 1);
    disqueX(rh, -0.55 * w, -1);  // closes the sleeve on the inner side
    glShadeModel(GL_SMOOTH);

    // flanks: cones from the hub circle in the mid-plane out to the faces
    couleur(0.8f, 0.8f, 0.9f);
    {
        const double a = 0.5 * w, b = rho1 - rh, l = std::hypot(a, b);
        const double n1[2] = {l > 0 ? b / l : 1.0, l > 0 ? -a / l : 0.0};
        const double n2[2] = {-n1[0], n1[1]};
        const double moyeu[2] = {0.0, rh}, ext1[2] = {0.5 * w, rho1}, ext2[2] = {-0.5 * w, rho1};
        anneau(moyeu, ext1, n1, n1);
        anneau(ext2, moyeu, n2, n2);
    }

    // side bands with the banner, running once round each face
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, bandeau);
    couleur(0.95f, 0.95f, 0.95f);
    texturee = true;
    Sommet v[2 * Tranches + 2];
    for (int k = 0; k <= Tranches; ++k) {
        const double c = t[k][0], s = t[k][1], u = (double)(Tranches - k) / Tranches;
        v[2 * k] = Sommet{{0.5 * w, rho1 * c, rho1 * s}, {1.0, 0.0, 0.0}, {u, 0.0}};
        v[2 * k + 1] = Sommet{{0.5 * w, rho2 * c, rho2 * s}, {1.0, 0.0, 0.0}, {u, 1.0}};
    }
    bande(v, 2 * Tranches + 2);
    for (int k = 0; k <= Tranches; ++k) {
        const double c = t[k][0], s = t[k][1], u = (double)k / Tranches;
        v[2 * k] = Sommet{{-0.5 * w, rho2 * c, rho2 * s}, {-1.0, 0.0, 0.0}, {u, 1.0}};
        v[2 * k + 1] = Sommet{{-0.5 * w, rho1 * c, rho1 * s}, {-1.0, 0.0, 0.0}, {u, 0.0}};
    }
    bande(v, 2 * Tranches + 2);
    texturee = false;
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);

    // tread: the zone of the sphere of radius r between the faces, through
    // the profile points at -alpha, -alpha/3, alpha/3, alpha
    double prof[4][2], norm[4][2];
    for (int m = 0; m < 4; ++m) {
        const double phi = alpha * (2 * m - 3) / 3.0;
        norm[m][0] = std::sin(phi);
        norm[m][1] = std::cos(phi);
        prof[m][0] = r * norm[m][0];
        prof[m][1] = r * norm[m][1];
    }
    couleur(0.55f, 0.45f, 0.45f);
    for (int m = 0; m < 3; ++m)
        anneau(prof[m + 1], prof[m], norm[m + 1], norm[m]);

    // grousers: plates in the radial planes, seen from both sides
    couleur(0.15f, 0.15f, 0.05f);
    glDisable(GL_CULL_FACE);
    for (int k = 0; k < Tranches; ++k) {
        const double c = t[k][0], s = t[k][1];
        for (int m = 0; m < 4; ++m) {
            const double in = prof[m][1], out = prof[m][1] + 0.1 * r;
            v[2 * m] = sommet(prof[m][0], in * c, in * s, 0.0, -s, c);
            v[2 * m + 1] = sommet(prof[m][0], out * c, out * s, 0.0, -s, c);
        }
        bande(v, 8);
    }
    glEnable(GL_CULL_FACE);
}

// coupler link of a front leg: from its anchor on the body along +y
void bielle(double r, double longueur)
{
    couleur(0.8f, 0.8f, 0.9f);
    barre(Pt{0.0, 0.0}, Pt{longueur, 0.0}, 0.05 * r, -0.04 * r, 0.04 * r);
    couleur(0.45f, 0.65f, 0.45f);
    cylindreX(0.07 * r, -0.07 * r, 0.07 * r, true, true);
    glPushMatrix();
    glTranslated(0.0, longueur, 0.0);
    cylindreX(0.07 * r, -0.07 * r, 0.07 * r, true, true);
    glPopMatrix();
}

// a pivot fitting of the body: a shaft along x of half-length h with a
// collar near each end and two bearing blocks
void ferrure(double r, double h)
{
    couleur(0.95f, 0.15f, 0.15f);
    cylindreX(r / 12.0, -h, h, true, true);
    couleur(0.9f, 0.1f, 0.1f);
    cylindreX(r / 8.0, h - 0.22 * r, h - 0.12 * r, true, true);
    cylindreX(r / 8.0, -h + 0.12 * r, -h + 0.22 * r, true, true);
    couleur(0.25f, 0.35f, 0.6f);
    const double e = std::max(0.02 * r, 0.05 * h);
    boite(0.6 * h - e, 0.6 * h + e, -0.12 * r, 0.12 * r, -0.12 * r, 0.12 * r);
    boite(-0.6 * h - e, -0.6 * h + e, -0.12 * r, 0.12 * r, -0.12 * r, 0.12 * r);
}

// anchor of a chain's coupler link on the body, relative to the traverse
// pivot: a*cos(theta0) along the main link, a*sin(theta0) up
void ancre(const ConfRover* c, int u, double out[3])
{
    const double le = c->quadA[u] * std::cos(c->theta0[u]);
    const double haut = c->quadA[u] * std::sin(c->theta0[u]);
    static const double dir[NB_CHAINES][2] = {{0, 1}, {0, 1}, {0, -1}, {0, -1}, {-1, 0}, {1, 0}};
    out[0] = le * dir[u][0];
    out[1] = le * dir[u][1];
    out[2] = haut;
}

// the body: the pivot fittings of the bogies and of the rear traverse, the
// green equipment box, and the translucent shell drawn last
void caisse(const ConfRover* c)
{
    const double r = c->rayonRoue, v = c->voie;
    double a[3];

    ancre(c, AVANT_D, a);
    ferrure(r, c->xBogie);
    for (int sens = -1; sens <= 1; sens += 2) {
        glPushMatrix();
        glTranslated(0.0, sens * a[1], a[2]);
        ferrure(r, c->xBogie);
        glPopMatrix();
    }
    ancre(c, ARRIERE_D, a);
    const double hArr = 0.4 * r;
    glPushMatrix();
    glTranslated(0.0, -c->yTravArr, 0.0);
    glRotated(-90.0, 0.0, 0.0, 1.0);
    ferrure(r, hArr);
    for (int sens = -1; sens <= 1; sens += 2) {
        glPushMatrix();
        glTranslated(0.0, sens * a[0], a[2]);
        ferrure(r, hArr);
        glPopMatrix();
    }
    glPopMatrix();

    // the shell stays clear of the bogies whatever the pivot inclination
    const double demiLarg = std::max(0.05 * v, std::min(0.5 * c->dessin[2], std::fabs(c->xBogie) - 0.3 * r));
    const double arriere = -c->yTravArr + c->margeEmpattement;  // 0.9 v long,
    const double avant = arriere + c->dessin[1];                 // 0.05 v inside the axles
    const double milieu = 0.5 * (avant + arriere);
    const double bas = -0.4 * c->dessin[3], haut = 1.6 * c->dessin[3];

    glDisable(GL_CULL_FACE);
    couleur(0.1f, 0.8f, 0.2f);
    boite(-0.8 * demiLarg, 0.8 * demiLarg, milieu - 0.5 * c->dessin[0], milieu + 0.5 * c->dessin[0],
          0.75 * c->dessin[3], 1.45 * c->dessin[3]);

    glShadeModel(GL_FLAT);
    couleur(0.5f, 0.5f, 1.0f, 0.45f);
    boite(-demiLarg, demiLarg, arriere, avant, bas, haut);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    couleur(1.0f, 1.0f, 1.0f);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_CULL_FACE);
}

void axeJoint(const ConfRover* c, int u, int k, float out[3])
{
    switch (c->axe[u][k]) {
    case 1: out[0] = 1; out[1] = 0; out[2] = 0; break;
    case 2: out[0] = 0; out[1] = 1; out[2] = 0; break;
    case 3: out[0] = 0; out[1] = 0; out[2] = 1; break;
    default:
        out[0] = (float)c->axeVec[u][k][0];
        out[1] = (float)c->axeVec[u][k][1];
        out[2] = (float)c->axeVec[u][k][2];
    }
}

// compiles one list: the shape, turned by `tourne` degrees about z
template <class F>
void compile(GLuint liste, double tourne, F forme)
{
    glNewList(liste, GL_COMPILE);
    if (tourne != 0.0) {
        glPushMatrix();
        glRotated(tourne, 0.0, 0.0, 1.0);
    }
    forme();
    if (tourne != 0.0)
        glPopMatrix();
    glEndList();
}

}  // namespace

const double (*tableCosSin())[2]
{
    static double table[Tranches + 1][2];
    static bool prete = false;
    if (!prete) {
        for (int k = 0; k < Tranches; ++k) {
            table[k][0] = std::cos(k * Tranche);
            table[k][1] = std::sin(k * Tranche);
        }
        table[Tranches][0] = table[0][0];
        table[Tranches][1] = table[0][1];
        prete = true;
    }
    return table;
}

const char* verifieGeometrie(const ConfRover* c)
{
    const double r = c->rayonRoue, i = c->inclinaison, hs = c->hSteering;
    const double o = 0.1125 * r + 0.275 * r / std::cos(i) + 0.15 * r * std::tan(i);
    if (r / 15.0 > hs - o * std::cos(i))
        return "hauteur insuffisante entre axes O2 et O3\n";
    return nullptr;
}

void listesRover(ConfRover* c, const char* code)
{
    if (const char* msg = verifieGeometrie(c)) {
        std::fputs(msg, stderr);
        std::exit(1);
    }
    const double r = c->rayonRoue, w = c->largeurRoue, i = c->inclinaison;
    const double hs = c->hSteering;
    const GLuint base = glGenLists(NB_LISTES);
    const GLuint bandeau = (GLuint)textureBandeau(code);

    compile(base + L_TRAV_BOGIE, 0.0, [&] { traverse(r, c->ySupport); });
    compile(base + L_TRAV_ARR, -90.0, [&] { traverse(r, c->xSupportArr); });

    // the lever of the leg linkage at rest, from the support axis: length c
    // at the rest output angle from the main link
    auto levier = [&](int u) {
        return Pt{-c->quadC[u] * std::cos(c->alpha0[u]), c->quadC[u] * std::sin(c->alpha0[u])};
    };
    auto supportAvant = [&](double incl) {
        const double o3[3] = {hs * std::tan(incl), c->dySteering, -hs};
        const double axe[3] = {-std::sin(incl), 0.0, std::cos(incl)};
        support(r, o3, axe, levier(AVANT_D));
    };
    // the rear support reaches outwards along x: it is built like a front
    // one in axes turned -90 degrees about z (their y is the rover's x)
    auto supportArriere = [&] {
        const double o3[3] = {0.0, c->dxSteeringArr, -hs};
        const double axe[3] = {0.0, -std::sin(i), std::cos(i)};
        glPushMatrix();
        glRotated(-90.0, 0.0, 0.0, 1.0);
        support(r, o3, axe, levier(ARRIERE_D));
        glPopMatrix();
    };
    compile(base + L_SUP_AVD, 0.0, [&] { supportAvant(i); });
    compile(base + L_SUP_AVG, 0.0, [&] { supportAvant(-i); });
    compile(base + L_SUP_MIG, 180.0, [&] { supportAvant(i); });
    compile(base + L_SUP_MID, 180.0, [&] { supportAvant(-i); });
    compile(base + L_SUP_ARD, 0.0, supportArriere);
    compile(base + L_SUP_ARG, 180.0, supportArriere);

    compile(base + L_PIVOT, 0.0, [&] { pivot(r, i); });
    compile(base + L_PIVOT_T, 180.0, [&] { pivot(r, i); });
    compile(base + L_FOURCHE, 0.0, [&] { fourche(r, w, c->lFourche, -c->dxFourche); });
    compile(base + L_FOURCHE_T, 180.0, [&] { fourche(r, w, c->lFourche, -c->dxFourche); });
    compile(base + L_ROUE, 0.0, [&] { roue(r, w, bandeau); });
    compile(base + L_ROUE_T, 180.0, [&] { roue(r, w, bandeau); });
    compile(base + L_BIELLE_BOGIE, 0.0, [&] { bielle(r, c->quadD[AVANT_D]); });
    compile(base + L_BIELLE_ARR, -90.0, [&] { bielle(r, c->quadD[ARRIERE_D]); });
    compile(base + L_CAISSE, 0.0, [&] { caisse(c); });

    static const int table[NB_CHAINES][6] = {
        {L_TRAV_BOGIE, L_SUP_AVG, L_PIVOT_T, L_FOURCHE_T, L_ROUE_T, L_BIELLE_BOGIE},  // AvantG
        {L_TRAV_BOGIE, L_SUP_AVD, L_PIVOT, L_FOURCHE, L_ROUE, L_BIELLE_BOGIE},        // AvantD
        {L_TRAV_BOGIE, L_SUP_MIG, L_PIVOT_T, L_FOURCHE_T, L_ROUE_T, L_BIELLE_BOGIE},  // MilieuG
        {L_TRAV_BOGIE, L_SUP_MID, L_PIVOT, L_FOURCHE, L_ROUE, L_BIELLE_BOGIE},        // MilieuD
        {L_TRAV_ARR, L_SUP_ARG, L_PIVOT_T, L_FOURCHE_T, L_ROUE_T, L_BIELLE_ARR},      // aRriereG
        {L_TRAV_ARR, L_SUP_ARD, L_PIVOT, L_FOURCHE, L_ROUE, L_BIELLE_ARR},            // aRriereD
    };
    for (int u = 0; u < NB_CHAINES; ++u)
        for (int s = 0; s < 6; ++s)
            c->listes[u][s] = base + table[u][s];
    c->listeCaisse = base + L_CAISSE;
}

void afficheTraces(const ConfRover* c)
{
    glColor3f(0.3f, 0.0f, 0.0f);
    glNormal3d(0.0, 0.0, 1.0);
    glBegin(GL_LINES);
    for (int u = 0; u < NB_CHAINES; ++u) {
        const int dernier = c->tracePos[u] >= 0 && c->tracePos[u] < NB_TRACE ? c->tracePos[u] : 0;
        for (int n = 0; n < NB_TRACE; ++n) {
            const int k = (dernier + n) % NB_TRACE;  // newest first, then round
            glVertex3dv(c->trace[u][k][0]);
            glVertex3dv(c->trace[u][k][1]);
        }
    }
    glEnd();
}

void afficheRover(const ConfRover* c)
{
    const double* o = frame_origin(c->caisse);
    const double* R = frame_rot(c->caisse);
    const GLdouble m[16] = {R[0], R[1], R[2], 0.0, R[3], R[4], R[5], 0.0,
                            R[6], R[7], R[8], 0.0, o[0], o[1], o[2], 1.0};
    glPushMatrix();
    glMultMatrixd(m);
    for (int u = 0; u < NB_CHAINES; ++u) {
        float axe[3];
        double a[3];
        glPushMatrix();
        glTranslatef((float)c->offset[u][0][0], (float)c->offset[u][0][1], (float)c->offset[u][0][2]);

        axeJoint(c, u, 0, axe);
        ancre(c, u, a);
        glPushMatrix();
        glTranslatef((float)a[0], (float)a[1], (float)a[2]);
        glRotatef((float)(c->quadDessin[u] * DegParRad), axe[0], axe[1], axe[2]);
        glCallList(c->listes[u][5]);
        glPopMatrix();

        glRotatef((float)(c->artic[u][0] * DegParRad), axe[0], axe[1], axe[2]);
        if (u == AVANT_G || u == AVANT_D || u == ARRIERE_D)  // one bar per traverse
            glCallList(c->listes[u][0]);
        for (int k = 1; k < NB_AXES; ++k) {
            axeJoint(c, u, k, axe);
            glTranslatef((float)c->offset[u][k][0], (float)c->offset[u][k][1], (float)c->offset[u][k][2]);
            glRotatef((float)(c->artic[u][k] * DegParRad), axe[0], axe[1], axe[2]);
            glCallList(c->listes[u][k]);
        }
        glPopMatrix();
    }
    glCallList(c->listeCaisse);
    glPopMatrix();
}
