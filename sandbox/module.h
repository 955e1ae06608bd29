// Loads a module file the way the host does and reads its record.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/module.h"

namespace sandbox {

class Module {
  public:
    // Longest server table the host walks before it gives up.
    static constexpr int table_bound = 64;

    // The module at `path`, or null with the loader's message in `error`.
    static std::unique_ptr<Module> open(const std::string &path, std::string *error);

    ~Module();
    Module(const Module &) = delete;
    Module &operator=(const Module &) = delete;

    const ModuleRecord &record() const { return *record_; }

    // The entries before the terminating one, at most table_bound of them.
    std::vector<const ServerRecord *> servers() const;

    // True when a terminating entry lies within table_bound entries.
    bool table_terminated() const;

    // The first server of this class, or null.
    const ServerRecord *server(const char *class_name) const;

  private:
    Module(void *handle, const ModuleRecord *record) : handle_(handle), record_(record) {}

    void *handle_;
    const ModuleRecord *record_;
};

} // namespace sandbox
