// A host of our own: the services the module looks up, scripted lights and
// a scripted options panel, with a record of everything the module asked.
//
// One Host exists at a time; the module reaches it only through the
// function pointers it hands out.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/module.h"
#include "host/panel.h"
#include "host/services.h"

namespace sandbox {

struct Message {
    std::string first;
    std::string second;
    bool operator==(const Message &) const = default;
};

// A light of the scene, as the light function reports it.
// One cache line each, which also keeps identifier arithmetic cheap.
struct alignas(64) Light {
    double direction[3] = {0, 0, 1};
    int result = 1; // what the light function returns: 0 means no contribution
    double second[3] = {std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::quiet_NaN()};
};

// How the panel services and the user behave.
struct PanelScript {
    bool fail_create = false;
    int fail_control = 0; // the n-th add_control fails, counted from 1; 0 for none
    bool accept = true;
    std::map<std::string, double> typed; // label -> value the user enters
};

// What the module asked of one control.
struct PanelControl {
    std::string type;
    std::string label;
    ControlDescription description{};
    std::vector<double> shown; // values handed to set
    int reads = 0;             // get calls
};

// What the module asked of the panel services.
struct PanelLog {
    std::vector<std::string> titles;
    int created = 0;
    int destroyed = 0;
    int add_calls = 0;
    std::vector<int> open_flags;
    std::deque<PanelControl> controls;
    GlobalLookup stored_lookup = nullptr; // position 13 of the services record
};

class Host {
  public:
    Host();
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    static Host &current() { return *current_; }

    // The lookup function handed to activations.
    GlobalLookup lookup() const;

    // Makes a service unavailable from now on.
    void withdraw(const std::string &service);

    int activate(const ServerRecord &server, int version, void *local);

    std::vector<Light> lights;
    PanelScript panel;

    std::vector<Message> messages() const;
    std::vector<std::string> lookups() const;
    std::vector<std::string> unexpected() const;
    const PanelLog &panel_log() const { return panel_log_; }

    // Index of a light identifier, or -1 when it is none of ours.
    int light_index(ItemId item) const {
        const auto at = reinterpret_cast<std::uintptr_t>(item);
        const auto begin = reinterpret_cast<std::uintptr_t>(lights.data());
        const std::size_t index = (at - begin) / sizeof(Light);
        if (at < begin || index >= lights.size() || (at - begin) % sizeof(Light) != 0)
            return -1;
        return static_cast<int>(index);
    }

    // Records a call the host did not expect.
    void report(const std::string &what);

    // Entry points handed to the module; public for the record builders.
    struct Entries;

  private:
    friend struct Entries;

    static inline Host *current_ = nullptr;

    mutable std::mutex mutex_;
    std::set<std::string> withdrawn_;
    std::vector<Message> messages_;
    std::vector<std::string> lookups_;
    std::vector<std::string> unexpected_;
    PanelLog panel_log_;
    int panel_token_ = 0;
};

} // namespace sandbox
