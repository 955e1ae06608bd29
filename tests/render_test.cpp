// corvalume-sandbox render: a preview image, and its command-line manners.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "command.h"

namespace corvalume_test {
namespace {

class Render : public testing::Test {
  protected:
    void TearDown() override { std::remove(file.c_str()); }
    // One file per test process: CTest runs tests side by side.
    std::string file = testing::TempDir() + "corvalume-render-" + std::to_string(getpid()) + ".png";
};

#if !defined(__i386__)
std::vector<unsigned char> slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t big_endian(const std::vector<unsigned char> &b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
           std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

TEST_F(Render, WritesAPngOfTheRequestedSize) {
    for (const char *extra : {"", "--composite --light 1,0,1 --light -1,0,1", "--sheet"}) {
        const Outcome r =
            sandbox_tool("render '" CORVALUME_MODULE "' --size 48 -o '" + file + "' " + extra);
        ASSERT_EQ(r.status, 0) << r.out;
        const std::vector<unsigned char> png = slurp(file);
        ASSERT_GT(png.size(), 24u);
        EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
        // Spheres of 48 pixels, their gaps and labels, and the colour bar.
        EXPECT_GT(big_endian(png, 16), 48u) << extra;
        EXPECT_GT(big_endian(png, 20), 48u) << extra;
    }
}

TEST_F(Render, ReportsAFileItCannotWrite) {
    const Outcome r = sandbox_tool("render '" CORVALUME_MODULE "' --size 16 -o /nonexistent/x.png");
    EXPECT_EQ(r.status, 4) << r.out;
    EXPECT_NE(r.out.find("cannot write"), std::string::npos) << r.out;
}
#endif

TEST_F(Render, RejectsBadArguments) {
    const std::string module = "'" CORVALUME_MODULE "' ";
    const std::vector<std::string> bad = {"render",
                                          "render " + module,
                                          "render " + module + "-o",
                                          "render " + module + "-o x.png --light 1,2",
                                          "render " + module + "-o x.png --size 2",
                                          "render " + module + "-o x.png --sheen lots",
                                          "nosuchcommand"};
    for (const std::string &args : bad)
        EXPECT_EQ(sandbox_tool(args).status, 2) << args;
    const Outcome missing = sandbox_tool("render /nonexistent.p -o '" + file + "'");
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.out.find("cannot open shared object file"), std::string::npos) << missing.out;
}

TEST(Help, EveryCommandHasIt) {
    for (const char *command : {"--help", "info --help", "check --help", "render --help"}) {
        const Outcome r = sandbox_tool(command);
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find("usage: corvalume-sandbox"), std::string::npos) << command;
    }
}

} // namespace
} // namespace corvalume_test
