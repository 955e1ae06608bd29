// The options panel: a modal "Shader Options" panel with the two
// parameters as percentages, written back only when the user accepts.
#include "host/panel.h"
#include "host/services.h"
#include "panel/panel.h"
#include "shader/instance.h"

namespace corvalume {
namespace {

// Records the panel services read from module storage; refilled before
// each use.  Activations of this server never overlap.
ControlDescription description;
ControlValue value = {VALUE_FLOAT, {}, 0.0, {}};

constexpr double to_percent = 100.0;
constexpr double from_percent = 0.01;

Control *add_percent(const PanelServices &panels, Panel panel, const char *label) {
    description = {DESCRIPTION_RANGE, 0, 0, 100};
    return panels.add_control(panel, CONTROL_PERCENT, &description, label);
}

void show(Control *control, double parameter) {
    value.value = parameter * to_percent;
    control->set(control, CONTROL_VALUE, &value);
}

void take(Control *control, double *parameter) {
    control->get(control, CONTROL_VALUE, &value);
    *parameter = value.value * from_percent;
}

} // namespace

int activate_interface(int version, GlobalLookup global_lookup, void *local, void *) noexcept {
    if (version != ACTIVATE_VERSION)
        return ACTIVATE_BAD_VERSION;

    const auto *messages = static_cast<const MessageService *>(global_lookup(SERVICE_MESSAGES, 0));
    if (!messages)
        return ACTIVATE_NO_SERVICE;
    auto *panels = static_cast<PanelServices *>(global_lookup(SERVICE_PANELS, 0));
    if (!panels) {
        messages->error("Unable to activate global LWPanelServices",
                        "please add plugin lwpanels.p");
        return ACTIVATE_NO_SERVICE;
    }
    const Panel panel = panels->create_panel("Shader Options", panels);
    if (!panel) {
        messages->error("LWPanel error", "Unable to create main panel");
        return ACTIVATE_NO_SERVICE;
    }
    panels->global_lookup = global_lookup;

    Control *roughness = add_percent(*panels, panel, "Roughness");
    Control *sheen = roughness ? add_percent(*panels, panel, "Sheen") : nullptr;
    if (!roughness || !sheen) {
        messages->error("LWPanel error", "Can't add control");
        panels->destroy_panel(panel);
        return ACTIVATE_OK;
    }

    auto *instance = static_cast<ShaderInstance *>(local);
    show(roughness, instance->roughness);
    show(sheen, instance->sheen);
    if (panels->open(panel, PANEL_OPEN_FLAGS)) {
        take(roughness, &instance->roughness);
        take(sheen, &instance->sheen);
    }
    panels->destroy_panel(panel);
    return ACTIVATE_OK;
}

} // namespace corvalume
