// The module record, the server table and the activation protocol.
#include <cstring>
#include <vector>

#include "fixture.h"

namespace corvalume_test {
namespace {

TEST(ModuleRecord, HoldsTheHostConstants) {
    const ModuleRecord &r = module().record();
    EXPECT_EQ(r.magic, 0x04121994u);
    EXPECT_EQ(r.record_version, 2u);
    EXPECT_EQ(r.machine, 0x300u);
    ASSERT_NE(r.startup, nullptr);
    ASSERT_NE(r.shutdown, nullptr);
    ASSERT_NE(r.servers, nullptr);
}

TEST(ModuleRecord, StartupReturnsFourEveryTime) {
    const ModuleRecord &r = module().record();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(r.startup(), reinterpret_cast<void *>(4));
    r.shutdown();
    EXPECT_EQ(r.startup(), reinterpret_cast<void *>(4));
}

TEST(ServerTable, ListsTheServersAndEndsWithAnEmptyEntry) {
    ASSERT_TRUE(module().table_terminated());
    const std::vector<const ServerRecord *> servers = module().servers();
    std::vector<std::string> classes;
    for (const ServerRecord *s : servers) {
        classes.emplace_back(s->class_name);
        EXPECT_STREQ(s->server_name, "Corvalume");
        EXPECT_NE(s->activate, nullptr);
    }
    EXPECT_EQ(classes, (std::vector<std::string>{"ShaderHandler", "ShaderInterface"}));
    const ServerRecord &end = module().record().servers[servers.size()];
    EXPECT_EQ(end.server_name, nullptr);
    EXPECT_EQ(end.activate, nullptr);
}

// Every server refuses other versions before it touches anything.
class VersionRule : public HostTest, public testing::WithParamInterface<const char *> {};

TEST_P(VersionRule, RefusesOtherVersionsUntouched) {
    for (int version : {0, 2, -1, 1 << 30}) {
        unsigned char local[256];
        std::memset(local, 0xCD, sizeof local);
        unsigned char before[sizeof local];
        std::memcpy(before, local, sizeof local);
        EXPECT_EQ(host.activate(server(GetParam()), version, local), ACTIVATE_BAD_VERSION)
            << "version " << version;
        EXPECT_EQ(std::memcmp(local, before, sizeof local), 0) << "version " << version;
    }
    EXPECT_TRUE(host.lookups().empty());
    EXPECT_TRUE(host.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(EveryServer, VersionRule,
                         testing::Values(CLASS_SHADER_HANDLER, CLASS_SHADER_INTERFACE));

} // namespace
} // namespace corvalume_test
