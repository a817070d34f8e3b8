// Companion programs run as programs: a command line through the shell, with
// its exit status and what it wrote on each stream.
#ifndef KADMER_TESTS_SUPPORT_PROGRAM_H
#define KADMER_TESTS_SUPPORT_PROGRAM_H

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/files.h"

struct ProgramRun {
    int status = -1;  // exit status; -1 when the program did not exit (a signal)
    std::string out, err;
};

// runs `command` (a shell command line, arguments quoted as the shell wants
// them) and waits for it to end
inline ProgramRun runProgram(const std::string& command)
{
    TempDir streams;
    const int st = std::system(("(" + command + ") >" + streams / "out" + " 2>" + streams / "err").c_str());
    ProgramRun r;
    r.status = st != -1 && WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = slurp(streams / "out");
    r.err = slurp(streams / "err");
    return r;
}

#endif
