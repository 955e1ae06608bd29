// The sandbox host's services and its record of the module's calls.
#include "sandbox/host.h"

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "host/shader.h"
#include "sandbox/sample.h"

namespace sandbox {
namespace {

// Positions of the service records that the module has no business calling.
template <int Service, int Position> void trap() {
    static constexpr const char *names[] = {SERVICE_MESSAGES, SERVICE_ITEM_INFO, SERVICE_PANELS,
                                            "control"};
    Host::current().report(std::string(names[Service]) + " position " + std::to_string(Position));
}

// Fills slots[i] with the trap for position First + i.
template <int Service, int First, int... I>
void fill_traps(void **slots, std::integer_sequence<int, I...>) {
    ((slots[I] = reinterpret_cast<void *>(&trap<Service, First + I>)), ...);
}

// Service records with room after the positions the module may use; each
// unused position holds a trap.
struct MessageRecord {
    MessageService service;
    void *tail[6];
};

struct ItemInfoRecord {
    ItemInfoService service;
    void *tail[14];
};

struct PanelRecord {
    PanelServices services;
    void *tail[8];
};

struct ControlSlot {
    Control control;
    void *tail[4];
    PanelControl *log;
};

MessageRecord message_record;
ItemInfoRecord item_record;
PanelRecord panel_record;
std::deque<ControlSlot> control_slots;

} // namespace

struct Host::Entries {
    static void *lookup(const char *name, int use) {
        Host &host = current();
        if (Sample::active())
            host.report("lookup during evaluate");
        if (use != 0)
            host.report("lookup with use " + std::to_string(use));
        const std::string service = name ? name : "(null)";
        {
            std::lock_guard<std::mutex> lock(host.mutex_);
            host.lookups_.push_back(service);
            if (host.withdrawn_.count(service))
                return nullptr;
        }
        if (service == SERVICE_MESSAGES)
            return &message_record;
        if (service == SERVICE_ITEM_INFO)
            return &item_record;
        if (service == SERVICE_PANELS)
            return &panel_record;
        host.report("lookup of unknown service " + service);
        return nullptr;
    }

    static void error(const char *first, const char *second) {
        Host &host = current();
        std::lock_guard<std::mutex> lock(host.mutex_);
        host.messages_.push_back({first ? first : "(null)", second ? second : "(null)"});
    }

    static ItemId first(int kind, ItemId parent) {
        Host &host = current();
        if (kind != ITEM_LIGHT || parent)
            host.report("item first with kind " + std::to_string(kind) +
                        (parent ? " and a parent" : ""));
        if (Sample *sample = Sample::active())
            ++sample->first_calls;
        return host.lights.empty() ? nullptr : &host.lights.front();
    }

    static ItemId next(ItemId item) {
        Host &host = current();
        if (Sample *sample = Sample::active())
            ++sample->next_calls;
        const int index = host.light_index(item);
        if (index < 0) {
            host.report("item next with an unknown item");
            return nullptr;
        }
        const std::size_t following = static_cast<std::size_t>(index) + 1;
        return following < host.lights.size() ? &host.lights[following] : nullptr;
    }

    static Panel create_panel(const char *title, PanelServices *services) {
        Host &host = current();
        if (services != &panel_record.services)
            host.report("create_panel without the services record");
        host.panel_log_.titles.push_back(title ? title : "(null)");
        if (host.panel.fail_create)
            return nullptr;
        ++host.panel_log_.created;
        return &host.panel_token_;
    }

    static bool is_panel(Host &host, Panel panel, const char *what) {
        if (panel == &host.panel_token_)
            return true;
        host.report(std::string(what) + " on an unknown panel");
        return false;
    }

    static void destroy_panel(Panel panel) {
        Host &host = current();
        if (is_panel(host, panel, "destroy_panel"))
            ++host.panel_log_.destroyed;
    }

    static int open(Panel panel, int flags) {
        Host &host = current();
        if (!is_panel(host, panel, "open"))
            return 0;
        host.panel_log_.open_flags.push_back(flags);
        return host.panel.accept ? 1 : 0;
    }

    static Control *add_control(Panel panel, const char *type, ControlDescription *description,
                                const char *label) {
        Host &host = current();
        if (!is_panel(host, panel, "add_control"))
            return nullptr;
        PanelLog &log = host.panel_log_;
        if (++log.add_calls == host.panel.fail_control)
            return nullptr;
        PanelControl &control = log.controls.emplace_back();
        control.type = type ? type : "(null)";
        control.label = label ? label : "(null)";
        if (description)
            control.description = *description;
        ControlSlot &slot = control_slots.emplace_back();
        slot.control.position1 = reinterpret_cast<void *>(&trap<3, 1>);
        slot.control.get = get;
        slot.control.set = set;
        fill_traps<3, 4>(slot.tail, std::make_integer_sequence<int, 4>{});
        slot.log = &control;
        return &slot.control;
    }

    static PanelControl *checked(Host &host, Control *control, int attribute,
                                 const ControlValue *value, const char *what) {
        if (attribute != CONTROL_VALUE)
            host.report(std::string(what) + " of attribute " + std::to_string(attribute));
        if (!value || value->type != VALUE_FLOAT) {
            host.report(std::string(what) + " without a floating-point value record");
            return nullptr;
        }
        for (ControlSlot &slot : control_slots)
            if (&slot.control == control)
                return slot.log;
        host.report(std::string(what) + " on an unknown control");
        return nullptr;
    }

    static void get(Control *control, int attribute, ControlValue *value) {
        Host &host = current();
        PanelControl *log = checked(host, control, attribute, value, "get");
        if (!log)
            return;
        ++log->reads;
        const auto typed = host.panel.typed.find(log->label);
        if (typed != host.panel.typed.end())
            value->value = typed->second;
        else if (!log->shown.empty())
            value->value = log->shown.back();
    }

    static void set(Control *control, int attribute, ControlValue *value) {
        Host &host = current();
        if (PanelControl *log = checked(host, control, attribute, value, "set"))
            log->shown.push_back(value->value);
    }
};

Host::Host() {
    if (current_)
        throw std::logic_error("one sandbox host at a time");
    current_ = this;

    message_record = {};
    message_record.service.position1 = reinterpret_cast<void *>(&trap<0, 1>);
    message_record.service.error = Entries::error;
    fill_traps<0, 3>(message_record.tail, std::make_integer_sequence<int, 6>{});

    item_record = {};
    item_record.service.first = Entries::first;
    item_record.service.next = Entries::next;
    fill_traps<1, 3>(item_record.tail, std::make_integer_sequence<int, 14>{});

    panel_record = {};
    PanelServices &panels = panel_record.services;
    panels.create_panel = Entries::create_panel;
    panels.destroy_panel = Entries::destroy_panel;
    panels.open = Entries::open;
    panels.add_control = Entries::add_control;
    fill_traps<2, 4>(panels.positions4to8, std::make_integer_sequence<int, 5>{});
    fill_traps<2, 10>(panels.positions10to12, std::make_integer_sequence<int, 3>{});
    fill_traps<2, 14>(panel_record.tail, std::make_integer_sequence<int, 8>{});
    control_slots.clear();
}

Host::~Host() { current_ = nullptr; }

GlobalLookup Host::lookup() const { return Entries::lookup; }

void Host::withdraw(const std::string &service) {
    std::lock_guard<std::mutex> lock(mutex_);
    withdrawn_.insert(service);
}

int Host::activate(const ServerRecord &server, int version, void *local) {
    panel_log_.stored_lookup = nullptr;
    panel_record.services.global_lookup = nullptr;
    const int result = server.activate(version, lookup(), local, nullptr);
    panel_log_.stored_lookup = panel_record.services.global_lookup;
    return result;
}

std::vector<Message> Host::messages() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return messages_;
}

std::vector<std::string> Host::lookups() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lookups_;
}

std::vector<std::string> Host::unexpected() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return unexpected_;
}

void Host::report(const std::string &what) {
    std::lock_guard<std::mutex> lock(mutex_);
    unexpected_.push_back(what);
}

} // namespace sandbox
