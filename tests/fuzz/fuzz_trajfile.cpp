// Trajectory file lines: any bytes as a trajectory file, read line by line as
// playback reads it; each usable sample is written back as recording writes
// it, read again, and applied to a rover on a bumpy terrain as playback
// applies it.
//
// The playback index itself lives in the view widget (its line offsets and
// buffer are members of Kadmer), so it is not reached from here.
#include "app/trajfile.h"

#include <cmath>

#include "fuzz/fuzz_support.h"
#include "rover/confrover.h"
#include "terrain/mnt.h"

namespace {

std::string ecrit(const double* v, int n)
{
    Ecrit e;
    FUZZ_CHECK(writeSampleLine(e.f, v, n));
    return e.ferme();
}

// the fields playback stores from a sample, then the placement on the ground
// (7 numbers) or the frames (28), as applySample does
void applique(ConfRover* c, const Mnt* mnt, const double* v, int n)
{
    c->temps = v[0];
    for (int i = 0; i < 3; i++) {
        c->pos[i] = v[1 + i];
        c->att[i] = v[4 + i];
    }
    if (n == SamplePose) {
        place_on_ground(c, mnt);
        return;
    }
    for (int i = 0; i < NB_CONF; i++) c->q[i] = v[7 + i];
    update_geometry(c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Mnt* terrain = [] {
        static Mnt m;
        defauts_mnt(&m);
        m.dx = m.dy = 0.5;
        new_mnt(&m);
        return &m;
    }();
    static ConfRover* depart = new_confRover(1.0, 0.2, 1);
    static ConfRover* rover = static_cast<ConfRover*>(std::malloc(sizeof(ConfRover)));
    std::memcpy(rover, depart, sizeof(ConfRover));

    Octets octets(data, size);
    FILE* f = octets.ouvre();
    if (!f) return 0;
    char ligne[SampleLineSize];
    while (std::fgets(ligne, sizeof ligne, f)) {
        double v[SampleFull];
        const int n = parseSampleLine(ligne, v);
        FUZZ_CHECK(n >= 0 && n <= SampleFull);
        // other counts end the playable part of a file; the lines after them
        // are read all the same, to reach more of the parser
        if (n != SamplePose && n != SampleFull) continue;
        if (!sampleIsFinite(v, n)) continue;

        // a line that fits playback's buffer reads back to the same count
        // and, written again, to the same text
        const std::string texte = ecrit(v, n);
        if (texte.size() < SampleLineSize) {
            double relu[SampleFull];
            FUZZ_CHECK(parseSampleLine(texte.c_str(), relu) == n);
            FUZZ_CHECK(ecrit(relu, n) == texte);
        }

        applique(rover, terrain, v, n);
    }
    std::fclose(f);
    return 0;
}
