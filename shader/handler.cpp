// The shader server's activation, its operation table and the simple
// operations on instances.
#include <cstdlib>
#include <cstring>

#include "shader/decimal.h"
#include "shader/instance.h"
#include "shader/shader.h"

namespace corvalume {

const ItemInfoService *item_info = nullptr;

namespace {

Instance create() noexcept {
    auto *instance = static_cast<ShaderInstance *>(std::malloc(sizeof(ShaderInstance)));
    if (instance) {
        instance->roughness = DEFAULT_ROUGHNESS;
        instance->sheen = DEFAULT_SHEEN;
    }
    return instance;
}

void destroy(Instance instance) noexcept { std::free(instance); }

ErrorText copy(Instance from, Instance to) noexcept {
    if (from && to && from != to)
        std::memcpy(to, from, sizeof(ShaderInstance));
    return nullptr;
}

ErrorText no_error() noexcept { return nullptr; }

void nothing() noexcept {}

int flags() noexcept { return SHADER_FLAGS; }

const char *describe(Instance instance) noexcept {
    static constexpr char head[] = "Corvalume:roughness:";
    static constexpr char middle[] = " sheen: ";
    ShaderInstance *self = as_instance(instance);
    char *p = self->description;
    char *const end = p + sizeof self->description - 1;
    std::memcpy(p, head, sizeof head - 1);
    p = format_general(p + sizeof head - 1, end, self->roughness);
    std::memcpy(p, middle, sizeof middle - 1);
    p = format_general(p + sizeof middle - 1, end, self->sheen);
    *p = '\0';
    return self->description;
}

} // namespace

int activate_handler(int version, GlobalLookup global_lookup, void *local, void *) noexcept {
    if (version != ACTIVATE_VERSION)
        return ACTIVATE_BAD_VERSION;

    auto *table = static_cast<ShaderOperations *>(local);
    table->create = create;
    table->destroy = destroy;
    table->copy = copy;
    table->load = load;
    table->save = save;
    table->position6 = no_error;
    table->position7 = nothing;
    table->position8 = no_error;
    table->evaluate = evaluate;
    table->flags = flags;
    table->describe = describe;

    const auto *messages = static_cast<const MessageService *>(global_lookup(SERVICE_MESSAGES, 0));
    if (!messages)
        return ACTIVATE_NO_SERVICE;
    item_info = static_cast<const ItemInfoService *>(global_lookup(SERVICE_ITEM_INFO, 0));
    if (!item_info) {
        messages->error("Error", "Unable to get Item Infomation");
        return ACTIVATE_NO_SERVICE;
    }
    return ACTIVATE_OK;
}

} // namespace corvalume
