// Loading a module file through the operating system's loader.
#include "sandbox/module.h"

#include <cstring>
#include <dlfcn.h>

namespace sandbox {

std::unique_ptr<Module> Module::open(const std::string &path, std::string *error) {
    void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        *error = dlerror();
        return nullptr;
    }
    dlerror();
    const auto *record = static_cast<const ModuleRecord *>(dlsym(handle, MODULE_SYMBOL));
    if (!record) {
        const char *message = dlerror();
        *error = message ? message : "the module record is null";
        dlclose(handle);
        return nullptr;
    }
    return std::unique_ptr<Module>(new Module(handle, record));
}

Module::~Module() { dlclose(handle_); }

std::vector<const ServerRecord *> Module::servers() const {
    std::vector<const ServerRecord *> found;
    const ServerRecord *entry = record_->servers;
    for (int i = 0; entry && i < table_bound && entry[i].class_name; ++i)
        found.push_back(&entry[i]);
    return found;
}

bool Module::table_terminated() const {
    const ServerRecord *entry = record_->servers;
    for (int i = 0; entry && i < table_bound; ++i)
        if (!entry[i].class_name)
            return true;
    return false;
}

const ServerRecord *Module::server(const char *class_name) const {
    for (const ServerRecord *entry : servers())
        if (std::strcmp(entry->class_name, class_name) == 0)
            return entry;
    return nullptr;
}

} // namespace sandbox
