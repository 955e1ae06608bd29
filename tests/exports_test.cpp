// What the built module file exports and needs, read from the file itself.
#include <set>
#include <string>

#include "command.h"
#include "fixture.h"
#include "sandbox/elf.h"

namespace corvalume_test {
namespace {

TEST(ModuleFile, ExportsTheRecordAlone) {
    EXPECT_EQ(sandbox::exported_symbols(CORVALUME_MODULE), std::set<std::string>{"_mod_descrip"});
}

TEST(ModuleFile, NeedsOnlyTheCLibraryAndLibm) {
    std::set<std::string> libraries = sandbox::needed_libraries(CORVALUME_MODULE);
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
    const Outcome r = run_command("readelf -h -W '" CORVALUME_MODULE "'");
    ASSERT_EQ(r.status, 0);
    const std::string &header = r.out;
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
