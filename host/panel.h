/* The host's panel services, used by the options panel. */
#ifndef HOST_PANEL_H
#define HOST_PANEL_H

#include <stdint.h>

#include "host/layout.h"
#include "host/module.h"

#ifdef __cplusplus
extern "C" {
#endif

#define CLASS_SHADER_INTERFACE "ShaderInterface"
#define SERVICE_PANELS "LWPanelServices"
#define CONTROL_PERCENT "PercentControl"

/* Flags passed to `open`, and the attribute that holds a control's value. */
#define PANEL_OPEN_FLAGS 7
#define CONTROL_VALUE 4

/* A panel, opaque to the module. */
typedef void *Panel;

/* Describes the control to add: code, a zero, and the value's range. */
typedef struct ControlDescription {
    int32_t code;    /* DESCRIPTION_RANGE */
    int32_t zero;    /* always 0 */
    int32_t minimum; /* lowest value */
    int32_t maximum; /* highest value */
} ControlDescription;

#define DESCRIPTION_RANGE 15

/* A control's value as get and set exchange it. */
typedef struct ControlValue {
    int32_t type;     /* VALUE_FLOAT */
    uint8_t pad[4];   /* keeps `value` at offset 8 on the 32-bit host */
    double value;     /* the value, for VALUE_FLOAT */
    uint8_t host[24]; /* room the host may use */
} ControlValue;

#define VALUE_FLOAT 3

typedef struct Control Control;
struct Control {
    void *position1;                                                   /* not used */
    void (*get)(Control *control, int attribute, ControlValue *value); /* reads an attribute */
    void (*set)(Control *control, int attribute, ControlValue *value); /* writes an attribute */
};

typedef struct PanelServices PanelServices;
struct PanelServices {
    Panel (*create_panel)(const char *title, PanelServices *services); /* new panel, or null */
    void (*destroy_panel)(Panel panel);                                /* removes a panel */
    int (*open)(Panel panel, int flags); /* modal; nonzero when the user accepts */
    void *positions4to8[5];              /* not used */
    Control *(*add_control)(Panel panel, const char *type, ControlDescription *description,
                            const char *label); /* new control, or null */
    void *positions10to12[3];                   /* not used */
    GlobalLookup global_lookup;                 /* the host's lookup, set by the module */
};

HOST_SIZE32(ControlDescription, 16);
HOST_OFFSET(ControlValue, type, 0);
HOST_OFFSET(ControlValue, value, 8);
HOST_CHECK(sizeof(ControlValue) == 40, "ControlValue size");
HOST_OFFSET32(Control, get, 4);
HOST_OFFSET32(Control, set, 8);
HOST_OFFSET32(PanelServices, open, 8);
HOST_OFFSET32(PanelServices, add_control, 32);
HOST_OFFSET32(PanelServices, global_lookup, 48);
HOST_SIZE32(PanelServices, 52);

#ifdef __cplusplus
}
#endif

#endif
