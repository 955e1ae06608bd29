// Reading a module file's dynamic section through readelf.
#include "sandbox/elf.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace sandbox {
namespace {

std::string readelf(const std::string &options, const std::string &file) {
    const std::string command = "readelf " + options + " -W '" + file + "' 2>/dev/null";
    std::string out;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run readelf");
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    if (pclose(pipe) != 0)
        throw std::runtime_error("readelf cannot read " + file);
    return out;
}

} // namespace

std::set<std::string> exported_symbols(const std::string &file) {
    // Columns: Num Value Size Type Bind Vis Ndx Name.
    std::set<std::string> names;
    std::istringstream lines(readelf("--dyn-syms", file));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream f(line);
        std::string num, value, size, type, bind, vis, ndx, name;
        if (f >> num >> value >> size >> type >> bind >> vis >> ndx >> name && num.back() == ':' &&
            ndx != "UND" && (bind == "GLOBAL" || bind == "WEAK"))
            names.insert(name);
    }
    return names;
}

std::set<std::string> needed_libraries(const std::string &file) {
    std::set<std::string> libraries;
    std::istringstream lines(readelf("-d", file));
    for (std::string line; std::getline(lines, line);) {
        const auto from = line.find('[');
        const auto to = line.find(']');
        if (line.find("(NEEDED)") != std::string::npos && from != std::string::npos && to > from)
            libraries.insert(line.substr(from + 1, to - from - 1));
    }
    return libraries;
}

} // namespace sandbox
