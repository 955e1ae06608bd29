// The exported module record and the server table.
#include "host/module.h"
#include "host/panel.h"
#include "host/shader.h"
#include "panel/panel.h"
#include "shader/shader.h"

namespace {

// Non-null to tell the host the module started; never dereferenced.
void *startup() noexcept { return reinterpret_cast<void *>(4); }

void shutdown() noexcept {}

constexpr ServerRecord servers[] = {
    {CLASS_SHADER_HANDLER, "Corvalume", corvalume::activate_handler},
    {CLASS_SHADER_INTERFACE, "Corvalume", corvalume::activate_interface},
    {nullptr, nullptr, nullptr},
};

} // namespace

extern "C" __attribute__((visibility("default"))) const ModuleRecord _mod_descrip = {
    MODULE_MAGIC, MODULE_RECORD_VERSION, MODULE_MACHINE, startup, shutdown, servers,
};
