// Running cases: the campaign folder (manifest, one scenario file per case,
// its outputs and its result), one case as a child process under a time
// limit, the local pool of processes with its progress bar, and the Slurm job
// array.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "campaign.h"

namespace campaign {

// ---- the campaign folder --------------------------------------------------------
//   DIR/cases.json            manifest: what collect needs (axes, figures, cases)
//   DIR/cases/c000012.json    the scenario of case 12
//   DIR/cases/c000012.out     its standard output, .err its error stream,
//                             .traj its trajectory (when kept)
//   DIR/cases/c000012.result  its result (JSON), written once the case ended

// the outcome of one case
struct Result {
    std::string hash;      // content hash of the scenario that ran
    std::string status;    // "ok", "arrete" (a drive plan stopped by its fault
                           // protection, exit status 3: a result like "ok"),
                           // "echec" (other exit status not 0), "plantage"
                           // (signal), "delai" (time limit passed); "absent"
                           // when never ended
    int exitCode = -1;     // exit status, or -1
    int signal = 0;        // signal that ended it, or 0
    double wall = 0;       // seconds
    std::vector<std::pair<std::string, std::string>> summary;  // key=value of the last line, in order
    std::string stderrTail;  // the end of its error stream
    double timeLimit = 0;    // the time limit it ran under, seconds
};

// file of case i in dir with the given extension (".json", ".result"...)
std::string case_file(const std::string& dir, int i, const char* ext);

// writes the manifest and the scenario of every case whose file is missing or
// differs; returns an empty string or the message
std::string prepare(const std::string& dir, const Campaign& c, const std::vector<Case>& cases,
                    const std::string& sim);

// runs kadmer-sim on the first case for no time: a file it refuses (a
// misspelt key, a value out of range) is reported before any case runs;
// returns an empty string or the message
std::string preflight(const std::string& dir, const json& manifest);

// reads the manifest; returns an empty string or the message
std::string read_manifest(const std::string& dir, json& manifest);

// reads a case's result; false when there is none (or it cannot be read)
bool read_result(const std::string& dir, int i, Result& r);

// the indices of the cases still to run: no result, or a result for another
// scenario content (or, with retry, a result that is not "ok")
std::vector<int> pending(const std::string& dir, const json& manifest, bool retry);

// key=value pairs of the last non-empty line of a summary output
std::vector<std::pair<std::string, std::string>> parse_summary(const std::string& out);

// the end of an error stream: its last lines, at most about max bytes
std::string tail_of(const std::string& text, size_t max = 400);

// ---- running ----------------------------------------------------------------------

// runs case i of the manifest to its end in this process's child and writes its
// result; returns the result's status
std::string run_case(const std::string& dir, const json& manifest, int i);

// runs the listed cases in at most jobs processes at once, with a progress bar
// on the error stream; returns false when interrupted (Ctrl+C, SIGTERM)
bool run_local(const std::string& dir, const json& manifest, const std::vector<int>& todo, int jobs);

// a text quoted for the shell
std::string shell_quote(const std::string& s);

// submits a job array named name: the tasks of the index list indices
// ("0-11", "3,5,8") each run `command TASK_ID` (command already quoted for the
// shell) in workDir; the script, the task logs (task-N.log) and the job id
// (job) go to the folder sd, which exists. Returns an empty string or the
// message
std::string submit_array(const std::string& sd, const std::string& workDir, const std::string& indices,
                         const std::string& command, const std::string& name, const std::string& partition,
                         const std::string& timeLimit, std::string& jobId);

// true while a task of the job is queued or running
bool job_queued(const std::string& jobId);

// submits the listed cases as one job array; writes its job id; returns an
// empty string or the message
std::string submit_slurm(const std::string& dir, const std::vector<int>& todo,
                         const std::string& self, const std::string& partition,
                         const std::string& timeLimit, std::string& jobId);

// runs the share of array task `task` of the cases of a submission
int run_array_task(const std::string& dir, int task);

// waits for the job array to leave the queue, with a progress bar; returns
// false when interrupted
bool wait_slurm(const std::string& dir, const json& manifest, const std::vector<int>& todo,
                const std::string& jobId);

} // namespace campaign
