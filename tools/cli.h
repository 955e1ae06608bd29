// The corvalume-sandbox command: shared pieces of its subcommands.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sandbox/module.h"

namespace cli {

// Exit statuses, as the README lists them.
enum Exit {
    exit_ok = 0,        // done; for check, every check passed
    exit_failed = 1,    // a check failed
    exit_usage = 2,     // the command line was wrong
    exit_no_module = 3, // the module file could not be loaded
    exit_io = 4,        // an output file could not be written
};

using Args = std::vector<std::string>;

int info(const Args &args);
int check(const Args &args);
int render(const Args &args);

// Loads a module for a subcommand, or prints the loader's message.
std::unique_ptr<sandbox::Module> load(const std::string &path);

// True when args[i] is `name`; moves i past its value into `value`.
bool option(const Args &args, std::size_t &i, const char *name, std::string *value);

} // namespace cli
