// The sheen term read literally: every step done afresh for every light,
// with no guards.  Tests and benchmarks measure the module against it.
#pragma once

#include <cmath>

#include "host/services.h"
#include "host/shading.h"

namespace sandbox {

inline double literal_dot(const double *a, const double *b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// The value the output channel takes after one evaluation.
inline double literal_output(double roughness, double sheen, ShadingRecord &record,
                             const ItemInfoService &items) {
    const double k = sheen;
    const double e = 50.0 * roughness;
    double n[3] = {record.normal[0], record.normal[1], record.normal[2]};
    const double *ray = record.ray_vector;
    const double length = std::sqrt(ray[0] * ray[0] + ray[1] * ray[1] + ray[2] * ray[2]);
    const double w[3] = {ray[0] / length, ray[1] / length, ray[2] / length};
    if (literal_dot(n, w) > 0)
        for (double &c : n)
            c = -c;
    const double eye[3] = {-w[0], -w[1], -w[2]};
    double acc = 0;
    for (ItemId light = items.first(ITEM_LIGHT, nullptr); light; light = items.next(light)) {
        double d[3];
        double second[3];
        if (!record.light_function(light, record.sample_position, d, second))
            continue;
        const double dl = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        d[0] = d[0] / dl;
        d[1] = d[1] / dl;
        d[2] = d[2] / dl;
        double u = literal_dot(n, eye);
        if (!(u > 0))
            u = 0;
        const double s = std::sqrt(1.0 - u * u);
        const double c = literal_dot(n, d);
        if (s > 0.3)
            acc = acc + std::pow(std::sin(std::asin(s) + 0.523598775), e) * c * k;
        acc = acc - std::pow(u, e) * c * k;
    }
    return record.output_channel + acc;
}

} // namespace sandbox
