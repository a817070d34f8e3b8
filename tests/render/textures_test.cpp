// Banner run-length decoding, the banner and sand textures.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "render/textures.h"
#include "vue.h"

TEST(Textures, StoredBannerDecodesToOneGreyStripOfDarkLettersOnWhite)
{
    std::vector<unsigned char> t(BandeauOctets + 1000);
    ASSERT_EQ(decodeBandeau(codeBandeau, t.data(), (long)t.size()), 98304);
    int blancs = 0, sombres = 0;
    for (int k = 0; k < BandeauOctets; k += 3) {
        ASSERT_EQ(t[k], t[k + 1]);
        ASSERT_EQ(t[k], t[k + 2]);
        blancs += t[k] == 255;
        sombres += t[k] < 64;
    }
    const int texels = BandeauLargeur * BandeauHauteur;
    EXPECT_GT(blancs, texels / 2);  // a white ground
    EXPECT_GT(sombres, texels / 20);  // with lettering on it
}

TEST(Textures, RunLengthCodeRepeatsTheByteAfterACount)
{
    unsigned char out[100];
    // 0 and 176 stand for themselves; b3 = 176 + 3 repeats 0x41 three times
    ASSERT_EQ(decodeBandeau("00B0b341", out, 100), 5);
    EXPECT_EQ(std::vector<unsigned char>(out, out + 5), (std::vector<unsigned char>{0, 176, 65, 65, 65}));
    // the largest count, 255 - 176
    ASSERT_EQ(decodeBandeau("ff07", out, 100), 79);
    EXPECT_EQ(out[78], 7);
    EXPECT_EQ(decodeBandeau("ff07", out, 78), -1);  // no room
}

TEST(Textures, DamagedBannerCodeGivesNoTexture)
{
    Scenario* s = scenarioTest(SansTerrain);
    Vue vue(s);
    vue.makeCurrent();
    const std::string bon = codeBandeau;
    std::string majuscules = bon;
    for (char& ch : majuscules)
        ch = (char)std::toupper((unsigned char)ch);
    EXPECT_NE(textureBandeau(), 0);
    EXPECT_NE(textureBandeau(majuscules.c_str()), 0);

    struct Cas {
        const char* quoi;
        std::string code;
    };
    const Cas cas[] = {
        {"one pair too many", "b1ff" + bon},
        {"one pair too few", bon.substr(4)},
        {"a count with no byte after it", bon + "b1"},
        {"an odd number of digits", bon + "f"},
        {"a character that is no hex digit", "g" + bon.substr(1)},
        {"nothing", ""},
    };
    for (const Cas& c : cas)
        EXPECT_EQ(textureBandeau(c.code.c_str()), 0) << c.quoi;
    libereScenario(s);
}

TEST(Textures, SandContinuesTheGeneratorSequenceInTheReddishRange)
{
    Scenario* s = scenarioTest(SansTerrain);
    Vue vue(s);
    vue.makeCurrent();
    std::srand(7);
    const int r0 = std::rand(), g0 = std::rand(), b0 = std::rand();
    std::srand(7);
    const GLuint sable = (GLuint)textureAleatoire();
    ASSERT_NE(sable, 0u);

    std::vector<unsigned char> t((size_t)SableCote * SableCote * 3);
    glBindTexture(GL_TEXTURE_2D, sable);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, t.data());
    EXPECT_EQ(t[0], 194 + r0 % 30);
    EXPECT_EQ(t[1], 75 + g0 % 80);
    EXPECT_EQ(t[2], 75 + b0 % 80);
    int rouge[2] = {255, 0}, vert[2] = {255, 0};
    for (size_t k = 0; k < t.size(); k += 3) {
        rouge[0] = std::min<int>(rouge[0], t[k]);
        rouge[1] = std::max<int>(rouge[1], t[k]);
        vert[0] = std::min<int>(vert[0], t[k + 1]);
        vert[1] = std::max<int>(vert[1], t[k + 1]);
    }
    EXPECT_EQ(rouge[0], 194);
    EXPECT_EQ(rouge[1], 223);
    EXPECT_EQ(vert[0], 75);
    EXPECT_EQ(vert[1], 154);
    libereScenario(s);
}
