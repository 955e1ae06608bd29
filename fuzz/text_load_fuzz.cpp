// Feeds arbitrary bytes to the text form of load, through the sandbox
// host: it must never crash, and every value it sets must save and load
// back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "host/shader.h"
#include "sandbox/bits.h"
#include "sandbox/host.h"
#include "sandbox/module.h"
#include "sandbox/store.h"
#include "shader/instance.h"

namespace {

struct Fixture {
    Fixture() {
        std::string error;
        module = sandbox::Module::open(CORVALUME_MODULE, &error);
        if (!module || host.activate(*module->server(CLASS_SHADER_HANDLER), 1, &ops) != 0)
            std::abort();
        instance = ops.create();
        copy = ops.create();
    }

    std::unique_ptr<sandbox::Module> module;
    sandbox::Host host;
    ShaderOperations ops{};
    Instance instance = nullptr;
    Instance copy = nullptr;
};

Fixture *fixture = nullptr;

constexpr std::uint64_t sentinel = 0x7ff4dead0000beefu;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fixture = new Fixture;
    return 0;
}

// The input is split at its first 0xFF byte into the two items; each is
// delivered as it stands, with or without a NUL.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Fixture &f = *fixture;
    const std::uint8_t *split = static_cast<const std::uint8_t *>(std::memchr(data, 0xFF, size));
    const std::size_t first = split ? static_cast<std::size_t>(split - data) : size;
    sandbox::Store store;
    store.items.emplace_back(data, data + first);
    if (split)
        store.items.emplace_back(split + 1, data + size);

    auto *p = static_cast<ShaderInstance *>(f.instance);
    std::memcpy(&p->roughness, &sentinel, 8);
    std::memcpy(&p->sheen, &sentinel, 8);
    const LoadState load = store.loading(1);
    if (f.ops.load(f.instance, &load) != nullptr || store.read_limits.size() != 2)
        std::abort();

    sandbox::Store saved;
    const SaveState save = saved.saving(1);
    f.ops.save(f.instance, &save);
    saved.rewind();
    const LoadState reload = saved.loading(1);
    f.ops.load(f.copy, &reload);
    const auto *q = static_cast<ShaderInstance *>(f.copy);
    if (sandbox::bits(p->roughness) != sandbox::bits(q->roughness) ||
        sandbox::bits(p->sheen) != sandbox::bits(q->sheen))
        std::abort();
    return 0;
}
