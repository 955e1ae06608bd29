// The shader server: its activation and the operations it hands the host.
#pragma once

#include "host/module.h"
#include "host/services.h"
#include "host/shader.h"
#include "shader/instance.h"

namespace corvalume {

// Item-info service kept by the last handler activation, read by evaluate.
extern const ItemInfoService *item_info;

inline ShaderInstance *as_instance(Instance instance) {
    return static_cast<ShaderInstance *>(instance);
}

int activate_handler(int version, GlobalLookup global_lookup, void *local,
                     void *server_data) noexcept;

void evaluate(Instance instance, ShadingRecord *record) noexcept;
ErrorText load(Instance instance, const LoadState *state) noexcept;
ErrorText save(Instance instance, const SaveState *state) noexcept;

} // namespace corvalume
