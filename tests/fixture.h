// Shared set-up: the module file loaded once, a fresh sandbox host per test.
#pragma once

#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "host/shader.h"
#include "sandbox/bits.h"
#include "sandbox/host.h"
#include "sandbox/module.h"
#include "shader/instance.h"

namespace corvalume_test {

// The module under test, loaded through the operating system's loader.
inline sandbox::Module &module() {
    static std::unique_ptr<sandbox::Module> loaded = [] {
        std::string error;
        auto m = sandbox::Module::open(CORVALUME_MODULE, &error);
        if (!m) {
            ADD_FAILURE() << "cannot load " << CORVALUME_MODULE << ": " << error;
            std::abort();
        }
        return m;
    }();
    return *loaded;
}

inline const ServerRecord &server(const char *class_name) {
    const ServerRecord *s = module().server(class_name);
    if (!s) {
        ADD_FAILURE() << "no server of class " << class_name;
        std::abort();
    }
    return *s;
}

// The two parameters of an instance, as the module lays them out.
inline ShaderInstance &params(Instance instance) {
    return *static_cast<ShaderInstance *>(instance);
}

using sandbox::bits;

// A host, the shader handler activated on it, and a call log that must
// stay free of unexpected calls.
class HostTest : public testing::Test {
  protected:
    void TearDown() override {
        for (const std::string &call : host.unexpected())
            ADD_FAILURE() << "unexpected call: " << call;
    }

    sandbox::Host host;
};

class ShaderTest : public HostTest {
  protected:
    void SetUp() override {
        ASSERT_EQ(host.activate(server(CLASS_SHADER_HANDLER), 1, &ops), ACTIVATE_OK);
    }

    // An instance released at the end of the test.
    Instance make() {
        Instance i = ops.create();
        EXPECT_NE(i, nullptr);
        owned.emplace_back(i, ops.destroy);
        return i;
    }

    ShaderOperations ops{};
    std::vector<std::unique_ptr<void, void (*)(Instance)>> owned;
};

} // namespace corvalume_test
