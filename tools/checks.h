// The checks of corvalume-sandbox check, each run in a child process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace checks {

struct Verdict {
    bool passed;
    std::string text; // one line
};

struct Context {
    std::string path;   // the module file
    std::uint64_t seed; // for the randomised checks
};

struct Check {
    const char *name;
    Verdict (*run)(const Context &);
};

const std::vector<Check> &all();

} // namespace checks
