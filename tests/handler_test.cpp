// The shader server's activation, its operation table and the simple
// operations on instances.
#include <cmath>
#include <cstdio>
#include <limits>

#include "fixture.h"
#include "locale.h"
#include "sandbox/heap.h"

namespace corvalume_test {
namespace {

using sandbox::Message;

class HandlerActivation : public HostTest {
  protected:
    int activate() { return host.activate(server(CLASS_SHADER_HANDLER), 1, &ops); }
    void expect_table_filled() {
        void *const *position = reinterpret_cast<void *const *>(&ops);
        for (int i = 0; i < 11; ++i)
            EXPECT_NE(position[i], nullptr) << "position " << i + 1;
        EXPECT_EQ(ops.position6, ops.position8);
    }

    ShaderOperations ops{};
};

TEST_F(HandlerActivation, FillsTheTableAndLooksUpItsServices) {
    EXPECT_EQ(activate(), ACTIVATE_OK);
    expect_table_filled();
    EXPECT_EQ(host.lookups(), (std::vector<std::string>{"Info Messages", "LW Item Info 2"}));
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(HandlerActivation, WithoutMessagesFailsSilently) {
    host.withdraw(SERVICE_MESSAGES);
    EXPECT_EQ(activate(), ACTIVATE_NO_SERVICE);
    expect_table_filled();
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(HandlerActivation, WithoutItemInfoTellsTheUser) {
    host.withdraw(SERVICE_ITEM_INFO);
    EXPECT_EQ(activate(), ACTIVATE_NO_SERVICE);
    expect_table_filled();
    EXPECT_EQ(host.messages(), (std::vector<Message>{{"Error", "Unable to get Item Infomation"}}));
}

using Operations = ShaderTest;

TEST_F(Operations, FreshInstanceHasTheDefaults) {
    Instance i = make();
    EXPECT_EQ(bits(params(i).roughness), bits(0.3));
    EXPECT_EQ(bits(params(i).sheen), bits(0.58));
    EXPECT_STREQ(ops.describe(i), "Corvalume:roughness:0.3 sheen: 0.58");
}

TEST_F(Operations, CreateReturnsNullWhenMemoryRunsOut) {
    sandbox::heap::fail_next(1);
    Instance i = ops.create();
    sandbox::heap::fail_next(0);
    EXPECT_EQ(i, nullptr);
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(host.lookups().size(), 2u); // the activation's, no more
}

TEST_F(Operations, ReportFlagsAndDoNothingElsewhere) {
    Instance i = make();
    params(i).roughness = 0.7;
    const ShaderInstance before = params(i);
    EXPECT_EQ(ops.flags(), 8);
    EXPECT_EQ(ops.position6(), nullptr);
    ops.position7();
    EXPECT_EQ(ops.position8(), nullptr);
    EXPECT_EQ(std::memcmp(&before, &params(i), sizeof before), 0);
}

TEST_F(Operations, CopyOverwritesEverythingAndLeavesTheSourceAlone) {
    Instance a = make();
    Instance b = make();
    params(a).roughness = 0.25;
    params(a).sheen = 1;
    const char *text = ops.describe(a);
    EXPECT_EQ(ops.copy(a, b), nullptr);
    EXPECT_EQ(std::memcmp(&params(a), &params(b), sizeof(ShaderInstance)), 0);
    EXPECT_STREQ(params(b).description, "Corvalume:roughness:0.25 sheen: 1");
    EXPECT_STREQ(ops.describe(b), text);

    params(a).sheen = 0.5;
    EXPECT_EQ(params(b).sheen, 1.0);
    EXPECT_EQ(ops.copy(a, a), nullptr);
    EXPECT_EQ(params(a).sheen, 0.5);
}

// describe writes "%g" as the C locale does, whatever locale is set.
TEST_F(Operations, DescribeMatchesTheCFormatInEveryLocale) {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {
        0.3,      0.58,      0.25,    1,         0,    -0.0,
        1e-5,     123456,    1234567, 0.1 + 0.2, -2,   150,
        1e300,    -1e-300,   5e-324,  inf,       -inf, std::numeric_limits<double>::quiet_NaN(),
        0.999999, 0.9999995, 100000,  999999.5};
    Instance i = make();
    for (const char *locale : {"C", comma_locale}) {
        ScopedLocale scoped(locale);
        for (double r : values) {
            params(i).roughness = r;
            params(i).sheen = -r;
            char expected[128];
            {
                ScopedLocale c("C");
                std::snprintf(expected, sizeof expected, "Corvalume:roughness:%g sheen: %g", r, -r);
            }
            const long made = sandbox::heap::allocations();
            EXPECT_STREQ(ops.describe(i), expected) << "in " << locale;
            EXPECT_EQ(sandbox::heap::allocations(), made);
            EXPECT_EQ(ops.describe(i), params(i).description);
        }
    }
}

} // namespace
} // namespace corvalume_test
