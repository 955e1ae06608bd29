// Transfer functions of the sandbox's parameter store.
#include "sandbox/store.h"

#include <algorithm>
#include <cstring>

namespace sandbox {

int Store::write(void *data, const void *buffer, int length) {
    auto *store = static_cast<Store *>(data);
    const auto *bytes = static_cast<const std::uint8_t *>(buffer);
    store->writes.emplace_back(bytes, bytes + std::max(length, 0));
    return length;
}

int Store::read(void *data, void *buffer, int length) {
    auto *store = static_cast<Store *>(data);
    store->read_limits.push_back(length);
    if (store->items.empty() || length <= 0)
        return 0;
    const Bytes item = std::move(store->items.front());
    store->items.pop_front();
    const std::size_t n = std::min(item.size(), static_cast<std::size_t>(length));
    if (n > 0)
        std::memcpy(buffer, item.data(), n);
    return static_cast<int>(n);
}

} // namespace sandbox
