#include "runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace campaign {

namespace {

using Clock = std::chrono::steady_clock;

volatile sig_atomic_t stopAsked = 0;

void on_stop(int)
{
    stopAsked = 1;
}

// Ctrl+C and SIGTERM end the wait, not the process: the running cases are
// then ended by their process groups and the campaign can be resumed
struct StopGuard {
    struct sigaction oldInt, oldTerm;
    StopGuard()
    {
        stopAsked = 0;
        struct sigaction sa;
        std::memset(&sa, 0, sizeof sa);
        sa.sa_handler = on_stop;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &oldInt);
        sigaction(SIGTERM, &sa, &oldTerm);
    }
    ~StopGuard()
    {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
    }
};

std::string slurp(const std::string& path, bool* ok = nullptr)
{
    std::ifstream f(path, std::ios::binary);
    if (ok)
        *ok = (bool)f;
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// written under a temporary name, then renamed: a reader never sees half a file
bool write_file(const std::string& path, const std::string& text)
{
    std::string tmp = path + ".tmp" + std::to_string(::getpid());
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        return false;
    }
    return true;
}

bool make_dir(const std::string& p)
{
    return ::mkdir(p.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string clock_text(double s)
{
    long t = std::lround(s);
    char buf[32];
    if (t >= 3600)
        std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", t / 3600, t / 60 % 60, t % 60);
    else
        std::snprintf(buf, sizeof buf, "%ld:%02ld", t / 60, t % 60);
    return buf;
}

// the progress bar on the error stream: redrawn in place on a terminal, a
// line per tenth of the work otherwise (logs, tests)
class Progress {
public:
    explicit Progress(size_t total) : total_(total), t0_(Clock::now()), tty_(::isatty(2)) {}

    void update(size_t done, size_t failed)
    {
        if (done == last_ && !first_)
            return;
        size_t tenth = total_ ? done * 10 / total_ : 10;
        if (!tty_ && !first_ && tenth == lastTenth_ && done != total_)
            return;
        first_ = false;
        last_ = done;
        lastTenth_ = tenth;
        double el = std::chrono::duration<double>(Clock::now() - t0_).count();
        const int width = 30;
        int fill = total_ ? (int)(done * width / total_) : width;
        std::string bar(fill, '#');
        bar += std::string(width - fill, '-');
        char line[200];
        int n = std::snprintf(line, sizeof line, "[%s] %zu/%zu cas, %zu en echec, %s", bar.c_str(),
                              done, total_, failed, clock_text(el).c_str());
        if (done > 0 && done < total_)
            std::snprintf(line + n, sizeof line - n, ", reste ~%s",
                          clock_text(el / done * (total_ - done)).c_str());
        std::fprintf(stderr, tty_ ? "\r%s\033[K" : "%s\n", line);
        if (tty_ && done == total_)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }

    void end()
    {
        if (tty_ && last_ != total_)
            std::fputc('\n', stderr);
    }

private:
    size_t total_;
    Clock::time_point t0_;
    bool tty_;
    bool first_ = true;
    size_t last_ = 0, lastTenth_ = 0;
};

// one child process of kadmer-sim, in a process group of its own
struct Child {
    int index = -1;
    pid_t pid = -1;
    Clock::time_point start;
    bool killed = false;  // ended by us for passing its time limit
};

// the command of a case; what it writes goes beside its scenario (out is the
// name without extension), or nowhere for an empty out: files named in the
// scenario would otherwise be written by every case at once
std::vector<std::string> command_of(const json& m, const std::string& scenario, const std::string& out)
{
    std::vector<std::string> args{m.at("sim").get<std::string>(), "--scenario", scenario};
    for (const json& a : m.at("sim_args"))
        args.push_back(a.get<std::string>());
    auto to = [&](const char* ext) { return out.empty() ? std::string("/dev/null") : out + ext; };
    args.push_back("-o");
    args.push_back(m.at("trajectories").get<bool>() ? to(".traj") : "/dev/null");
    json s;
    try {
        std::ifstream f(scenario);
        s = json::parse(f);
    } catch (const json::exception&) {
        return args;  // kadmer-sim says what is wrong with it
    }
    auto named = [&](const char* key) {
        json::json_pointer p(key);
        return s.contains(p) && s.at(p).is_string();
    };
    if (named("/sorties/telemetrie")) {
        args.push_back("--telemetry");
        args.push_back(to(".telemetry.csv"));
    }
    if (named("/dynamique/resultats")) {
        args.push_back("--results");
        args.push_back(to(".trace"));
    }
    return args;
}

bool start(const std::string& dir, const json& m, int i, Child& c)
{
    std::string base = case_file(dir, i, "");
    std::vector<std::string> args = command_of(m, base + ".json", base);
    std::string out = base + ".out", err = base + ".err";
    std::remove(case_file(dir, i, ".result").c_str());
    pid_t pid = ::fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        ::setpgid(0, 0);
        int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        int fi = ::open("/dev/null", O_RDONLY);
        if (fo < 0 || fe < 0 || fi < 0)
            ::_exit(126);
        ::dup2(fi, 0);
        ::dup2(fo, 1);
        ::dup2(fe, 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        std::fprintf(stderr, "kadmer-campaign : impossible de lancer %s (%s)\n", argv[0],
                     std::strerror(errno));
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // as in the child: whichever runs first
    c.index = i;
    c.pid = pid;
    c.start = Clock::now();
    c.killed = false;
    return true;
}

void stop_group(pid_t pid)
{
    ::kill(-pid, SIGKILL);
    ::kill(pid, SIGKILL);
}

// the result of an ended child, written to its file
std::string finish(const std::string& dir, const json& m, const Child& c, int wstatus)
{
    Result r;
    r.hash = m.at("cases").at(c.index).at("hash").get<std::string>();
    r.wall = std::chrono::duration<double>(Clock::now() - c.start).count();
    if (c.killed) {
        r.status = "delai";
        r.signal = SIGKILL;
    } else if (WIFSIGNALED(wstatus)) {
        r.status = "plantage";
        r.signal = WTERMSIG(wstatus);
    } else {
        r.exitCode = WEXITSTATUS(wstatus);
        // kadmer-sim's status 3: the plan stopped where the rover's fault
        // protection would, with its summary written
        r.status = r.exitCode == 0 ? "ok" : r.exitCode == 3 ? "arrete" : "echec";
    }
    r.summary = parse_summary(slurp(case_file(dir, c.index, ".out")));
    std::string err = slurp(case_file(dir, c.index, ".err"));
    if (c.killed) {
        char line[120];
        std::snprintf(line, sizeof line, "kadmer-campaign : arrete apres %g s (limite de temps du cas)\n",
                      m.at("time_limit_s").get<double>());
        err += line;
    } else if (r.signal) {
        err += "kadmer-campaign : termine par le signal " + std::to_string(r.signal) + " (" +
               strsignal(r.signal) + ")\n";
    }
    r.stderrTail = tail_of(err);

    json j = {{"hash", r.hash},       {"status", r.status}, {"exit", r.exitCode},
              {"signal", r.signal},   {"wall_s", r.wall},   {"stderr_tail", r.stderrTail},
              {"time_limit_s", m.at("time_limit_s")}};
    json s = json::array();
    for (auto& kv : r.summary)
        s.push_back({kv.first, kv.second});
    j["summary"] = s;
    write_file(case_file(dir, c.index, ".result"), j.dump(1) + "\n");
    return r.status;
}

// checks every running child once: ended ones are finished, late ones killed
template <class OnEnd>
void poll(const std::string& dir, const json& m, std::vector<Child>& running, OnEnd onEnd)
{
    double limit = m.at("time_limit_s").get<double>();
    for (size_t k = 0; k < running.size();) {
        Child& c = running[k];
        int st = 0;
        pid_t w = ::waitpid(c.pid, &st, WNOHANG);
        if (w == c.pid) {
            onEnd(finish(dir, m, c, st));
            running.erase(running.begin() + k);
            continue;
        }
        if (!c.killed &&
            std::chrono::duration<double>(Clock::now() - c.start).count() > limit) {
            c.killed = true;
            stop_group(c.pid);
        }
        ++k;
    }
}

} // namespace

std::string case_file(const std::string& dir, int i, const char* ext)
{
    char name[32];
    std::snprintf(name, sizeof name, "/cases/c%06d", i);
    return dir + name + ext;
}

std::vector<std::pair<std::string, std::string>> parse_summary(const std::string& out)
{
    std::vector<std::pair<std::string, std::string>> kv;
    size_t end = out.size();
    while (end > 0) {
        size_t start = out.rfind('\n', end - 1);
        start = start == std::string::npos ? 0 : start + 1;
        std::string line = out.substr(start, end - start);
        if (line.find_first_not_of(" \t\r\n") != std::string::npos) {
            std::istringstream is(line);
            std::string tok;
            while (is >> tok) {
                size_t eq = tok.find('=');
                if (eq == std::string::npos || eq == 0)
                    continue;
                std::string key = tok.substr(0, eq), value = tok.substr(eq + 1);
                if (key.find_first_of(",\"") != std::string::npos)
                    continue;
                bool dup = false;
                for (auto& p : kv)
                    if (p.first == key) {
                        p.second = value;
                        dup = true;
                    }
                if (!dup)
                    kv.emplace_back(key, value);
            }
            break;
        }
        if (start == 0)
            break;
        end = start - 1;
    }
    return kv;
}

std::string tail_of(const std::string& text, size_t max)
{
    std::string t = text;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r'))
        t.pop_back();
    if (t.size() > max) {
        size_t cut = t.size() - max;
        size_t nl = t.find('\n', cut);
        t = nl != std::string::npos && nl + 1 < t.size() ? t.substr(nl + 1) : t.substr(cut);
    }
    return t;
}

std::string prepare(const std::string& dir, const Campaign& c, const std::vector<Case>& cases,
                    const std::string& sim)
{
    if (!make_dir(dir) || !make_dir(dir + "/cases"))
        return dir + " : dossier impossible a creer (" + std::strerror(errno) + ")";
    // the summary line comes with --summary where kadmer-sim has it
    std::string help;
    {
        std::string cmd = "'" + sim + "' --help 2>&1";
        FILE* p = ::popen(cmd.c_str(), "r");
        if (p) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
                help.append(buf, n);
            ::pclose(p);
        }
    }
    if (help.find("--scenario") == std::string::npos)
        return sim + " ne lit pas de fichier de scenario (--scenario)";
    json simArgs = json::array();
    if (help.find("--summary") != std::string::npos)
        simArgs.push_back("--summary");

    json m;
    m["sim"] = sim;
    m["sim_args"] = simArgs;
    m["time_limit_s"] = c.timeLimit;
    m["trajectories"] = c.trajectories;
    json axes = json::array(), draws = json::array(), plots = json::array();
    for (const Axis& a : c.axes)
        axes.push_back(a.name);
    for (const Draw& d : c.draws)
        draws.push_back(d.path);
    for (const Plot& p : c.plots)
        plots.push_back({{"figure", p.figure}, {"axes", p.axes}});
    m["axes"] = axes;
    m["draws"] = draws;
    m["figures"] = c.figures;
    m["plots"] = plots;
    m["repetitions"] = c.repetitions;
    m["draw_count"] = c.drawCount;
    json list = json::array();
    for (const Case& cs : cases) {
        list.push_back({{"hash", cs.hash},
                        {"axes", cs.axisValues},
                        {"draws", cs.drawValues},
                        {"draw", cs.draw},
                        {"repetition", cs.repetition}});
        std::string path = case_file(dir, cs.index, ".json");
        std::string text = cs.scenario.dump(2) + "\n";
        bool had = false;
        if (slurp(path, &had) != text && !write_file(path, text))
            return path + " : ecriture impossible (" + std::strerror(errno) + ")";
    }
    m["cases"] = list;
    if (!write_file(dir + "/cases.json", m.dump(1) + "\n"))
        return dir + "/cases.json : ecriture impossible (" + std::strerror(errno) + ")";
    return "";
}

std::string preflight(const std::string& dir, const json& manifest)
{
    if (manifest.at("cases").empty())
        return "";
    json s;
    {
        std::ifstream f(case_file(dir, 0, ".json"));
        try {
            s = json::parse(f);
        } catch (const json::exception& e) {
            return case_file(dir, 0, ".json") + " : illisible (" + e.what() + ")";
        }
    }
    s["duree"] = 0;
    std::string check = dir + "/cases/verification.json";
    if (!write_file(check, s.dump(2) + "\n"))
        return check + " : ecriture impossible";
    std::string cmd;
    for (const std::string& a : command_of(manifest, check, "")) {
        cmd += "'";
        for (char ch : a)
            cmd += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
        cmd += "' ";
    }
    cmd += "</dev/null 2>&1 >/dev/null";
    std::string err;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return "kadmer-sim impossible a lancer";
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        err.append(buf, n);
    int st = ::pclose(p);
    std::remove(check.c_str());
    // its messages name the first case's file, of which the check is a copy
    for (size_t at = err.find(check); at != std::string::npos; at = err.find(check, at))
        err.replace(at, check.size(), case_file(dir, 0, ".json"));
    if (WIFEXITED(st) && WEXITSTATUS(st) == 2)
        return "kadmer-sim refuse le scenario du premier cas : " + tail_of(err);
    return "";
}

std::string read_manifest(const std::string& dir, json& manifest)
{
    bool ok = false;
    std::string text = slurp(dir + "/cases.json", &ok);
    if (!ok)
        return dir + " : pas une campagne (cases.json absent)";
    try {
        manifest = json::parse(text);
        for (const char* k : {"sim", "sim_args", "time_limit_s", "trajectories", "axes", "draws",
                              "figures", "plots", "cases"})
            if (!manifest.contains(k))
                return dir + "/cases.json : cle \"" + k + "\" manquante";
        for (const json& cs : manifest["cases"])
            if (!cs.contains("hash") || !cs["axes"].is_array() || !cs["draws"].is_array())
                return dir + "/cases.json : cas illisible";
    } catch (const json::exception& e) {
        return dir + "/cases.json : illisible (" + e.what() + ")";
    }
    return "";
}

bool read_result(const std::string& dir, int i, Result& r)
{
    bool ok = false;
    std::string text = slurp(case_file(dir, i, ".result"), &ok);
    if (!ok)
        return false;
    try {
        json j = json::parse(text);
        r = Result{};
        r.hash = j.at("hash").get<std::string>();
        r.status = j.at("status").get<std::string>();
        r.exitCode = j.at("exit").get<int>();
        r.signal = j.at("signal").get<int>();
        r.wall = j.at("wall_s").get<double>();
        r.stderrTail = j.at("stderr_tail").get<std::string>();
        r.timeLimit = j.value("time_limit_s", 0.0);
        for (const json& kv : j.at("summary"))
            r.summary.emplace_back(kv.at(0).get<std::string>(), kv.at(1).get<std::string>());
    } catch (const json::exception&) {
        return false;
    }
    return true;
}

std::vector<int> pending(const std::string& dir, const json& manifest, bool retry)
{
    std::vector<int> out;
    const json& cases = manifest.at("cases");
    for (int i = 0; i < (int)cases.size(); ++i) {
        Result r;
        // a case stopped by a shorter time limit than today's is run again
        if (!read_result(dir, i, r) || r.hash != cases[i].at("hash").get<std::string>() ||
            (retry && !ran_to_end(r.status)) ||
            (r.status == "delai" && r.timeLimit < manifest.at("time_limit_s").get<double>()))
            out.push_back(i);
    }
    return out;
}

std::string run_case(const std::string& dir, const json& manifest, int i)
{
    Child c;
    if (!start(dir, manifest, i, c))
        return "echec";
    std::vector<Child> running{c};
    std::string status;
    while (!running.empty()) {
        poll(dir, manifest, running, [&](const std::string& s) { status = s; });
        if (!running.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status;
}

bool run_local(const std::string& dir, const json& manifest, const std::vector<int>& todo, int jobs)
{
    StopGuard guard;
    Progress bar(todo.size());
    std::vector<Child> running;
    size_t next = 0, done = 0, failed = 0;
    bar.update(0, 0);
    while ((next < todo.size() || !running.empty()) && !stopAsked) {
        while (next < todo.size() && (int)running.size() < jobs) {
            Child c;
            if (!start(dir, manifest, todo[next], c)) {
                std::fprintf(stderr, "kadmer-campaign : fork impossible (%s)\n", std::strerror(errno));
                stopAsked = 1;
                break;
            }
            running.push_back(c);
            ++next;
        }
        poll(dir, manifest, running, [&](const std::string& s) {
            ++done;
            failed += !ran_to_end(s);
        });
        bar.update(done, failed);
        if (!running.empty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (stopAsked) {
        // the cases cut short leave no result: the next run takes them again
        for (Child& c : running) {
            stop_group(c.pid);
            ::waitpid(c.pid, nullptr, 0);
            std::remove(case_file(dir, c.index, ".result").c_str());
        }
        bar.end();
        return false;
    }
    return true;
}

std::string shell_quote(const std::string& s)
{
    std::string q = "'";
    for (char ch : s)
        q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

std::string submit_array(const std::string& sd, const std::string& workDir, const std::string& indices,
                         const std::string& command, const std::string& name, const std::string& partition,
                         const std::string& timeLimit, std::string& jobId)
{
    std::string script = "#!/bin/sh\n"
                         "# one task of a " + name + " job array\n"
                         "exec " + command + " \"$SLURM_ARRAY_TASK_ID\"\n";
    if (!write_file(sd + "/array.sh", script))
        return sd + "/array.sh : ecriture impossible";
    ::chmod((sd + "/array.sh").c_str(), 0755);

    std::string cmd = "sbatch --parsable --job-name=" + shell_quote(name) + " --array=" + indices +
                      " --output=" + shell_quote(sd + "/task-%a.log") + " --chdir=" + shell_quote(workDir);
    if (!partition.empty())
        cmd += " --partition=" + shell_quote(partition);
    if (!timeLimit.empty())
        cmd += " --time=" + shell_quote(timeLimit);
    cmd += " " + shell_quote(sd + "/array.sh") + " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return "sbatch impossible a lancer";
    std::string out;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    int st = ::pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    if (st != 0 || out.empty())
        return "sbatch a refuse le tableau de taches : " + (out.empty() ? "(aucun message)" : out);
    // "--parsable" prints "jobid" or "jobid;cluster"
    jobId = out.substr(out.rfind('\n') == std::string::npos ? 0 : out.rfind('\n') + 1);
    jobId = jobId.substr(0, jobId.find(';'));
    write_file(sd + "/job", jobId + "\n");
    return "";
}

bool job_queued(const std::string& jobId)
{
    std::string cmd = "squeue -h -j " + jobId + " -o %i 2>/dev/null";
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p) {
        char buf[512];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out.find_first_not_of(" \n") != std::string::npos;
}

std::string submit_slurm(const std::string& dir, const std::vector<int>& todo,
                         const std::string& self, const std::string& partition,
                         const std::string& timeLimit, std::string& jobId)
{
    std::string sd = dir + "/slurm";
    if (!make_dir(sd))
        return sd + " : dossier impossible a creer (" + std::strerror(errno) + ")";
    // an array holds at most MaxArraySize - 1 tasks (1000 by default): beyond
    // that, each task runs every tasks-th case of the list
    size_t tasks = std::min<size_t>(todo.size(), 1000);
    json sub = {{"tasks", tasks}, {"cases", todo}};
    if (!write_file(sd + "/submission.json", sub.dump() + "\n"))
        return sd + "/submission.json : ecriture impossible";
    return submit_array(sd, dir, "0-" + std::to_string(tasks - 1),
                        shell_quote(self) + " case " + shell_quote(dir), "kadmer-campaign", partition,
                        timeLimit, jobId);
}

int run_array_task(const std::string& dir, int task)
{
    json m, sub;
    std::string msg = read_manifest(dir, m);
    if (msg.empty()) {
        bool ok = false;
        std::string text = slurp(dir + "/slurm/submission.json", &ok);
        try {
            sub = json::parse(text);
        } catch (const json::exception&) {
            msg = dir + "/slurm/submission.json illisible";
        }
    }
    if (!msg.empty()) {
        std::fprintf(stderr, "kadmer-campaign : %s\n", msg.c_str());
        return 2;
    }
    const json& list = sub.at("cases");
    size_t tasks = sub.at("tasks").get<size_t>();
    if (task < 0 || (size_t)task >= tasks) {
        std::fprintf(stderr, "kadmer-campaign : tache %d hors du tableau (0 a %zu)\n", task, tasks - 1);
        return 2;
    }
    int bad = 0;
    for (size_t k = task; k < list.size(); k += tasks) {
        int i = list[k].get<int>();
        std::string s = run_case(dir, m, i);
        std::printf("cas %d : %s\n", i, s.c_str());
        bad += !ran_to_end(s);
    }
    return bad ? 1 : 0;
}

bool wait_slurm(const std::string& dir, const json& manifest, const std::vector<int>& todo,
                const std::string& jobId)
{
    StopGuard guard;
    Progress bar(todo.size());
    bar.update(0, 0);
    for (;;) {
        // the array is over once no task of it is queued or running
        bool queued = job_queued(jobId);
        // counted after the queue was read: the last count is the final one
        size_t done = 0, failed = 0;
        for (int i : todo) {
            Result r;
            if (read_result(dir, i, r) &&
                r.hash == manifest.at("cases").at(i).at("hash").get<std::string>()) {
                ++done;
                failed += !ran_to_end(r.status);
            }
        }
        bar.update(done, failed);
        if (!queued)
            break;
        for (int k = 0; k < 20 && !stopAsked; ++k)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (stopAsked) {
            bar.end();
            return false;
        }
    }
    bar.end();
    return true;
}

} // namespace campaign
