// Cost of one evaluate call through the sandbox host, against the literal
// per-light reading of the formula and against a floor that makes only the
// calls no exact evaluation can avoid.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/shader.h"
#include "sandbox/host.h"
#include "sandbox/literal.h"
#include "sandbox/module.h"
#include "sandbox/sample.h"
#include "shader/instance.h"

namespace {

constexpr int sample_count = 64;

struct Scene {
    explicit Scene(int lights) {
        std::string error;
        module = sandbox::Module::open(CORVALUME_MODULE, &error);
        if (!module) {
            std::fprintf(stderr, "cannot load %s: %s\n", CORVALUME_MODULE, error.c_str());
            std::exit(1);
        }
        host.activate(*module->server(CLASS_SHADER_HANDLER), 1, &ops);
        items = static_cast<const ItemInfoService *>(host.lookup()(SERVICE_ITEM_INFO, 0));
        instance = ops.create();
        for (int i = 0; i < lights; ++i) {
            sandbox::Light l;
            const double a = 0.4 * i;
            l.direction[0] = 0.3 * std::cos(a);
            l.direction[1] = 0.3 * std::sin(a);
            l.direction[2] = 1 + 0.1 * i;
            host.lights.push_back(l);
        }
        // Views from 30 to 80 degrees off the normal: the rim lobe is on.
        for (int i = 0; i < sample_count; ++i) {
            auto &s = samples.emplace_back(std::make_unique<sandbox::Sample>());
            const double t = (30 + 50.0 * i / sample_count) * M_PI / 180;
            s->record().ray_vector[0] = std::sin(t) * (i % 2 ? 1 : -1);
            s->record().ray_vector[1] = 0.1;
            s->record().ray_vector[2] = -std::cos(t);
            s->reset_counts();
        }
    }
    ~Scene() { ops.destroy(instance); }

    std::unique_ptr<sandbox::Module> module;
    sandbox::Host host;
    ShaderOperations ops{};
    const ItemInfoService *items = nullptr;
    Instance instance = nullptr;
    std::vector<std::unique_ptr<sandbox::Sample>> samples;
};

void module_evaluate(benchmark::State &state) {
    Scene scene(static_cast<int>(state.range(0)));
    int i = 0;
    for (auto _ : state) {
        sandbox::Sample &s = *scene.samples[i++ % sample_count];
        s.evaluate(scene.ops, scene.instance);
        benchmark::DoNotOptimize(s.record().output_channel);
    }
}

void literal(benchmark::State &state) {
    Scene scene(static_cast<int>(state.range(0)));
    const ShaderInstance &p = *static_cast<ShaderInstance *>(scene.instance);
    int i = 0;
    for (auto _ : state) {
        sandbox::Sample &s = *scene.samples[i++ % sample_count];
        sandbox::Sample::Active active(s);
        s.record().output_channel =
            sandbox::literal_output(p.roughness, p.sheen, s.record(), *scene.items);
        benchmark::DoNotOptimize(s.record().output_channel);
    }
}

// The walk of the lights with their light-function calls, and once per
// sample the ray's length, the two powers, asin, sin and the sine's root.
void floor(benchmark::State &state) {
    Scene scene(static_cast<int>(state.range(0)));
    const ShaderInstance &p = *static_cast<ShaderInstance *>(scene.instance);
    const double e = 50 * p.roughness;
    int i = 0;
    for (auto _ : state) {
        sandbox::Sample &s = *scene.samples[i++ % sample_count];
        sandbox::Sample::Active active(s);
        ShadingRecord &r = s.record();
        double d[3];
        double second[3];
        double sum = 0;
        for (ItemId l = scene.items->first(ITEM_LIGHT, nullptr); l; l = scene.items->next(l)) {
            r.light_function(l, r.sample_position, d, second);
            sum += d[2];
        }
        const double *w = r.ray_vector;
        const double length = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
        const double u = -w[2] / length;
        const double sine = std::sqrt(1 - u * u);
        sum += std::pow(std::sin(std::asin(sine) + 0.523598775), e) + std::pow(u, e);
        r.output_channel += sum;
        benchmark::DoNotOptimize(r.output_channel);
    }
}

BENCHMARK(module_evaluate)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(literal)->Arg(1)->Arg(4)->Arg(16);
BENCHMARK(floor)->Arg(1)->Arg(4)->Arg(16);

// Prints the runs as usual, then the ratios the goals are stated in.
class Ratios : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        ConsoleReporter::ReportRuns(runs);
        // With repetitions, the median stands for the benchmark.
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                ns[run.run_name.str()] = run.GetAdjustedRealTime();
            else if (run.run_type == Run::RT_Iteration && !ns.count(run.run_name.str()))
                ns[run.run_name.str()] = run.GetAdjustedRealTime();
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        auto at = [&](const char *name) {
            const auto found = ns.find(name);
            return found == ns.end() ? NAN : found->second;
        };
        std::printf("\nevaluate / floor at 1 light:      %.3f (goal <= 1.15)\n",
                    at("module_evaluate/1") / at("floor/1"));
        std::printf("evaluate 16 lights / 1 light:     %.3f (goal <= 1.6)\n",
                    at("module_evaluate/16") / at("module_evaluate/1"));
        std::printf("literal / evaluate at 16 lights:  %.3f (goal >= 4)\n",
                    at("literal/16") / at("module_evaluate/16"));
    }

  private:
    std::map<std::string, double> ns;
};

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    Ratios reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
}
