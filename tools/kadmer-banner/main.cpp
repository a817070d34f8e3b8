// Draws the grey banner strip put on the wheel side bands (1024 x 32 texels,
// dark capitals on white) and writes its run-length code as the hex text that
// render/bandeau.inc holds. Run it again to remake that file:
//     kadmer-banner render/bandeau.inc [preview.png]
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <cstdio>
#include <vector>

namespace {

const int Width = 1024;
const int Height = 32;
const char* const Word = "KADMER";
const int Repeats = 6;

// the strip as the painter sees it: top row first
QImage drawStrip()
{
    QImage img(Width, Height, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::Antialiasing, true);
    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(26);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(font);
    p.setPen(QColor(20, 20, 20));
    // the word repeated at equal pitch so the lettering joins up where the
    // strip closes around the wheel
    const int pitch = Width / Repeats;
    for (int k = 0; k < Repeats; ++k)
        p.drawText(QRect(k * pitch, 0, pitch, Height), Qt::AlignCenter, Word);
    p.end();
    return img;
}

// texels in upload order: the first stored row is the bottom of the
// lettering, which the wheel maps to the inner edge of its side band
std::vector<unsigned char> texels(const QImage& img)
{
    std::vector<unsigned char> out;
    out.reserve(Width * Height * 3);
    for (int row = Height - 1; row >= 0; --row)
        for (int col = 0; col < Width; ++col) {
            int g = qGray(img.pixel(col, row));
            for (int c = 0; c < 3; ++c)
                out.push_back((unsigned char)g);
        }
    return out;
}

// bytes up to 176 stand for themselves; 177..255 is a count (byte - 176)
// for the byte after it; a single level above 176 must also go as a pair
std::vector<unsigned char> runLength(const std::vector<unsigned char>& in)
{
    std::vector<unsigned char> code;
    size_t i = 0;
    while (i < in.size()) {
        unsigned char b = in[i];
        size_t n = 1;
        while (i + n < in.size() && in[i + n] == b && n < 79)
            ++n;
        if (n == 1 && b <= 176) {
            code.push_back(b);
        } else {
            code.push_back((unsigned char)(176 + n));
            code.push_back(b);
        }
        i += n;
    }
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kadmer-banner <hex text file> [preview.png]\n");
        return 2;
    }
    QImage img = drawStrip();
    std::vector<unsigned char> code = runLength(texels(img));

    QFile f(QString::fromLocal8Bit(argv[1]));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        std::fprintf(stderr, "kadmer-banner: cannot write %s\n", argv[1]);
        return 1;
    }
    QTextStream out(&f);
    out << "// Banner strip of the wheel side bands, 1024 x 32 grey texels as run-length\n"
           "// code in hex (" << code.size() << " bytes). Made by tools/kadmer-banner; do not edit.\n";
    const char* digits = "0123456789abcdef";
    for (size_t i = 0; i < code.size(); i += 36) {
        out << '"';
        for (size_t j = i; j < code.size() && j < i + 36; ++j)
            out << digits[code[j] >> 4] << digits[code[j] & 15];
        out << "\"\n";
    }
    f.close();
    if (argc > 2 && !img.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "kadmer-banner: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%zu bytes of code, %zu hex digits\n", code.size(), 2 * code.size());
    return 0;
}
