// The options panel server.
#pragma once

#include "host/module.h"

namespace corvalume {

int activate_interface(int version, GlobalLookup global_lookup, void *local,
                       void *server_data) noexcept;

} // namespace corvalume
