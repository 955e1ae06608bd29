// Storing and restoring an instance's two parameters.
//
// Binary: roughness then sheen, 8 bytes each, as they lie in memory.
// Text: one item per parameter, the shortest decimal that reads back to
// the same bits, NUL included in the transfer.  A text item that is not a
// number leaves its parameter as it was.
#include <cstdint>
#include <cstring>

#include "shader/decimal.h"
#include "shader/shader.h"

namespace corvalume {
namespace {

// Most bytes the host may deliver for one text item.
constexpr int item_limit = 50;

static_assert(exact_text_size <= item_limit, "a text item must fit the host's limit");

} // namespace

ErrorText save(Instance instance, const SaveState *state) noexcept {
    if (!state || !state->write)
        return nullptr;
    ShaderInstance *self = as_instance(instance);
    double *const parameters[] = {&self->roughness, &self->sheen};
    for (double *parameter : parameters) {
        if (state->mode == STATE_BINARY) {
            state->write(state->data, parameter, sizeof *parameter);
        } else {
            std::uint64_t bits;
            std::memcpy(&bits, parameter, sizeof bits);
            char text[exact_text_size];
            const std::size_t length = format_exact(text, bits);
            state->write(state->data, text, static_cast<int>(length + 1));
        }
    }
    return nullptr;
}

ErrorText load(Instance instance, const LoadState *state) noexcept {
    if (!state || !state->read)
        return nullptr;
    ShaderInstance *self = as_instance(instance);
    double *const parameters[] = {&self->roughness, &self->sheen};
    for (double *parameter : parameters) {
        if (state->mode == STATE_BINARY) {
            state->read(state->data, parameter, sizeof *parameter);
        } else {
            // Zeroed, so that a transfer that delivers nothing reads as empty.
            char item[item_limit] = {};
            state->read(state->data, item, item_limit);
            std::uint64_t bits;
            if (parse_exact(item, strnlen(item, item_limit), &bits))
                std::memcpy(parameter, &bits, sizeof bits);
        }
    }
    return nullptr;
}

} // namespace corvalume
