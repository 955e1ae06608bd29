// Runs a shell command and collects its output and exit status.
#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace corvalume_test {

struct Outcome {
    int status; // exit status, or -1 when it did not exit normally
    std::string out;
};

inline Outcome run_command(const std::string &command) {
    Outcome r{-1, ""};
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            r.out.append(buffer, n);
        const int status = pclose(pipe);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return r;
}

// corvalume-sandbox with these arguments, standard error included.  The
// sanitizers' own fault handlers would turn a module's crash into an
// ordinary exit; let it be the signal the host would see.
inline Outcome sandbox_tool(const std::string &arguments) {
    return run_command("ASAN_OPTIONS=handle_segv=0:handle_sigill=0 '" CORVALUME_SANDBOX "' " +
                       arguments + " 2>&1");
}

} // namespace corvalume_test
