// Network block decoder: bytes from the trajectory server arriving in pieces.
// The first byte of the input is a count k (up to 16) of piece lengths, the
// next k bytes are those lengths (0 is an arrival with nothing new), and the
// rest is what the server sent, its remainder arriving as the last piece.
// However the bytes are cut, the blocks decoded and the way the reading ends
// are those of the same bytes arriving at once.
#include "app/trajblock.h"
#include "app/trajfile.h"

#include <QBuffer>
#include <cmath>

#include "fuzz/fuzz_support.h"

namespace {

struct Lecture {
    std::vector<std::vector<double>> echantillons;
    BlockRead fin = BlockRead::Wait;  // Wait: the bytes ran out first
};

// what the view does on each arrival: read blocks until one is incomplete,
// the trajectory ends or the stream turns out unusable
Lecture lit(const QByteArray& octets, const std::vector<int>& morceaux)
{
    Lecture l;
    QBuffer socket;
    socket.open(QIODevice::ReadOnly);
    qint16 blockSize = 0;
    int debut = 0;
    for (size_t p = 0; p <= morceaux.size(); p++) {
        const int n = p < morceaux.size() ? std::min(morceaux[p], octets.size() - debut)
                                          : octets.size() - debut;
        socket.buffer().append(octets.mid(debut, n));
        debut += n;
        for (;;) {
            double v[SampleBlockValues];
            const qint64 avant = socket.bytesAvailable();
            const BlockRead r = readSampleBlock(&socket, &blockSize, v);
            FUZZ_CHECK(socket.bytesAvailable() <= avant);
            if (r == BlockRead::Sample) {
                FUZZ_CHECK(blockSize == 0);
                l.echantillons.emplace_back(v, v + SampleBlockValues);
                continue;
            }
            if (r == BlockRead::Wait) {
                FUZZ_CHECK(blockSize == 0 ? socket.bytesAvailable() < 2
                                          : socket.bytesAvailable() < quint16(blockSize));
                break;
            }
            FUZZ_CHECK(r == BlockRead::End ? blockSize == EndBlockSize
                                           : quint16(blockSize) < SampleBlockBytes);
            l.fin = r;
            return l;
        }
    }
    return l;
}

bool memes(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const size_t k = std::min<size_t>(data[0] % 17, size - 1);
    std::vector<int> morceaux(data + 1, data + 1 + k);
    const QByteArray octets(reinterpret_cast<const char*>(data + 1 + k),
                            static_cast<int>(size - 1 - k));

    const Lecture enMorceaux = lit(octets, morceaux);
    const Lecture dUnCoup = lit(octets, {});
    FUZZ_CHECK(enMorceaux.fin == dUnCoup.fin);
    FUZZ_CHECK(enMorceaux.echantillons.size() == dUnCoup.echantillons.size());
    for (size_t i = 0; i < dUnCoup.echantillons.size(); i++)
        FUZZ_CHECK(memes(enMorceaux.echantillons[i], dUnCoup.echantillons[i]));

    // a received sample is stored as a pose line; when it is finite and the
    // line fits playback's buffer it reads back as a pose
    for (const std::vector<double>& e : dUnCoup.echantillons) {
        const double* pose = e.data() + 1;
        if (!sampleIsFinite(pose, SamplePose)) continue;
        Ecrit ecrit;
        FUZZ_CHECK(writeSampleLine(ecrit.f, pose, SamplePose));
        const std::string ligne = ecrit.ferme();
        if (ligne.size() >= SampleLineSize) continue;
        double relu[SampleFull];
        FUZZ_CHECK(parseSampleLine(ligne.c_str(), relu) == SamplePose);
    }
    return 0;
}
