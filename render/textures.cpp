// Sand and banner textures.
#include "render/textures.h"

#include <GL/gl.h>
#include <cstdlib>

namespace {

// the stored banner: 1024 x 32 grey texels, remade by tools/kadmer-banner
const char codeStocke[] =
#include "render/bandeau.inc"
    ;

// uploads width x height RGB texels with the settings both textures share;
// returns the new texture name
int charge(const unsigned char* texels, int width, int height)
{
    GLuint nom = 0;
    glGenTextures(1, &nom);
    glBindTexture(GL_TEXTURE_2D, nom);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, texels);
    glBindTexture(GL_TEXTURE_2D, 0);
    return (int)nom;
}

int chiffre(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

const char* const codeBandeau = codeStocke;

long decodeBandeau(const char* code, unsigned char* out, long capacity)
{
    long n = 0;
    int repete = 0;  // pending count, 0 when the next byte stands for itself
    for (const char* p = code; *p; p += 2) {
        int fort = chiffre(p[0]);
        int faible = p[1] ? chiffre(p[1]) : -1;
        if (fort < 0 || faible < 0)
            return -1;
        int octet = 16 * fort + faible;
        if (repete) {
            if (n + repete > capacity)
                return -1;
            for (int k = 0; k < repete; ++k)
                out[n++] = (unsigned char)octet;
            repete = 0;
        } else if (octet > 176) {
            repete = octet - 176;
        } else {
            if (n >= capacity)
                return -1;
            out[n++] = (unsigned char)octet;
        }
    }
    return repete ? -1 : n;
}

int textureAleatoire()
{
    const long taille = (long)SableCote * SableCote * 3;
    unsigned char* texels = (unsigned char*)std::malloc(taille);
    if (!texels)
        return 0;
    for (long k = 0; k < taille; k += 3) {
        texels[k] = (unsigned char)(194 + std::rand() % 30);
        texels[k + 1] = (unsigned char)(75 + std::rand() % 80);
        texels[k + 2] = (unsigned char)(75 + std::rand() % 80);
    }
    int nom = charge(texels, SableCote, SableCote);
    std::free(texels);
    return nom;
}

int textureBandeau(const char* code)
{
    unsigned char* texels = (unsigned char*)std::malloc(BandeauOctets);
    if (!texels)
        return 0;
    int nom = 0;
    if (decodeBandeau(code ? code : codeBandeau, texels, BandeauOctets) == BandeauOctets)
        nom = charge(texels, BandeauLargeur, BandeauHauteur);
    std::free(texels);
    return nom;
}
