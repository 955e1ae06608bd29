// What the built module file exports and needs, read from the file itself.
#include <set>
#include <sstream>
#include <string>

#include "command.h"
#include "fixture.h"

namespace corvalume_test {
namespace {

std::string run(const std::string &command) {
    const Outcome r = run_command(command);
    EXPECT_EQ(r.status, 0) << command;
    return r.out;
}

// Defined dynamic symbols: readelf's columns are Num Value Size Type Bind
// Vis Ndx Name.
std::set<std::string> exported(const std::string &file) {
    std::set<std::string> names;
    std::istringstream lines(run("readelf --dyn-syms -W '" + file + "'"));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string num, value, size, type, bind, vis, ndx, name;
        if (!(fields >> num >> value >> size >> type >> bind >> vis >> ndx >> name))
            continue;
        if (num.back() == ':' && ndx != "UND" && (bind == "GLOBAL" || bind == "WEAK"))
            names.insert(name);
    }
    return names;
}

std::set<std::string> needed(const std::string &file) {
    std::set<std::string> libraries;
    std::istringstream lines(run("readelf -d -W '" + file + "'"));
    for (std::string line; std::getline(lines, line);) {
        const auto open = line.find("(NEEDED)");
        const auto from = line.find('[');
        const auto to = line.find(']');
        if (open != std::string::npos && from != std::string::npos && to > from)
            libraries.insert(line.substr(from + 1, to - from - 1));
    }
    return libraries;
}

TEST(ModuleFile, ExportsTheRecordAlone) {
    EXPECT_EQ(exported(CORVALUME_MODULE), std::set<std::string>{"_mod_descrip"});
}

TEST(ModuleFile, NeedsOnlyTheCLibraryAndLibm) {
    std::set<std::string> libraries = needed(CORVALUME_MODULE);
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer build carries its runtimes; the shipped builds do not.
    std::erase_if(libraries, [](const std::string &l) {
        return l.starts_with("libasan") || l.starts_with("libubsan") ||
               l.starts_with("libstdc++") || l.starts_with("libgcc_s");
    });
#endif
    EXPECT_EQ(libraries, (std::set<std::string>{"libc.so.6", "libm.so.6"}));
}

TEST(ModuleFile, IsBuiltForThisPlatform) {
    const std::string header = run("readelf -h -W '" + std::string(CORVALUME_MODULE) + "'");
#if defined(__i386__)
    EXPECT_NE(header.find("ELF32"), std::string::npos);
    EXPECT_NE(header.find("Intel 80386"), std::string::npos);
#else
    EXPECT_NE(header.find("ELF64"), std::string::npos);
#endif
    EXPECT_NE(header.find("DYN"), std::string::npos);
}

} // namespace
} // namespace corvalume_test
