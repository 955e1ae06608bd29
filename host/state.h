/* The host's records for storing and restoring parameters. */
#ifndef HOST_STATE_H
#define HOST_STATE_H

#include "host/layout.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Value of `mode` that selects the binary form; any other selects text. */
#define STATE_BINARY 0

typedef struct LoadState {
    int mode;                                          /* STATE_BINARY or text */
    void *data;                                        /* host's; passed back to read */
    int (*read)(void *data, void *buffer, int length); /* up to length bytes; result unused */
} LoadState;

typedef struct SaveState {
    int mode;                                                 /* STATE_BINARY or text */
    void *data;                                               /* host's; passed back to write */
    int (*write)(void *data, const void *buffer, int length); /* length bytes; result unused */
} SaveState;

HOST_OFFSET(LoadState, mode, 0);
HOST_OFFSET32(LoadState, data, 4);
HOST_OFFSET32(LoadState, read, 8);
HOST_SIZE32(LoadState, 12);
HOST_OFFSET(SaveState, mode, 0);
HOST_OFFSET32(SaveState, data, 4);
HOST_OFFSET32(SaveState, write, 8);
HOST_SIZE32(SaveState, 12);

#ifdef __cplusplus
}
#endif

#endif
