/* Host services that several parts of the module use. */
#ifndef HOST_SERVICES_H
#define HOST_SERVICES_H

#include "host/layout.h"

#ifdef __cplusplus
extern "C" {
#endif

#define SERVICE_MESSAGES "Info Messages"
#define SERVICE_ITEM_INFO "LW Item Info 2"

/* An item of the host's scene; opaque, only compared with null. */
typedef void *ItemId;

/* Item kind of the lights. */
#define ITEM_LIGHT 1

/* Returned for SERVICE_MESSAGES. */
typedef struct MessageService {
    void *position1;                                      /* not used */
    void (*error)(const char *first, const char *second); /* shows a two-line error */
} MessageService;

/* Returned for SERVICE_ITEM_INFO. */
typedef struct ItemInfoService {
    ItemId (*first)(int kind, ItemId parent); /* first item of a kind, or null */
    ItemId (*next)(ItemId item);              /* following item, or null */
} ItemInfoService;

HOST_OFFSET32(MessageService, error, 4);
HOST_OFFSET32(ItemInfoService, next, 4);

#ifdef __cplusplus
}
#endif

#endif
