// The per-sample sheen term, through the host's shading record.
#include <cfloat>
#include <cmath>
#include <limits>
#include <random>

#include "fixture.h"
#include "sandbox/heap.h"
#include "sandbox/literal.h"
#include "sandbox/sample.h"
#include "sandbox/store.h"

namespace corvalume_test {
namespace {

using sandbox::Light;
using sandbox::Sample;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

struct Vec {
    double x, y, z;
};

void put(double *to, Vec v) {
    to[0] = v.x;
    to[1] = v.y;
    to[2] = v.z;
}

Light light(Vec direction, int result = 1) {
    Light l;
    put(l.direction, direction);
    l.result = result;
    return l;
}

class Evaluate : public ShaderTest {
  protected:
    void SetUp() override {
        ShaderTest::SetUp();
        instance = make();
        items = static_cast<const ItemInfoService *>(host.lookup()(SERVICE_ITEM_INFO, 0));
    }

    // What evaluate adds to an output channel that starts at `start`.
    double added(Vec ray, Vec normal, double start = 0.25) {
        put(sample.record().ray_vector, ray);
        put(sample.record().normal, normal);
        sample.record().output_channel = start;
        literal_before = literal();
        sample.reset_counts();
        EXPECT_TRUE(sample.evaluate_checked(ops, instance)) << "wrote outside the output channel";
        EXPECT_FALSE(sample.wrong_position);
        return sample.record().output_channel - start;
    }

    double literal() {
        Sample::Active active(sample);
        return sandbox::literal_output(params(instance).roughness, params(instance).sheen,
                                       sample.record(), *items);
    }

    Instance instance = nullptr;
    double literal_before = 0; // the literal reading's output for the last added()
    const ItemInfoService *items = nullptr;
    Sample sample;
};

struct Case {
    const char *name;
    Vec ray;
    Vec normal;
    Vec direction;
    double roughness;
    double expected;
    double tolerance; // 0 for an exact result
};

const Case cases[] = {
    {"head-on", {0, 0, -1}, {0, 0, 1}, {0, 0, 1}, 0.3, -0.58, 0},
    {"normal facing away is flipped", {0, 0, -1}, {0, 0, -1}, {0, 0, 1}, 0.3, -0.58, 0},
    {"60 degrees",
     {0.8660254037844386, 0, -0.5},
     {0, 0, 1},
     {0, 0, 1},
     0.3,
     0.5799822998046874,
     1e-16},
    {"unnormalised light",
     {0.8660254037844386, 0, -0.5},
     {0, 0, 1},
     {0, 0, 2},
     0.3,
     0.5799822998046874,
     1e-16},
    {"light behind the surface", {0, 0, -1}, {0, 0, 1}, {0, 0, -1}, 0.3, 0.58, 0},
    {"perpendicular view", {1, 0, 0}, {0, 0, 1}, {0, 0, 1}, 0.3, 0.0670482537, 1e-10},
    {"roughness 0 at 60 degrees", {0.8660254037844386, 0, -0.5}, {0, 0, 1}, {0, 0, 1}, 0, 0, 0},
    {"roughness 0 head-on", {0, 0, -1}, {0, 0, 1}, {0, 0, 1}, 0, -0.58, 0},
    {"unnormalised ray", {0, 0, -7.5}, {0, 0, 1}, {0, 0, 1}, 0.3, -0.58, 0},
};

TEST_F(Evaluate, KnownSamples) {
    for (const Case &c : cases) {
        host.lights = {light(c.direction)};
        params(instance).roughness = c.roughness;
        const double got = added(c.ray, c.normal, 0);
        if (c.tolerance == 0)
            EXPECT_EQ(got, c.expected) << c.name;
        else
            EXPECT_NEAR(got, c.expected, c.tolerance) << c.name;
        EXPECT_EQ(bits(sample.record().output_channel), bits(literal_before)) << c.name;
    }
}

// The rim lobe needs a sine strictly above 0.3.  With the view along the
// z axis the facing cosine is the normal's z component, so a normal
// slightly off unit length places the sine on either side of it.  (No
// double cosine gives a sine of exactly 0.3.)
TEST_F(Evaluate, RimNeedsASineAboveThreshold) {
    auto sine = [](double u) { return std::sqrt(1.0 - u * u); };
    double u = std::sqrt(0.91);
    while (sine(u) > 0.3)
        u = std::nextafter(u, 1.0);
    while (sine(std::nextafter(u, 0.0)) <= 0.3)
        u = std::nextafter(u, 0.0);
    host.lights = {light({0, 0, 1})};
    const double k = params(instance).sheen;
    EXPECT_EQ(added({0, 0, -1}, {0.3, 0, u}), -(std::pow(u, 15.0) * u * k));

    const double above = std::nextafter(u, 0.0);
    const double rim = std::pow(std::sin(std::asin(sine(above)) + 0.523598775), 15.0);
    put(sample.record().ray_vector, {0, 0, -1});
    put(sample.record().normal, {0.3, 0, above});
    sample.record().output_channel = 0;
    sample.evaluate(ops, instance);
    EXPECT_EQ(sample.record().output_channel, rim * above * k - std::pow(above, 15.0) * above * k);
}

TEST_F(Evaluate, WalksEveryLightOnceAndSkipsTheDeclining) {
    host.lights = {light({0.3, 0, 1}), light({0, 0.5, 1}, 0), light({-0.2, 0.1, 1})};
    const Vec ray{0.6, 0.1, -0.7};
    const double all = added(ray, {0, 0, 1});
    EXPECT_EQ(sample.first_calls, 1);
    EXPECT_EQ(sample.next_calls, 3);
    EXPECT_EQ(sample.light_calls, (std::vector<int>{1, 1, 1}));

    host.lights = {light({0.3, 0, 1}), light({-0.2, 0.1, 1})};
    EXPECT_EQ(all, added(ray, {0, 0, 1}));
}

TEST_F(Evaluate, WithoutContributingLightsLeavesTheChannelAlone) {
    for (const auto &lights : {std::vector<Light>{}, std::vector<Light>{light({0, 0, 1}, 0)}}) {
        host.lights = lights;
        put(sample.record().ray_vector, {0.5, 0, -1});
        sample.record().output_channel = -0.0;
        EXPECT_TRUE(sample.evaluate_checked(ops, instance));
        EXPECT_EQ(bits(sample.record().output_channel), bits(-0.0));
    }
}

TEST_F(Evaluate, IgnoresTheLightsSecondOutput) {
    const Vec ray{0.6, 0.1, -0.7};
    host.lights = {light({0.3, 0.2, 1})};
    const double reference = added(ray, {0, 0, 1});
    for (double junk : {nan, inf, -1e300, 0.0, 42.0}) {
        for (double &c : host.lights[0].second)
            c = junk;
        EXPECT_EQ(bits(added(ray, {0, 0, 1})), bits(reference)) << junk;
    }
}

// Inputs a renderer must survive: the channel stays finite and, where the
// input cannot be shaded, unchanged.
TEST_F(Evaluate, GuardsAgainstDegenerateInput) {
    struct Guard {
        const char *name;
        Vec ray;
        Vec normal;
        std::vector<Light> lights;
        double roughness;
        double expected;
    };
    const Vec d{0, 0, 1};
    const std::vector<Guard> guards = {
        {"zero ray", {0, 0, 0}, {0, 0, 1}, {light(d)}, 0.3, 0},
        {"NaN ray", {nan, 0, -1}, {0, 0, 1}, {light(d)}, 0.3, 0},
        {"infinite ray", {0, -inf, -1}, {0, 0, 1}, {light(d)}, 0.3, 0},
        {"zero normal", {0, 0, -1}, {0, 0, 0}, {light(d)}, 0.3, 0},
        {"NaN normal", {0, 0, -1}, {0, nan, 1}, {light(d)}, 0.3, 0},
        {"infinite normal", {0, 0, -1}, {0, 0, inf}, {light(d)}, 0.3, 0},
        {"zero light", {0, 0, -1}, {0, 0, 1}, {light({0, 0, 0})}, 0.3, 0},
        {"NaN light", {0, 0, -1}, {0, 0, 1}, {light({nan, 0, 1})}, 0.3, 0},
        {"infinite light", {0, 0, -1}, {0, 0, 1}, {light({inf, 0, 1})}, 0.3, 0},
        {"bad light among good", {0, 0, -1}, {0, 0, 1}, {light({0, 0, 0}), light(d)}, 0.3, -0.58},
        {"long normal", {0, 0, -1}, {0, 0, 2}, {light(d)}, 0.3, -(1.0 * 2 * 0.58)},
        {"negative roughness, grazing", {1, 0, 0}, {0, 0, 1}, {light(d)}, -0.3, 0},
        {"NaN roughness", {0.5, 0, -1}, {0, 0, 1}, {light(d)}, nan, 0},
        {"tiny ray", {1e-200, 0, -1e-200}, {0, 0, 1}, {light(d)}, 0.3, 0},
        {"huge ray", {1e200, 0, -1e200}, {0, 0, 1}, {light(d)}, 0.3, 0},
        {"huge light", {0, 0, -1}, {0, 0, 1}, {light({0, 0, 1e300})}, 0.3, -0.58},
    };
    for (const Guard &g : guards) {
        host.lights = g.lights;
        params(instance).roughness = g.roughness;
        const double got = added(g.ray, g.normal);
        EXPECT_TRUE(std::isfinite(sample.record().output_channel)) << g.name;
        if (std::string(g.name).starts_with("tiny") ||
            std::string(g.name).starts_with("huge ray")) {
            // Scaled first, so shaded as the same direction of ordinary size.
            EXPECT_EQ(got, added({1, 0, -1}, g.normal)) << g.name;
        } else {
            EXPECT_EQ(got, g.expected) << g.name;
        }
    }

    host.lights = {light({0, 0, -1})};
    params(instance).roughness = 0.3;
    params(instance).sheen = 1e308;
    EXPECT_EQ(added({0, 0, -1}, {0, 0, 1}, DBL_MAX), 0.0) << "sum overflows";
}

// Against the literal reading of the formula, computed afresh per light:
// the same bits on every ordinary sample.
TEST_F(Evaluate, MatchesTheLiteralReadingBitForBit) {
    std::mt19937_64 random(20261211);
    std::normal_distribution<double> gauss;
    std::uniform_real_distribution<double> unit(0, 1);
    auto vector = [&](double scale) {
        return Vec{gauss(random) * scale, gauss(random) * scale, gauss(random) * scale};
    };
    int compared = 0;
    long allocations = 0;
    for (int i = 0; i < 20000; ++i) {
        Vec n = vector(1);
        const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
        n = {n.x / length, n.y / length, n.z / length};
        put(sample.record().normal, n);
        put(sample.record().ray_vector, vector(0.1 + 10 * unit(random)));
        host.lights.clear();
        // Mostly a few lights, sometimes more than the module gathers at once.
        const int count = 1 + static_cast<int>(unit(random) * (i % 10 ? 6 : 40));
        for (int j = 0; j < count; ++j)
            host.lights.push_back(
                light(vector(0.1 + 5 * unit(random)), unit(random) < 0.2 ? 0 : 1));
        params(instance).roughness = 1.5 * unit(random);
        params(instance).sheen = -1 + 3 * unit(random);
        sample.record().output_channel = gauss(random);

        // The module holds the facing cosine at 1 where a rounding error
        // carries it past; the literal reading has a NaN sine there.
        const double *w = sample.record().ray_vector;
        const double wl = std::sqrt(sandbox::literal_dot(w, w));
        const double view[3] = {-w[0] / wl, -w[1] / wl, -w[2] / wl};
        if (std::fabs(sandbox::literal_dot(sample.record().normal, view)) > 1)
            continue;

        const double expected = literal();
        const long before = sandbox::heap::allocations();
        sample.evaluate(ops, instance);
        allocations += sandbox::heap::allocations() - before;
        ASSERT_EQ(bits(sample.record().output_channel), bits(expected)) << "sample " << i;
        ++compared;
    }
    EXPECT_GT(compared, 19900);
    EXPECT_EQ(allocations, 0);
}

} // namespace
} // namespace corvalume_test

#if defined(__i386__)
#include "sandbox/skew.h"

namespace corvalume_test {
namespace {

// A 32-bit host may call with the stack aligned to 4 bytes only; the
// module must not rely on more.
TEST_F(Evaluate, SurvivesAStackAlignedToFourBytes) {
    host.lights = {light({0.3, 0, 1}), light({0, 0.5, 1}), light({-0.2, 0.1, 1})};
    put(sample.record().ray_vector, {0.6, 0.1, -0.7});
    const double expected = added({0.6, 0.1, -0.7}, {0, 0, 1}, 0);
    for (unsigned skew : {0u, 4u, 8u, 12u}) {
        sample.record().output_channel = 0;
        {
            Sample::Active active(sample);
            sandbox::call_skewed(reinterpret_cast<void *>(ops.evaluate), instance, &sample.record(),
                                 skew);
        }
        EXPECT_EQ(sample.record().output_channel, expected) << "skew " << skew;

        sandbox::Store store;
        const SaveState save = store.saving(1);
        sandbox::call_skewed(reinterpret_cast<void *>(ops.save), instance,
                             const_cast<SaveState *>(&save), skew);
        store.rewind();
        const LoadState load = store.loading(1);
        sandbox::call_skewed(reinterpret_cast<void *>(ops.load), instance,
                             const_cast<LoadState *>(&load), skew);
        EXPECT_EQ(store.writes.size(), 2u);
        EXPECT_STREQ(static_cast<const char *>(sandbox::call_skewed(
                         reinterpret_cast<void *>(ops.describe), instance, nullptr, skew)),
                     "Corvalume:roughness:0.3 sheen: 0.58");
    }
}

} // namespace
} // namespace corvalume_test
#endif
