// corvalume-sandbox: loads a module file as the host does, to describe it,
// check it, or render what its shader does.
#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "tools/cli.h"

namespace cli {

std::unique_ptr<sandbox::Module> load(const std::string &path) {
    std::string error;
    auto module = sandbox::Module::open(path, &error);
    if (!module)
        std::fprintf(stderr, "corvalume-sandbox: cannot load %s: %s\n", path.c_str(),
                     error.c_str());
    return module;
}

bool option(const Args &args, std::size_t &i, const char *name, std::string *value) {
    if (args[i] != name)
        return false;
    if (i + 1 >= args.size()) {
        std::fprintf(stderr, "corvalume-sandbox: %s needs a value\n", name);
        *value = "";
        throw std::invalid_argument(name);
    }
    *value = args[++i];
    return true;
}

} // namespace cli

namespace {

constexpr const char *usage = R"(usage: corvalume-sandbox COMMAND [OPTIONS] MODULE

Loads a module file with the system's loader, exactly as the host does.

commands:
  info MODULE               the module record, its servers, and a fresh instance
  check MODULE [OPTIONS]    validates the module; exit status 0 when all passes
  render MODULE -o FILE.png [OPTIONS]
                            renders the shader's output on spheres

Run 'corvalume-sandbox COMMAND --help' for a command's options.
)";

} // namespace

int main(int argc, char **argv) {
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fputs(usage, argc < 2 ? stderr : stdout);
        return argc < 2 ? cli::exit_usage : cli::exit_ok;
    }
    const std::string command = argv[1];
    const cli::Args args(argv + 2, argv + argc);
    try {
        if (command == "info")
            return cli::info(args);
        if (command == "check")
            return cli::check(args);
        if (command == "render")
            return cli::render(args);
        std::fprintf(stderr, "corvalume-sandbox: unknown command '%s'\n\n%s", command.c_str(),
                     usage);
        return cli::exit_usage;
    } catch (const std::invalid_argument &) {
        return cli::exit_usage;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "corvalume-sandbox: %s\n", e.what());
        return cli::exit_failed;
    }
}
