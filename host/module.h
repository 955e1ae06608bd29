/* The module record, the server table and the activation protocol. */
#ifndef HOST_MODULE_H
#define HOST_MODULE_H

#include <stdint.h>

#include "host/layout.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The host's service lookup: the named service record, or null. */
typedef void *(*GlobalLookup)(const char *name, int use);

/* One server's entry point; `local` depends on the server class. */
typedef int (*ActivateFunc)(int version, GlobalLookup global_lookup, void *local,
                            void *server_data);

/* Results of every activation function. */
enum {
    ACTIVATE_OK = 0,          /* the server is ready */
    ACTIVATE_BAD_VERSION = 1, /* version is not 1; nothing else was done */
    ACTIVATE_NO_SERVICE = 2   /* a host service the server needs is missing */
};

/* The only activation version this module speaks. */
#define ACTIVATE_VERSION 1

typedef struct ServerRecord {
    const char *class_name;  /* kind of server, a name the host defines */
    const char *server_name; /* name under which the host lists the server */
    ActivateFunc activate;   /* the server's activation function */
} ServerRecord;

typedef struct ModuleRecord {
    uint32_t magic;              /* MODULE_MAGIC */
    uint32_t record_version;     /* MODULE_RECORD_VERSION */
    uint32_t machine;            /* MODULE_MACHINE */
    void *(*startup)(void);      /* called after loading; returns non-null */
    void (*shutdown)(void);      /* called before unloading */
    const ServerRecord *servers; /* table ended by an all-null entry */
} ModuleRecord;

#define MODULE_MAGIC 0x04121994u
#define MODULE_RECORD_VERSION 2u
#define MODULE_MACHINE 0x300u

/* The exported symbol under which the host finds the module record. */
#define MODULE_SYMBOL "_mod_descrip"

HOST_OFFSET(ModuleRecord, magic, 0);
HOST_OFFSET(ModuleRecord, record_version, 4);
HOST_OFFSET(ModuleRecord, machine, 8);
HOST_OFFSET32(ModuleRecord, startup, 12);
HOST_OFFSET32(ModuleRecord, shutdown, 16);
HOST_OFFSET32(ModuleRecord, servers, 20);
HOST_SIZE32(ModuleRecord, 24);

HOST_OFFSET(ServerRecord, class_name, 0);
HOST_OFFSET32(ServerRecord, server_name, 4);
HOST_OFFSET32(ServerRecord, activate, 8);
HOST_SIZE32(ServerRecord, 12);

#ifdef __cplusplus
}
#endif

#endif
