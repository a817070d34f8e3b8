// The two textures of the view: the sand of the terrain and the banner strip
// of the wheel side bands. Both are uploaded with the same settings (nearest
// texel, repeat in s and t, modulate, 3 components, RGB unsigned bytes).
// Every routine needs a current OpenGL context.
#ifndef KADMER_RENDER_TEXTURES_H
#define KADMER_RENDER_TEXTURES_H

enum {
    SableCote = 2048,        // side of the sand texture, texels
    BandeauLargeur = 1024,   // banner length, texels
    BandeauHauteur = 32,     // banner height, texels
    BandeauOctets = BandeauLargeur * BandeauHauteur * 3  // 98 304
};

// the banner as stored in the program: hex digits of its run-length code
extern const char* const codeBandeau;

// 2048 x 2048 reddish sand drawn from the standard generator, continuing its
// sequence (the terrain build seeded it); returns the texture name, 0 when the
// texel buffer cannot be allocated
int textureAleatoire();

// the banner decoded from the hex run-length text (the stored one when null);
// returns the texture name, 0 when the text does not decode to exactly
// 98 304 bytes or no buffer can be had
int textureBandeau(const char* code = nullptr);

// decodes hex run-length text into out (room for capacity bytes): a byte up
// to 176 stands for itself, 177..255 repeats the next byte (byte - 176) times.
// Returns the number of bytes written, or -1 for a character that is not a
// hex digit, an odd digit count, a count with no byte after it, or output
// that would pass capacity
long decodeBandeau(const char* code, unsigned char* out, long capacity);

#endif
