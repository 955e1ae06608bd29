/* The shader server's operation table, filled by its activation. */
#ifndef HOST_SHADER_H
#define HOST_SHADER_H

#include "host/layout.h"
#include "host/shading.h"
#include "host/state.h"

#ifdef __cplusplus
extern "C" {
#endif

#define CLASS_SHADER_HANDLER "ShaderHandler"

/* An instance, opaque to the host. */
typedef void *Instance;

/* Result of most operations: NUL-terminated text, null on success. */
typedef const char *ErrorText;

/* Positions 1 to 11 of the table, in order.  The host may pass arguments
 * to create, flags and positions 6 to 8; this module reads none. */
typedef struct ShaderOperations {
    Instance (*create)(void);                                     /* new instance, or null */
    void (*destroy)(Instance instance);                           /* releases an instance */
    ErrorText (*copy)(Instance from, Instance to);                /* overwrites `to` with `from` */
    ErrorText (*load)(Instance instance, const LoadState *state); /* restores parameters */
    ErrorText (*save)(Instance instance, const SaveState *state); /* stores parameters */
    ErrorText (*position6)(void);                                 /* no work; null */
    void (*position7)(void);                                      /* no work */
    ErrorText (*position8)(void);                                 /* no work; null */
    void (*evaluate)(Instance instance, ShadingRecord *record);   /* shades one sample */
    int (*flags)(void);                                           /* the shader's flags */
    const char *(*describe)(Instance instance);                   /* one-line description */
} ShaderOperations;

/* The flags this shader reports. */
#define SHADER_FLAGS 8

HOST_OFFSET(ShaderOperations, create, 0);
HOST_OFFSET32(ShaderOperations, load, 12);
HOST_OFFSET32(ShaderOperations, evaluate, 32);
HOST_OFFSET32(ShaderOperations, describe, 40);
HOST_SIZE32(ShaderOperations, 44);

#ifdef __cplusplus
}
#endif

#endif
