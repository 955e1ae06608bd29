/* A shader instance: the two parameters and the description buffer.
 *
 * Plain data with no pointers, so copying it bytewise copies an instance. */
#ifndef SHADER_INSTANCE_H
#define SHADER_INSTANCE_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ShaderInstance {
    double roughness;      /* focus of both lobes; the exponent is 50 times this */
    double sheen;          /* strength of both lobes */
    char description[128]; /* filled by describe */
} ShaderInstance;

#define DEFAULT_ROUGHNESS 0.3
#define DEFAULT_SHEEN 0.58

#ifdef __cplusplus
}
#endif

#endif
