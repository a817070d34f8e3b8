// kadmer-trajserver FILE [--port 6178] [--rate HZ] [--loop]
//
// Streams a trajectory file to the viewer's network reading ("&Lecture
// Reseau"): listens on 127.0.0.1, and for a viewer that sends its request
// sends one sample block per line of the file, paced at the rate, then the
// end block. Without --loop it stops after serving one viewer.
#include "trajserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <clocale>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("kadmer-trajserver");
    // trajectory files use a decimal point, whatever the user's language
    setlocale(LC_NUMERIC, "C");

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Streams a trajectory file (lines of 7 or 28 numbers: time, X, Y, Z, site, gite, "
        "azimut, then the 21 configuration angles) to Kadmer's network reading.");
    parser.addHelpOption();
    parser.addPositionalArgument("FILE", "trajectory file to stream");
    QCommandLineOption portOption("port", "TCP port on 127.0.0.1 (default 6178, the viewer's).",
                                  "port", "6178");
    QCommandLineOption rateOption("rate", "samples per second (default 25).", "HZ", "25");
    QCommandLineOption loopOption("loop",
                                  "keep serving viewer after viewer instead of stopping after "
                                  "the first.");
    parser.addOption(portOption);
    parser.addOption(rateOption);
    parser.addOption(loopOption);
    parser.process(app);

    const QStringList files = parser.positionalArguments();
    if (files.size() != 1) {
        std::fprintf(stderr, "kadmer-trajserver: one trajectory file expected\n%s",
                     parser.helpText().toLocal8Bit().constData());
        return 2;
    }
    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        std::fprintf(stderr, "kadmer-trajserver: bad port \"%s\" (1 to 65535)\n",
                     parser.value(portOption).toLocal8Bit().constData());
        return 2;
    }
    const double rate = parser.value(rateOption).toDouble(&ok);
    if (!ok || !(rate > 0.0) || rate > 1000.0) {
        std::fprintf(stderr, "kadmer-trajserver: bad rate \"%s\" (above 0, at most 1000 Hz)\n",
                     parser.value(rateOption).toLocal8Bit().constData());
        return 2;
    }

    QVector<TrajSample> samples;
    QStringList complaints;
    if (!loadTrajectory(files[0], &samples, &complaints)) {
        std::fprintf(stderr, "kadmer-trajserver: cannot read %s\n",
                     files[0].toLocal8Bit().constData());
        return 1;
    }
    for (const QString& c : complaints)
        std::fprintf(stderr, "kadmer-trajserver: %s: %s\n", files[0].toLocal8Bit().constData(),
                     c.toLocal8Bit().constData());
    if (samples.isEmpty()) {
        std::fprintf(stderr, "kadmer-trajserver: no sample in %s\n",
                     files[0].toLocal8Bit().constData());
        return 1;
    }

    TrajServer server(samples, rate, parser.isSet(loopOption));
    if (!server.listen(quint16(port))) {
        std::fprintf(stderr, "kadmer-trajserver: cannot listen on 127.0.0.1:%u: %s\n", port,
                     server.errorString().toLocal8Bit().constData());
        return 1;
    }
    QObject::connect(&server, &TrajServer::finished, &app, &QCoreApplication::quit);
    std::printf("%d sample(s) from %s, listening on 127.0.0.1:%u at %g Hz\n", samples.size(),
                files[0].toLocal8Bit().constData(), port, rate);
    std::fflush(stdout);
    return app.exec();
}
