/* The host's per-sample shading record.
 *
 * Only the members the shader uses are named; the rest belong to the host
 * and are kept as padding so that every named member sits at its fixed
 * offset on every build.  The host's record may extend past the last one. */
#ifndef HOST_SHADING_H
#define HOST_SHADING_H

#include <stdint.h>

#include "host/layout.h"
#include "host/services.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Asks one light about this sample: fills direction and second (three
 * doubles each) and returns 0 when the light does not reach the sample. */
typedef int (*LightFunction)(ItemId light, const double *position, double *direction,
                             double *second);

typedef struct ShadingRecord {
    uint8_t host0[32];            /* host's */
    double sample_position[3];    /* where the sample lies; handed to the light function */
    uint8_t host1[88 - 56];       /* host's */
    double ray_vector[3];         /* direction of travel of the incoming ray */
    uint8_t host2[280 - 112];     /* host's */
    double normal[3];             /* surface normal, not necessarily of unit length */
    uint8_t host3[328 - 304];     /* host's */
    double output_channel;        /* the channel the sheen term is added to */
    uint8_t host4[384 - 336];     /* host's */
    LightFunction light_function; /* queries one light for this sample */
} ShadingRecord;

HOST_OFFSET(ShadingRecord, sample_position, 32);
HOST_OFFSET(ShadingRecord, ray_vector, 88);
HOST_OFFSET(ShadingRecord, normal, 280);
HOST_OFFSET(ShadingRecord, output_channel, 328);
HOST_OFFSET(ShadingRecord, light_function, 384);
HOST_SIZE32(ShadingRecord, 388);

#ifdef __cplusplus
}
#endif

#endif
