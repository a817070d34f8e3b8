// kadmer-campaign: runs many scenarios of kadmer-sim made from one campaign
// file (swept values, Monte Carlo draws, repetitions), locally in parallel
// processes or as one Slurm job array, and gathers their run summaries into
// DIR/summary.csv and pictures.
//
//   kadmer-campaign run FILE --out DIR [--jobs N] [--retry-failed] [--sim PATH]
//   kadmer-campaign run FILE --out DIR --slurm [--partition P] [--time T] [--no-wait]
//   kadmer-campaign collect DIR
//
// Exit status: 0 every case ended well, 1 some case did not (or the run was
// interrupted), 2 bad file or option.
#include <QApplication>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "tools/common/cli_parse.h"

#include "campaign.h"
#include "collect.h"
#include "runner.h"

namespace {

using namespace campaign;

std::string self_path()
{
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "kadmer-campaign";
    buf[n] = '\0';
    return buf;
}

std::string absolute(const std::string& p)
{
    char buf[PATH_MAX];
    if (::realpath(p.c_str(), buf))
        return buf;
    if (!p.empty() && p[0] == '/')
        return p;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + p : p;
}

bool executable(const std::string& p)
{
    return ::access(p.c_str(), X_OK) == 0;
}

// kadmer-sim: as given, else beside this program (installed together), else
// where the build puts it, else on the PATH
std::string find_sim(const std::string& given)
{
    if (!given.empty())
        return executable(given) ? absolute(given) : "";
    std::string me = self_path();
    std::string here = me.substr(0, me.rfind('/'));
    for (const std::string& p : {here + "/kadmer-sim", here + "/../kadmer-sim/kadmer-sim"})
        if (executable(p))
            return absolute(p);
    if (const char* path = std::getenv("PATH")) {
        std::string s = path;
        size_t start = 0;
        while (start <= s.size()) {
            size_t end = s.find(':', start);
            if (end == std::string::npos)
                end = s.size();
            std::string p = s.substr(start, end - start) + "/kadmer-sim";
            if (end > start && executable(p))
                return absolute(p);
            start = end + 1;
        }
    }
    return "";
}

int say_bad(const std::string& m)
{
    std::fprintf(stderr, "kadmer-campaign : %s\n", m.c_str());
    return 2;
}

// summary.csv and the pictures; returns the exit status
int gather_all(const std::string& dir)
{
    // the pictures are drawn without a window
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "kadmer-campaign";
    char* argv[] = {name, nullptr};
    // the runtime folder Qt looks for is of no use here: its warning is noise
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (type != QtWarningMsg || !msg.startsWith("QStandardPaths:"))
            std::fprintf(stderr, "%s\n", qPrintable(msg));
    });
    QApplication app(argc, argv);
    Table t;
    std::vector<std::string> pictures;
    std::string m = collect(dir, t, pictures);
    if (!m.empty())
        return say_bad(m);
    std::fprintf(stderr, "%zu cas : %zu reussis, %zu en echec, %zu non termines -> %s/summary.csv\n",
                 t.rows.size(), t.ok, t.failed, t.absent, dir.c_str());
    if (t.stopped)
        std::fprintf(stderr, "plans de marche : %zu menes a leur fin, %zu arretes par la protection\n",
                     t.ok - t.stopped, t.stopped);
    for (const std::string& p : pictures)
        std::fprintf(stderr, "image : %s\n", p.c_str());
    return t.ok == t.rows.size() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Campagnes de kadmer-sim : balayages, tirages de Monte Carlo, execution locale "
                 "ou par tableau de taches Slurm",
                 "kadmer-campaign"};
    app.require_subcommand(1);

    std::string file, out, sim, partition, timeLimit;
    int jobs = (int)std::max(1u, std::thread::hardware_concurrency());
    bool slurm = false, noWait = false, retry = false;
    CLI::App* run = app.add_subcommand("run", "lance les cas d'une campagne");
    run->add_option("FILE", file, "fichier de campagne (JSON)")->required();
    run->add_option("--out", out, "dossier des cas et des resultats")->required();
    run->add_option("--jobs", jobs, "processus en parallele (local)")->check(CLI::Range(1, 1024));
    run->add_option("--sim", sim, "programme kadmer-sim a lancer");
    run->add_flag("--retry-failed", retry, "relance aussi les cas termines en echec");
    auto* slurmFlag = run->add_flag("--slurm", slurm, "soumet les cas en un tableau de taches Slurm");
    run->add_option("--partition", partition, "partition Slurm")->needs(slurmFlag);
    run->add_option("--time", timeLimit, "limite de temps Slurm par tache (ex. 10:00)")->needs(slurmFlag);
    run->add_flag("--no-wait", noWait, "rend la main apres la soumission")->needs(slurmFlag);

    std::string dir;
    CLI::App* coll = app.add_subcommand("collect", "rassemble les resultats termines");
    coll->add_option("DIR", dir, "dossier de la campagne")->required();

    std::string caseDir;
    int task = -1;
    CLI::App* one = app.add_subcommand("case", "une tache du tableau Slurm (usage interne)");
    one->add_option("DIR", caseDir)->required();
    one->add_option("TASK", task)->required();
    one->group("");

    try {
        const std::string complaint = cli_parse(app, argc, argv);
        if (!complaint.empty()) {
            std::fprintf(stderr, "kadmer-campaign : %s\n", complaint.c_str());
            std::fprintf(stderr, "kadmer-campaign --help pour l'usage\n");
            return 2;
        }
    } catch (const CLI::Success& e) {
        return app.exit(e);
    }

    if (*one)
        return run_array_task(absolute(caseDir), task);
    if (*coll)
        return gather_all(absolute(dir));

    Campaign c;
    std::string m = read_campaign(file, c);
    if (!m.empty())
        return say_bad(m);
    std::string simPath = find_sim(sim);
    if (simPath.empty())
        return say_bad(sim.empty() ? "kadmer-sim introuvable (--sim PATH)"
                                   : sim + " : programme introuvable ou non executable");
    out = absolute(out);
    std::vector<Case> cases = expand(c);
    m = prepare(out, c, cases, simPath);
    if (!m.empty())
        return say_bad(m);
    json manifest;
    m = read_manifest(out, manifest);
    if (!m.empty())
        return say_bad(m);
    m = preflight(out, manifest);
    if (!m.empty())
        return say_bad(m);
    std::vector<int> todo = pending(out, manifest, retry);
    std::fprintf(stderr, "%zu cas, %zu deja faits, %zu a lancer\n", cases.size(),
                 cases.size() - todo.size(), todo.size());

    if (!todo.empty()) {
        if (slurm) {
            std::string job;
            m = submit_slurm(out, todo, self_path(), partition, timeLimit, job);
            if (!m.empty()) {
                std::fprintf(stderr, "kadmer-campaign : %s\n", m.c_str());
                return 1;
            }
            std::fprintf(stderr, "tableau de taches Slurm %s soumis\n", job.c_str());
            if (noWait) {
                std::fprintf(stderr, "resultats : kadmer-campaign collect %s\n", out.c_str());
                return 0;
            }
            if (!wait_slurm(out, manifest, todo, job)) {
                std::fprintf(stderr, "attente interrompue ; le tableau %s continue : "
                             "kadmer-campaign collect %s\n", job.c_str(), out.c_str());
                return 1;
            }
        } else if (!run_local(out, manifest, todo, jobs)) {
            std::fprintf(stderr, "interrompu ; relancer la meme commande reprend les cas non faits\n");
            gather_all(out);
            return 1;
        }
    }
    return gather_all(out);
}
