// One shaded sample: a shading record as the host fills it, and the light
// function that answers from the host's scripted lights.
#pragma once

#include <cstdint>
#include <vector>

#include "host/shader.h"
#include "host/shading.h"

namespace sandbox {

class Sample {
  public:
    // Bytes the host's record is given here; more than the module may use,
    // so that writes past the members it knows show up.
    static constexpr std::size_t storage_size = 512;
    static constexpr std::uint8_t fill = 0xA5;

    // A record filled with a pattern: view straight down onto a normal
    // along +z, output 0, position (1, 2, 3).
    Sample();
    Sample(const Sample &) = delete;
    Sample &operator=(const Sample &) = delete;

    ShadingRecord &record() { return *reinterpret_cast<ShadingRecord *>(storage_); }

    // Calls the module's evaluate on this record, as the host does.
    void evaluate(const ShaderOperations &ops, Instance instance);

    // As evaluate, and afterwards true when nothing but the output channel
    // changed in the whole storage.
    bool evaluate_checked(const ShaderOperations &ops, Instance instance);

    // Calls during the last evaluate(s): per light, and of the item service.
    std::vector<int> light_calls;
    int first_calls = 0;
    int next_calls = 0;
    bool wrong_position = false; // the light function got another position

    // The sample being evaluated on this thread, or null.
    static Sample *active() { return active_; }

    // Makes a sample the one being evaluated for as long as it lives, for
    // code that plays evaluate itself.
    class Active {
      public:
        explicit Active(Sample &sample);
        ~Active();
        Active(const Active &) = delete;
        Active &operator=(const Active &) = delete;
    };

    void reset_counts();

  private:
    static inline thread_local Sample *active_ = nullptr;

    alignas(8) std::uint8_t storage_[storage_size];
};

// The light function placed in every Sample's record.
int light_function(ItemId light, const double *position, double *direction, double *second);

} // namespace sandbox
