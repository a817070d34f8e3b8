#include "tools/kadmer-sim/sim.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "rover/confrover.h"
#include "rover/telemetry.h"
#include "tools/kadmer-sim/simrun.h"

int run_sim(const SimOptions& o)
{
    SimRun run;
    sim_build(o, &run);
    ConfRover* cr = &run.rover->conf;
    const char* output = o.output.empty() ? nullptr : o.output.c_str();

    FILE* out = nullptr;
    if (output) {
        out = std::fopen(output, "wt");
        if (!out)
            bad("fichier trajectoire impossible a ecrire : %s (%s)", output, std::strerror(errno));
        ecrit_ligne_conf(out, cr);
    }
    FILE* telemetryFile = nullptr;
    if (!o.telemetry.empty()) {
        telemetryFile = std::fopen(o.telemetry.c_str(), "wt");
        if (!telemetryFile) {
            if (out)
                std::fclose(out);
            bad("fichier de telemetrie impossible a ecrire : %s (%s)", o.telemetry.c_str(),
                std::strerror(errno));
        }
        telemetry_csv_header(telemetryFile);
    }

    // ---- the ticks --------------------------------------------------------------
    const long ticks = std::lround(o.duration / run.dt);
    int status = 0;
    long done = 0;
    auto t0 = std::chrono::steady_clock::now();
    for (long k = 0; k < ticks; ++k) {
        sim_apply_schedule(&run);
        const char* m = sim_tick(&run, telemetryFile || o.summary);
        ++done;
        if (out)
            ecrit_ligne_conf(out, cr);
        if (telemetryFile)
            telemetry_csv_row(telemetryFile, &run.tel);
        if (m) {
            std::fprintf(stderr, "kadmer-sim: t = %lf : %s", cr->temps, m);
            size_t n = std::strlen(m);
            if (n == 0 || m[n - 1] != '\n')
                std::fputc('\n', stderr);
            if (!o.keepGoing) {
                status = 1;
                break;
            }
        }
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    double simulated = done * run.dt;

    if (out)
        std::fclose(out);
    if (run.rover->fresults) {
        std::fclose(run.rover->fresults);
        run.rover->fresults = nullptr;
    }
    bool written = true;
    if (telemetryFile)
        written = std::fflush(telemetryFile) == 0 && !std::ferror(telemetryFile);
    if (telemetryFile && std::fclose(telemetryFile) != 0)
        written = false;
    std::printf("ticks=%ld time=%.3f substeps=%ld wall=%.3f rtf=%.1f", done, simulated,
                run.dynamic ? run.rover->sousPas : 0L, wall, wall > 0.0 ? simulated / wall : 0.0);
    if (o.summary)
        telemetry_summary(stdout, &run.tel);
    std::printf("\n");
    if (!written) {
        std::fprintf(stderr, "kadmer-sim: fichier de telemetrie incomplet : %s\n",
                     o.telemetry.c_str());
        status = 1;
    }
    return status;
}
