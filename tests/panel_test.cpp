// The options panel: the parameters edited as percentages.
#include <cstring>

#include "fixture.h"

namespace corvalume_test {
namespace {

using sandbox::Message;

class Panel : public ShaderTest {
  protected:
    void SetUp() override {
        ShaderTest::SetUp();
        instance = make();
    }

    int edit() { return host.activate(server(CLASS_SHADER_INTERFACE), 1, instance); }

    // The lookups the interface made, past the handler's.
    std::vector<std::string> own_lookups() const {
        std::vector<std::string> all = host.lookups();
        return {all.begin() + 2, all.end()};
    }

    Instance instance = nullptr;
};

TEST_F(Panel, ShowsTheParametersAsPercentages) {
    host.panel.accept = false;
    EXPECT_EQ(edit(), ACTIVATE_OK);
    const sandbox::PanelLog &log = host.panel_log();
    EXPECT_EQ(own_lookups(), (std::vector<std::string>{"Info Messages", "LWPanelServices"}));
    EXPECT_EQ(log.titles, std::vector<std::string>{"Shader Options"});
    EXPECT_EQ(log.stored_lookup, host.lookup());
    ASSERT_EQ(log.controls.size(), 2u);
    const char *labels[] = {"Roughness", "Sheen"};
    const double shown[] = {30, 57.99999999999999};
    for (int i = 0; i < 2; ++i) {
        const sandbox::PanelControl &c = log.controls[i];
        EXPECT_EQ(c.type, "PercentControl");
        EXPECT_EQ(c.label, labels[i]);
        EXPECT_EQ(c.description.code, 15);
        EXPECT_EQ(c.description.zero, 0);
        EXPECT_EQ(c.description.minimum, 0);
        EXPECT_EQ(c.description.maximum, 100);
        EXPECT_EQ(c.shown, std::vector<double>{shown[i]}) << labels[i];
    }
    EXPECT_EQ(log.open_flags, std::vector<int>{7});
    EXPECT_EQ(log.created, 1);
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(Panel, AcceptingSetsTheTypedValues) {
    struct Case {
        double roughness, sheen; // typed, in percent
        double expected_r, expected_k;
    };
    const Case cases[] = {
        {45, 100, 0.45, 1},
        {30, 57, 0.3, 0.5700000000000001},
        {0, 0, 0, 0},
        {-20, 250, -0.2, 2.5}, // the panel's range is not enforced here
    };
    for (const Case &c : cases) {
        host.panel.typed = {{"Roughness", c.roughness}, {"Sheen", c.sheen}};
        EXPECT_EQ(edit(), ACTIVATE_OK);
        EXPECT_EQ(bits(params(instance).roughness), bits(c.expected_r)) << c.roughness;
        EXPECT_EQ(bits(params(instance).sheen), bits(c.expected_k)) << c.sheen;
        EXPECT_EQ(bits(params(instance).sheen), bits(c.sheen * 0.01));
    }
    EXPECT_EQ(host.panel_log().created, host.panel_log().destroyed);
}

TEST_F(Panel, CancellingChangesNothing) {
    params(instance).roughness = 0.1 + 0.2;
    params(instance).sheen = 1.0 / 3;
    const ShaderInstance before = params(instance);
    host.panel.accept = false;
    host.panel.typed = {{"Roughness", 90}, {"Sheen", 10}};
    EXPECT_EQ(edit(), ACTIVATE_OK);
    EXPECT_EQ(std::memcmp(&before, &params(instance), sizeof before), 0);
    for (const sandbox::PanelControl &c : host.panel_log().controls)
        EXPECT_EQ(c.reads, 0);
}

struct Failure {
    const char *name;
    const char *withdrawn;
    bool fail_create;
    int fail_control;
    int result;
    std::vector<Message> messages;
    int add_calls;
    int destroyed;
};

const Failure failures[] = {
    {"NoMessages", SERVICE_MESSAGES, false, 0, 2, {}, 0, 0},
    {"NoPanelServices",
     SERVICE_PANELS,
     false,
     0,
     2,
     {{"Unable to activate global LWPanelServices", "please add plugin lwpanels.p"}},
     0,
     0},
    {"PanelNotCreated",
     nullptr,
     true,
     0,
     2,
     {{"LWPanel error", "Unable to create main panel"}},
     0,
     0},
    {"FirstControl", nullptr, false, 1, 0, {{"LWPanel error", "Can't add control"}}, 1, 1},
    {"SecondControl", nullptr, false, 2, 0, {{"LWPanel error", "Can't add control"}}, 2, 1},
};

class PanelFailure : public Panel, public testing::WithParamInterface<Failure> {};

TEST_P(PanelFailure, IsReportedAndCleanedUp) {
    const Failure &c = GetParam();
    if (c.withdrawn)
        host.withdraw(c.withdrawn);
    host.panel.fail_create = c.fail_create;
    host.panel.fail_control = c.fail_control;
    host.panel.typed = {{"Roughness", 90}, {"Sheen", 90}};
    EXPECT_EQ(edit(), c.result);
    EXPECT_EQ(host.messages(), c.messages);
    EXPECT_EQ(host.panel_log().add_calls, c.add_calls);
    EXPECT_EQ(host.panel_log().destroyed, c.destroyed);
    EXPECT_TRUE(host.panel_log().open_flags.empty());
    EXPECT_EQ(params(instance).roughness, 0.3);
    EXPECT_EQ(params(instance).sheen, 0.58);
}

INSTANTIATE_TEST_SUITE_P(Each, PanelFailure, testing::ValuesIn(failures),
                         [](const testing::TestParamInfo<Failure> &param) {
                             return std::string(param.param.name);
                         });

} // namespace
} // namespace corvalume_test
