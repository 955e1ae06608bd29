// Shading records and the light function.
#include "sandbox/sample.h"

#include <cstring>

#include "sandbox/host.h"

namespace sandbox {
Sample::Sample() {
    std::memset(storage_, fill, sizeof storage_);
    ShadingRecord &r = record();
    const double position[3] = {1, 2, 3};
    const double ray[3] = {0, 0, -1};
    const double normal[3] = {0, 0, 1};
    std::memcpy(r.sample_position, position, sizeof position);
    std::memcpy(r.ray_vector, ray, sizeof ray);
    std::memcpy(r.normal, normal, sizeof normal);
    r.output_channel = 0;
    r.light_function = light_function;
}

Sample::Active::Active(Sample &sample) {
    if (sample.light_calls.size() != Host::current().lights.size())
        sample.light_calls.assign(Host::current().lights.size(), 0);
    active_ = &sample;
}

Sample::Active::~Active() { active_ = nullptr; }

void Sample::reset_counts() {
    light_calls.assign(Host::current().lights.size(), 0);
    first_calls = 0;
    next_calls = 0;
    wrong_position = false;
}

void Sample::evaluate(const ShaderOperations &ops, Instance instance) {
    Active active(*this);
    ops.evaluate(instance, &record());
}

bool Sample::evaluate_checked(const ShaderOperations &ops, Instance instance) {
    std::uint8_t before[storage_size];
    std::memcpy(before, storage_, sizeof before);
    evaluate(ops, instance);
    constexpr std::size_t out = offsetof(ShadingRecord, output_channel);
    return std::memcmp(before, storage_, out) == 0 &&
           std::memcmp(before + out + sizeof(double), storage_ + out + sizeof(double),
                       storage_size - out - sizeof(double)) == 0;
}

int light_function(ItemId light, const double *position, double *direction, double *second) {
    Host &host = Host::current();
    Sample *sample = Sample::active();
    if (!sample) {
        host.report("light function called outside evaluate");
        return 0;
    }
    if (position != sample->record().sample_position)
        sample->wrong_position = true;
    const int index = host.light_index(light);
    if (index < 0) {
        host.report("light function called with an unknown light");
        return 0;
    }
    ++sample->light_calls[static_cast<std::size_t>(index)];
    const Light &l = host.lights[static_cast<std::size_t>(index)];
    std::memcpy(direction, l.direction, sizeof l.direction);
    std::memcpy(second, l.second, sizeof l.second);
    return l.result;
}

} // namespace sandbox
