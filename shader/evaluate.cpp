// The per-sample sheen term.
//
// For each light that reaches the sample the term is
//     rim:    pow(sin(t + phase), e) * c * k   where sin(t) > 0.3
//     facing: -pow(cos(t), e) * c * k
// with t the angle between the oriented normal and the view, c the light's
// cosine, e = 50 * roughness and k = sheen.  Everything but c depends on the
// sample alone, so the transcendental work is done once per call, and only
// after a light has contributed.  The per-light sums keep the order of the
// plain per-light formula, so results are identical to it bit for bit.
#include <cfloat>
#include <cmath>

#include <emmintrin.h>

#include "shader/shader.h"

namespace corvalume {
namespace {

constexpr double exponent_scale = 50.0;
constexpr double rim_threshold = 0.3;
constexpr double rim_phase = 0.523598775;

inline double dot(const double *a, const double *b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

inline bool finite(const double *v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// Unit vector of a finite, non-zero v whose squared length under- or
// overflows: scaling by the largest component first keeps it in range.
[[gnu::noinline, gnu::cold]] bool normalise_scaled(const double *v, double *out) {
    if (!finite(v))
        return false;
    const double m = std::fmax(std::fabs(v[0]), std::fmax(std::fabs(v[1]), std::fabs(v[2])));
    if (!(m > 0))
        return false;
    const double s[3] = {v[0] / m, v[1] / m, v[2] / m};
    const double length = std::sqrt(dot(s, s));
    out[0] = s[0] / length;
    out[1] = s[1] / length;
    out[2] = s[2] / length;
    return true;
}

// out = v / |v|; false for a zero or non-finite v.
inline bool normalise(const double *v, double *out) {
    const double length = std::sqrt(dot(v, v));
    if (!(length > 0 && length <= DBL_MAX))
        return normalise_scaled(v, out);
    out[0] = v[0] / length;
    out[1] = v[1] / length;
    out[2] = v[2] / length;
    return true;
}

// Lights gathered from the host before their terms are folded in.
constexpr int batch = 16;

struct Batch {
    double raw[batch + 1][3]; // as the light function wrote them, plus padding
    alignas(16) double x[batch], y[batch], z[batch]; // unit directions
    bool valid[batch];                               // the direction had a length
};

// Normalises raw[i] and raw[i + 1] together: the square roots and
// divisions of two lanes at once, rounded exactly as one at a time.
inline void normalise_pair(Batch &b, int i) {
    // Component by component: the host may have stored them one by one,
    // and a wider load across two stores would stall.
    const __m128d x = _mm_set_pd(b.raw[i + 1][0], b.raw[i][0]);
    const __m128d y = _mm_set_pd(b.raw[i + 1][1], b.raw[i][1]);
    const __m128d z = _mm_set_pd(b.raw[i + 1][2], b.raw[i][2]);
    const __m128d squares =
        _mm_add_pd(_mm_add_pd(_mm_mul_pd(x, x), _mm_mul_pd(y, y)), _mm_mul_pd(z, z));
    const __m128d length = _mm_sqrt_pd(squares);
    const int usable = _mm_movemask_pd(_mm_and_pd(_mm_cmpgt_pd(length, _mm_setzero_pd()),
                                                  _mm_cmple_pd(length, _mm_set1_pd(DBL_MAX))));
    _mm_store_pd(b.x + i, _mm_div_pd(x, length));
    _mm_store_pd(b.y + i, _mm_div_pd(y, length));
    _mm_store_pd(b.z + i, _mm_div_pd(z, length));
    for (int lane = 0; lane < 2; ++lane) {
        bool &valid = b.valid[i + lane];
        valid = usable >> lane & 1;
        if (!valid) {
            double d[3];
            valid = normalise_scaled(b.raw[i + lane], d);
            b.x[i + lane] = d[0];
            b.y[i + lane] = d[1];
            b.z[i + lane] = d[2];
        }
    }
}

} // namespace

void evaluate(Instance instance, ShadingRecord *record) noexcept {
    const ItemInfoService *const lights = item_info;
    const LightFunction query = record->light_function;
    if (!lights || !query)
        return;

    double w[3];
    if (!normalise(record->ray_vector, w))
        return;
    double n[3] = {record->normal[0], record->normal[1], record->normal[2]};
    if (!finite(n) || (n[0] == 0 && n[1] == 0 && n[2] == 0))
        return;
    if (dot(n, w) > 0) {
        n[0] = -n[0];
        n[1] = -n[1];
        n[2] = -n[2];
    }
    const double e[3] = {-w[0], -w[1], -w[2]};

    const ShaderInstance *self = as_instance(instance);
    const double k = self->sheen;
    const double exponent = exponent_scale * self->roughness;

    // The host's calls clobber every floating-point register, so the
    // directions of a batch of lights are gathered first and then folded
    // in, in the order of the lights, with nothing live across the calls.
    Batch b;
    double second[3];
    bool ready = false;       // the sample's terms below are computed
    bool contributed = false; // a light with a usable direction was folded in
    bool rim_on = false;
    double rim = 0;
    double face = 0;
    double acc = 0;
    const double *const position = record->sample_position;
    ItemId light = lights->first(ITEM_LIGHT, nullptr);
    while (light) {
        int count = 0;
        for (; light && count < batch; light = lights->next(light))
            if (query(light, position, b.raw[count], second))
                ++count;
        if (count % 2) {
            b.raw[count][0] = 1;
            b.raw[count][1] = b.raw[count][2] = 0;
        }
        if (count == 0)
            continue;
        // The sample's terms do not depend on the lights: start on them
        // before the directions, which they need not wait for.
        if (!ready) {
            double u = dot(n, e);
            if (!(u > 0))
                u = 0;
            else if (u > 1) // a normal longer than 1
                u = 1;
            const double s = std::sqrt(1.0 - u * u);
            rim_on = s > rim_threshold;
            if (rim_on)
                rim = std::pow(std::sin(std::asin(s) + rim_phase), exponent);
            face = std::pow(u, exponent);
            ready = true;
        }
        for (int i = 0; i < count; i += 2)
            normalise_pair(b, i);
        for (int i = 0; i < count; ++i) {
            if (!b.valid[i])
                continue;
            const double c = n[0] * b.x[i] + n[1] * b.y[i] + n[2] * b.z[i];
            if (rim_on)
                acc = acc + rim * c * k;
            acc = acc - face * c * k;
            contributed = true;
        }
    }
    if (!contributed)
        return;

    // Stored parameters are not validated, and the host's vectors may be
    // extreme: never let the channel become infinite or NaN.
    const double sum = record->output_channel + acc;
    if (std::isfinite(acc) && std::isfinite(sum))
        record->output_channel = sum;
}

} // namespace corvalume
