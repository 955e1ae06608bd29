// corvalume-sandbox check on the module file and on broken module files,
// each of which the right check must catch.
#include <string>

#include <gtest/gtest.h>

#include "command.h"

namespace corvalume_test {
namespace {

Outcome sandbox_check(const std::string &arguments) { return sandbox_tool("check " + arguments); }

TEST(Check, PassesTheModule) {
#if defined(__SANITIZE_ADDRESS__)
    // This build's module carries the sanitizer runtimes among its needs.
    const Outcome r = sandbox_check("'" CORVALUME_MODULE "' --skip exports");
#else
    const Outcome r = sandbox_check("'" CORVALUME_MODULE "'");
#endif
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
}

TEST(Check, JsonAndSeedReproduceOneCheck) {
    const Outcome r = sandbox_check("'" CORVALUME_MODULE "' --only evaluate --seed 99 --json");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\"seed\": 99"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"name\": \"evaluate\", \"passed\": true"), std::string::npos) << r.out;
}

TEST(Check, RejectsBadArguments) {
    EXPECT_EQ(sandbox_check("").status, 2);
    EXPECT_EQ(sandbox_check("'" CORVALUME_MODULE "' --only nosuchcheck").status, 2);
    EXPECT_EQ(sandbox_check("/nonexistent/module.p").status, 3);
}

struct Broken {
    const char *fixture;
    const char *check;    // the check that must catch it
    const char *evidence; // in that check's line
};

class CheckCatches : public testing::TestWithParam<Broken> {};

TEST_P(CheckCatches, TheFault) {
    const Broken &b = GetParam();
    const std::string file = std::string(CORVALUME_FIXTURES "/broken-") + b.fixture + ".p";
    const Outcome r = sandbox_check("'" + file + "'");
    EXPECT_EQ(r.status, 1) << r.out;
    const std::string line = std::string("FAIL  ") + b.check;
    const auto at = r.out.find(line);
    ASSERT_NE(at, std::string::npos) << r.out;
    const std::string verdict = r.out.substr(at, r.out.find('\n', at) - at);
    EXPECT_NE(verdict.find(b.evidence), std::string::npos) << verdict;
    // The run goes on past a failing or crashing check.
    EXPECT_NE(r.out.find("  panel "), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, CheckCatches,
    testing::Values(Broken{"no_record", "load", "undefined symbol: _mod_descrip"},
                    Broken{"no_terminator", "servers", "no terminating entry"},
                    Broken{"crashing_activation", "services", "killed by signal"},
                    Broken{"nan_evaluate", "evaluate", "became nan"},
                    Broken{"extra_symbol", "exports", "exports corvalume_debug"}),
    [](const testing::TestParamInfo<Broken> &param) { return std::string(param.param.fixture); });

} // namespace
} // namespace corvalume_test
