// corvalume-sandbox check: runs every check in a child process of its own,
// under a time limit, so that a crash or a hang in the module is reported
// as that check failing and the run goes on.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/checks.h"
#include "tools/cli.h"

namespace cli {
namespace {

constexpr const char *check_usage =
    R"(usage: corvalume-sandbox check MODULE [--only NAME] [--seed N] [--json] [--timeout S]

Loads MODULE as the host does and validates it.  Each check runs in its own
child process; a crash or a hang fails that check alone.

  --only NAME   run this check alone (repeatable)
  --skip NAME   leave this check out (repeatable)
  --seed N      seed of the randomised checks (default 1)
  --json        one JSON object on standard output instead of lines
  --timeout S   seconds each check may take (default 60)
  --list        print the checks' names

Exit status: 0 when every check passed, 1 when one failed.
)";

struct Outcome {
    std::string name;
    bool passed;
    std::string text;
};

std::string json_string(const std::string &s) {
    std::string out = "\"";
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

// Runs one check in a child; its verdict comes back through a pipe as
// "P" or "F" and one line of text.
Outcome run_isolated(const checks::Check &check, const checks::Context &context, int timeout) {
    int channel[2];
    if (pipe(channel) != 0)
        return {check.name, false, std::string("cannot make a pipe: ") + std::strerror(errno)};
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        return {check.name, false, std::string("cannot fork: ") + std::strerror(errno)};
    if (child == 0) {
        close(channel[0]);
        checks::Verdict v{false, ""};
        try {
            v = check.run(context);
        } catch (const std::exception &e) {
            v = {false, e.what()};
        }
        const std::string message = (v.passed ? "P" : "F") + v.text;
        const ssize_t written = write(channel[1], message.data(), message.size());
        _exit(written == static_cast<ssize_t>(message.size()) ? 0 : 1);
    }
    close(channel[1]);

    std::string message;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout);
    bool timed_out = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timed_out = true;
            break;
        }
        pollfd p{channel[0], POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            timed_out = ready == 0;
            break;
        }
        char buffer[512];
        const ssize_t n = read(channel[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        message.append(buffer, static_cast<std::size_t>(n));
    }
    close(channel[0]);
    if (timed_out)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    if (timed_out)
        return {check.name, false, "timed out after " + std::to_string(timeout) + " s"};
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        return {check.name, false,
                "killed by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")"};
    }
    if (message.empty())
        return {check.name, false,
                "exited with status " + std::to_string(WEXITSTATUS(status)) + " and no verdict"};
    return {check.name, message[0] == 'P', message.substr(1)};
}

} // namespace

int check(const Args &args) {
    checks::Context context{"", 1};
    std::vector<std::string> only;
    std::vector<std::string> skip;
    bool json = false;
    int timeout = 60;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string value;
        if (args[i] == "--help") {
            std::fputs(check_usage, stdout);
            return exit_ok;
        } else if (args[i] == "--list") {
            for (const checks::Check &c : checks::all())
                std::printf("%s\n", c.name);
            return exit_ok;
        } else if (args[i] == "--json") {
            json = true;
        } else if (option(args, i, "--only", &value)) {
            only.push_back(value);
        } else if (option(args, i, "--skip", &value)) {
            skip.push_back(value);
        } else if (option(args, i, "--seed", &value)) {
            context.seed = std::strtoull(value.c_str(), nullptr, 10);
        } else if (option(args, i, "--timeout", &value)) {
            timeout = std::atoi(value.c_str());
        } else if (args[i].starts_with("-") || !context.path.empty()) {
            std::fprintf(stderr, "corvalume-sandbox: check: unexpected '%s'\n\n%s", args[i].c_str(),
                         check_usage);
            return exit_usage;
        } else {
            context.path = args[i];
        }
    }
    if (context.path.empty() || timeout <= 0) {
        std::fputs(check_usage, stderr);
        return exit_usage;
    }
    std::vector<std::string> named = only;
    named.insert(named.end(), skip.begin(), skip.end());
    for (const std::string &name : named) {
        bool known = false;
        for (const checks::Check &c : checks::all())
            known = known || name == c.name;
        if (!known) {
            std::fprintf(stderr, "corvalume-sandbox: check: no check named '%s' (see --list)\n",
                         name.c_str());
            return exit_usage;
        }
    }
    if (access(context.path.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "corvalume-sandbox: cannot read %s: %s\n", context.path.c_str(),
                     std::strerror(errno));
        return exit_no_module;
    }

    std::vector<Outcome> outcomes;
    int failed = 0;
    for (const checks::Check &c : checks::all()) {
        bool wanted = only.empty();
        for (const std::string &name : only)
            wanted = wanted || name == c.name;
        for (const std::string &name : skip)
            wanted = wanted && name != c.name;
        if (!wanted)
            continue;
        Outcome o = run_isolated(c, context, timeout);
        failed += !o.passed;
        if (!json)
            std::printf("%s  %-13s %s\n", o.passed ? "PASS" : "FAIL", o.name.c_str(),
                        o.text.c_str());
        std::fflush(stdout);
        outcomes.push_back(std::move(o));
    }

    const int passed = static_cast<int>(outcomes.size()) - failed;
    if (json) {
        std::printf(
            "{\"module\": %s, \"seed\": %llu, \"passed\": %d, \"failed\": %d, \"checks\": [",
            json_string(context.path).c_str(), static_cast<unsigned long long>(context.seed),
            passed, failed);
        for (std::size_t i = 0; i < outcomes.size(); ++i)
            std::printf("%s\n  {\"name\": %s, \"passed\": %s, \"text\": %s}", i ? "," : "",
                        json_string(outcomes[i].name).c_str(),
                        outcomes[i].passed ? "true" : "false",
                        json_string(outcomes[i].text).c_str());
        std::printf("]}\n");
    } else {
        std::printf("check: %d passed, %d failed\n", passed, failed);
    }
    return failed ? exit_failed : exit_ok;
}

} // namespace cli
