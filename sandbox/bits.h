// The bit pattern of a double, read through memory: on the 32-bit build a
// double passed through the x87 stack would have a signalling NaN quieted.
#pragma once

#include <cstdint>
#include <cstring>

namespace sandbox {

inline std::uint64_t bits(const double &value) {
    std::uint64_t b;
    std::memcpy(&b, &value, sizeof b);
    return b;
}

} // namespace sandbox
