/* Layout checks for the host's records.
 *
 * The host is a 32-bit program: its records use 4-byte pointers and
 * integers and 8-byte doubles.  Members whose offsets the host fixes are
 * placed with explicit padding, so they sit at the same offsets on every
 * build; sizes are only meaningful on the host's own platform. */
#ifndef HOST_LAYOUT_H
#define HOST_LAYOUT_H

#include <stddef.h>

#ifdef __cplusplus
#define HOST_CHECK(cond, what) static_assert(cond, what)
#else
#define HOST_CHECK(cond, what) _Static_assert(cond, what)
#endif

/* Offsets that hold on every build. */
#define HOST_OFFSET(type, member, offset)                                                          \
    HOST_CHECK(offsetof(type, member) == (offset), #type "." #member " offset")

/* Offsets and sizes of the host's 32-bit layout. */
#if defined(__i386__)
#define HOST_OFFSET32(type, member, offset) HOST_OFFSET(type, member, offset)
#define HOST_SIZE32(type, size) HOST_CHECK(sizeof(type) == (size), #type " size")
#else
#define HOST_OFFSET32(type, member, offset) HOST_CHECK(1, "")
#define HOST_SIZE32(type, size) HOST_CHECK(1, "")
#endif

#endif
