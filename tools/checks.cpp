// What corvalume-sandbox check verifies, one function per check.  Each runs
// in a fresh child process, so it may load the module and crash freely.
#include "tools/checks.h"

#include <cfenv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include <xmmintrin.h>

#include "host/panel.h"
#include "host/shader.h"
#include "sandbox/bits.h"
#include "sandbox/elf.h"
#include "sandbox/heap.h"
#include "sandbox/host.h"
#include "sandbox/module.h"
#include "sandbox/sample.h"
#include "sandbox/skew.h"
#include "sandbox/store.h"
#include "shader/instance.h"
#include "tools/watch.h"

namespace checks {
namespace {

using sandbox::Host;
using sandbox::Module;

Verdict pass(std::string text) { return {true, std::move(text)}; }
Verdict fail(std::string text) { return {false, std::move(text)}; }

std::unique_ptr<Module> open(const Context &c) {
    std::string error;
    auto m = Module::open(c.path, &error);
    if (!m)
        throw std::runtime_error("cannot load: " + error);
    return m;
}

// Any call the host did not expect, as a failure text, or "".
std::string unexpected(const Host &host) {
    const auto calls = host.unexpected();
    return calls.empty() ? "" : "unexpected call: " + calls.front();
}

const ServerRecord &need(const Module &m, const char *class_name) {
    const ServerRecord *s = m.server(class_name);
    if (!s)
        throw std::runtime_error(std::string("no ") + class_name + " server");
    return *s;
}

ShaderInstance &params(Instance i) { return *static_cast<ShaderInstance *>(i); }

using sandbox::bits;

// A host with the shader handler activated on it.
struct Shader {
    explicit Shader(const Context &c) : module(open(c)) {
        if (host.activate(need(*module, CLASS_SHADER_HANDLER), 1, &ops) != ACTIVATE_OK)
            throw std::runtime_error("the shader handler does not activate");
    }
    std::unique_ptr<Module> module;
    Host host;
    ShaderOperations ops{};
};

Verdict load(const Context &c) {
    auto m = open(c);
    return pass("loads with RTLD_NOW | RTLD_LOCAL and has _mod_descrip");
}

Verdict exports(const Context &c) {
    const std::set<std::string> names = sandbox::exported_symbols(c.path);
    const std::set<std::string> libraries = sandbox::needed_libraries(c.path);
    for (const std::string &n : names)
        if (n != "_mod_descrip")
            return fail("exports " + n + " besides _mod_descrip");
    if (!names.count("_mod_descrip"))
        return fail("does not export _mod_descrip");
    for (const std::string &l : libraries)
        if (l != "libc.so.6" && l != "libm.so.6")
            return fail("needs " + l);
    return pass("exports _mod_descrip alone; needs only libc and libm");
}

Verdict record(const Context &c) {
    auto m = open(c);
    const ModuleRecord &r = m->record();
    char text[160];
    if (r.magic != MODULE_MAGIC || r.record_version != MODULE_RECORD_VERSION ||
        r.machine != MODULE_MACHINE) {
        std::snprintf(text, sizeof text, "constants 0x%08x %u 0x%x, not 0x04121994 2 0x300",
                      r.magic, r.record_version, r.machine);
        return fail(text);
    }
    if (!r.startup || !r.shutdown || !r.servers)
        return fail("startup, shutdown or the server table is null");
    for (int i = 0; i < 3; ++i)
        if (r.startup() != reinterpret_cast<void *>(4))
            return fail("startup does not return 4");
    r.shutdown();
    return pass("constants 0x04121994 2 0x300; startup returns 4");
}

Verdict servers(const Context &c) {
    auto m = open(c);
    if (!m->table_terminated())
        return fail("no terminating entry within " + std::to_string(Module::table_bound) +
                    " entries");
    std::vector<std::string> found;
    for (const ServerRecord *s : m->servers()) {
        if (!s->server_name || std::strcmp(s->server_name, "Corvalume") != 0 || !s->activate)
            return fail(std::string(s->class_name) +
                        " is not named Corvalume or has no activation");
        found.emplace_back(s->class_name);
    }
    if (found != std::vector<std::string>{CLASS_SHADER_HANDLER, CLASS_SHADER_INTERFACE})
        return fail("servers are not ShaderHandler and ShaderInterface");
    return pass("ShaderHandler and ShaderInterface, both Corvalume, then the end");
}

Verdict version(const Context &c) {
    auto m = open(c);
    for (const ServerRecord *s : m->servers()) {
        for (int v : {0, 2, 1 << 30}) {
            Host host;
            unsigned char local[256];
            std::memset(local, 0x5A, sizeof local);
            unsigned char before[sizeof local];
            std::memcpy(before, local, sizeof local);
            const int result = host.activate(*s, v, local);
            const std::string where = std::string(s->class_name) + " version " + std::to_string(v);
            if (result != ACTIVATE_BAD_VERSION)
                return fail(where + " returns " + std::to_string(result));
            if (std::memcmp(local, before, sizeof local) != 0)
                return fail(where + " changed local");
            if (!host.lookups().empty() || !host.messages().empty())
                return fail(where + " looked up a service or showed a message");
        }
    }
    return pass("versions 0, 2 and 2^30 refused untouched on every server");
}

Verdict services(const Context &c) {
    auto m = open(c);
    struct Case {
        const char *server;
        const char *withdrawn;
        int result;
        std::vector<sandbox::Message> messages;
    };
    const Case cases[] = {
        {CLASS_SHADER_HANDLER, SERVICE_MESSAGES, 2, {}},
        {CLASS_SHADER_HANDLER, SERVICE_ITEM_INFO, 2, {{"Error", "Unable to get Item Infomation"}}},
        {CLASS_SHADER_HANDLER, SERVICE_PANELS, 0, {}},
        {CLASS_SHADER_INTERFACE, SERVICE_MESSAGES, 2, {}},
        {CLASS_SHADER_INTERFACE,
         SERVICE_PANELS,
         2,
         {{"Unable to activate global LWPanelServices", "please add plugin lwpanels.p"}}},
    };
    for (const Case &k : cases) {
        ShaderOperations ops{};
        Instance instance = nullptr;
        {
            Host setup;
            if (setup.activate(need(*m, CLASS_SHADER_HANDLER), 1, &ops) != 0 || !ops.create)
                return fail("the shader handler does not activate");
            instance = ops.create();
        }
        Host host;
        host.withdraw(k.withdrawn);
        host.panel.accept = false;
        void *local =
            std::string(k.server) == CLASS_SHADER_HANDLER ? static_cast<void *>(&ops) : instance;
        const int result = host.activate(need(*m, k.server), 1, local);
        const std::string where = std::string(k.server) + " without " + k.withdrawn;
        if (result != k.result)
            return fail(where + " returns " + std::to_string(result));
        if (host.messages() != k.messages)
            return fail(where + " shows the wrong message");
        if (!unexpected(host).empty())
            return fail(where + ": " + unexpected(host));
        ops.destroy(instance);
    }
    return pass("each service withdrawn: the right result and message");
}

Verdict lifecycle(const Context &c) {
    Shader s(c);
    for (int round = 0; round < 20000; ++round) {
        Instance i = s.ops.create();
        if (!i)
            return fail("create returned null");
        if (params(i).roughness != 0.3 || params(i).sheen != 0.58)
            return fail("a fresh instance does not hold 0.3 and 0.58");
        s.ops.destroy(i);
    }
    sandbox::heap::fail_next(1);
    Instance none = s.ops.create();
    sandbox::heap::fail_next(0);
    if (none)
        return fail("create does not return null when memory runs out");
    if (s.ops.flags() != 8)
        return fail("flags is not 8");
    return pass("20000 instances created and destroyed; null when memory runs out");
}

Verdict copy(const Context &c) {
    Shader s(c);
    Instance a = s.ops.create();
    Instance b = s.ops.create();
    params(a).roughness = 0.25;
    params(a).sheen = 1;
    s.ops.describe(a);
    if (s.ops.copy(a, b) != nullptr)
        return fail("copy returned an error text");
    params(a).roughness = 0.9;
    std::strcpy(params(a).description, "changed");
    const bool ok = params(b).roughness == 0.25 && params(b).sheen == 1 &&
                    std::strcmp(params(b).description, "Corvalume:roughness:0.25 sheen: 1") == 0;
    s.ops.destroy(a);
    s.ops.destroy(b);
    return ok ? pass("the copy is complete and independent of its source")
              : fail("the copy follows its source or misses a field");
}

Verdict describe(const Context &c) {
    Shader s(c);
    Instance i = s.ops.create();
    for (const char *locale : {"C", "de_DE.UTF-8"}) {
        if (!std::setlocale(LC_ALL, locale))
            return fail(std::string("locale ") + locale + " is not installed");
        const std::string text = s.ops.describe(i);
        if (text != "Corvalume:roughness:0.3 sheen: 0.58")
            return fail(std::string("describes itself as '") + text + "' in " + locale);
    }
    std::setlocale(LC_ALL, "C");
    s.ops.destroy(i);
    return pass("Corvalume:roughness:0.3 sheen: 0.58, in C and de_DE.UTF-8");
}

// Save, load into another instance, save again: the same bytes.
Verdict state(const Context &c, int mode) {
    Shader s(c);
    Instance a = s.ops.create();
    Instance b = s.ops.create();
    const double values[][2] = {{0.3, 0.58},
                                {-2, 150},
                                {0.1 + 0.2, 1e-310},
                                {std::numeric_limits<double>::infinity(), -0.0},
                                {std::numeric_limits<double>::quiet_NaN(), 1.0 / 3}};
    for (const char *writer : {"C", "de_DE.UTF-8"}) {
        for (const char *reader : {"C", "de_DE.UTF-8"}) {
            for (const auto &v : values) {
                params(a).roughness = v[0];
                params(a).sheen = v[1];
                sandbox::Store first;
                std::setlocale(LC_ALL, writer);
                const SaveState save = first.saving(mode);
                s.ops.save(a, &save);
                first.rewind();
                std::setlocale(LC_ALL, reader);
                const LoadState load = first.loading(mode);
                s.ops.load(b, &load);
                sandbox::Store second;
                const SaveState again = second.saving(mode);
                s.ops.save(b, &again);
                std::setlocale(LC_ALL, "C");
                if (first.writes != second.writes || bits(params(b).roughness) != bits(v[0]) ||
                    bits(params(b).sheen) != bits(v[1]))
                    return fail(std::string("value lost, saved in ") + writer + ", loaded in " +
                                reader);
                if (first.writes.size() != 2 || first.read_limits.size() != 2)
                    return fail("not two transfers each way");
            }
        }
    }
    s.ops.destroy(a);
    s.ops.destroy(b);
    return pass("save, load, save byte-identical, across C and de_DE.UTF-8");
}

Verdict state_binary(const Context &c) { return state(c, STATE_BINARY); }
Verdict state_text(const Context &c) { return state(c, 1); }

// Control state of the floating-point units: rounding, masks, flush-to-zero.
struct FloatControl {
    unsigned mxcsr;
    unsigned short x87;
    int round;
    static FloatControl now() {
        FloatControl f{};
        f.mxcsr = _mm_getcsr() & ~0x3Fu; // without the sticky exception flags
        __asm__ volatile("fnstcw %0" : "=m"(f.x87));
        f.round = std::fegetround();
        return f;
    }
    bool operator==(const FloatControl &) const = default;
};

// A random record for the sweep: ordinary, extreme and invalid values.
double pick(std::mt19937_64 &random) {
    static const double special[] = {0.0,
                                     -0.0,
                                     1e300,
                                     -1e300,
                                     1e-300,
                                     5e-324,
                                     std::numeric_limits<double>::quiet_NaN(),
                                     std::numeric_limits<double>::infinity(),
                                     -std::numeric_limits<double>::infinity()};
    std::uniform_real_distribution<double> unit(-1, 1);
    if (random() % 8 == 0)
        return special[random() % std::size(special)];
    return unit(random) * (random() % 4 == 0 ? 1000 : 1);
}

void fill(std::mt19937_64 &random, Host &host, sandbox::Sample &sample, Instance instance) {
    ShadingRecord &r = sample.record();
    for (int i = 0; i < 3; ++i) {
        r.ray_vector[i] = pick(random);
        r.normal[i] = pick(random);
    }
    host.lights.resize(static_cast<std::size_t>(random() % 6));
    for (sandbox::Light &l : host.lights) {
        for (double &d : l.direction)
            d = pick(random);
        for (double &d : l.second)
            d = pick(random);
        l.result = random() % 5 ? 1 : 0;
    }
    params(instance).roughness = random() % 3 ? 0.5 + 0.5 * std::fabs(pick(random)) : pick(random);
    params(instance).sheen = pick(random);
    std::uniform_real_distribution<double> unit(-1, 1);
    r.output_channel = random() % 10 ? unit(random) : pick(random);
    sample.reset_counts();
}

// Finite and not zero.
bool usable(const double *v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]) &&
           (v[0] != 0 || v[1] != 0 || v[2] != 0);
}

Verdict evaluate(const Context &c) {
    Shader s(c);
    Instance instance = s.ops.create();
    std::mt19937_64 random(c.seed);
    constexpr int samples = 20000;
    for (int n = 0; n < samples; ++n) {
        sandbox::Sample sample;
        fill(random, s.host, sample, instance);
        const double start = sample.record().output_channel;
        const FloatControl control = FloatControl::now();
        const long allocations = sandbox::heap::allocations();
        const long locks = watch::locks();
        const long sleeps = watch::sleeps();
        const bool untouched = sample.evaluate_checked(s.ops, instance);
        const long allocated = sandbox::heap::allocations() - allocations;
        const bool quiet = watch::locks() == locks && watch::sleeps() == sleeps;
        const std::string where =
            "sample " + std::to_string(n) + " (seed " + std::to_string(c.seed) + ")";
        if (std::isfinite(start) && !std::isfinite(sample.record().output_channel))
            return fail(where + ": the output channel became " +
                        std::to_string(sample.record().output_channel));
        if (!untouched)
            return fail(where + ": wrote outside the output channel");
        if (!(FloatControl::now() == control))
            return fail(where + ": changed the floating-point control state");
        if (allocated != 0)
            return fail(where + ": allocated memory");
        if (!quiet)
            return fail(where + ": took a lock or slept");
        // Every light is asked once; a record that cannot be shaded (no
        // direction to view from, no normal) may be left without asking.
        const bool shadeable = usable(sample.record().ray_vector) && usable(sample.record().normal);
        for (int calls : sample.light_calls)
            if (calls > 1 || (shadeable && calls != 1))
                return fail(where + ": a light was asked " + std::to_string(calls) + " times");
        if (sample.wrong_position)
            return fail(where + ": the light function got another position");
        if (!unexpected(s.host).empty())
            return fail(where + ": " + unexpected(s.host));
    }
    s.ops.destroy(instance);
    return pass(std::to_string(samples) + " random samples (seed " + std::to_string(c.seed) +
                "): finite, in place, no allocation, lock or sleep");
}

Verdict threads(const Context &c) {
    Shader s(c);
    Instance instance = s.ops.create();
    std::mt19937_64 random(c.seed);
    s.host.lights.resize(5);
    for (sandbox::Light &l : s.host.lights)
        for (double &d : l.direction)
            d = std::uniform_real_distribution<double>(-1, 1)(random);
    constexpr int per_thread = 4000;
    constexpr int thread_count = 4;
    std::vector<double> rays(per_thread * 3);
    for (double &d : rays)
        d = std::uniform_real_distribution<double>(-1, 1)(random);
    auto shade = [&](std::vector<std::uint64_t> &out) {
        sandbox::Sample sample;
        for (int i = 0; i < per_thread; ++i) {
            std::memcpy(sample.record().ray_vector, &rays[3 * i], 3 * sizeof(double));
            sample.record().output_channel = 0;
            sample.evaluate(s.ops, instance);
            out.push_back(bits(sample.record().output_channel));
        }
    };
    std::vector<std::uint64_t> alone;
    shade(alone);
    std::vector<std::vector<std::uint64_t>> results(thread_count);
    std::vector<std::thread> running;
    for (auto &r : results)
        running.emplace_back(shade, std::ref(r));
    for (std::thread &t : running)
        t.join();
    for (const auto &r : results)
        if (r != alone)
            return fail("results differ between threads and one thread");
    s.ops.destroy(instance);
    return pass(std::to_string(thread_count) + " threads give the single thread's results");
}

#if defined(__i386__)
// The 32-bit host may call with its stack aligned to 4 bytes only.
Verdict stack(const Context &c) {
    Shader s(c);
    Instance instance = s.ops.create();
    s.host.lights.resize(3);
    for (unsigned skew : {4u, 8u, 12u}) {
        sandbox::Sample sample;
        sample.record().ray_vector[0] = 0.5;
        {
            sandbox::Sample::Active active(sample);
            sandbox::call_skewed(reinterpret_cast<void *>(s.ops.evaluate), instance,
                                 &sample.record(), skew);
        }
        sandbox::Store store;
        SaveState save = store.saving(1);
        sandbox::call_skewed(reinterpret_cast<void *>(s.ops.save), instance, &save, skew);
        store.rewind();
        LoadState load = store.loading(1);
        sandbox::call_skewed(reinterpret_cast<void *>(s.ops.load), instance, &load, skew);
        sandbox::call_skewed(reinterpret_cast<void *>(s.ops.describe), instance, nullptr, skew);
    }
    s.ops.destroy(instance);
    return pass("evaluate, save, load and describe with the stack 4, 8 and 12 bytes off");
}
#endif

Verdict panel(const Context &c) {
    auto m = open(c);
    struct Case {
        const char *name;
        bool accept;
        bool fail_create;
        int fail_control;
        int result;
        double roughness, sheen; // afterwards
        std::size_t messages;
    };
    const Case cases[] = {
        {"accept", true, false, 0, 0, 0.45, 1, 0},
        {"cancel", false, false, 0, 0, 0.3, 0.58, 0},
        {"no panel", true, true, 0, 2, 0.3, 0.58, 1},
        {"first control", true, false, 1, 0, 0.3, 0.58, 1},
        {"second control", true, false, 2, 0, 0.3, 0.58, 1},
    };
    for (const Case &k : cases) {
        Host host;
        ShaderOperations ops{};
        if (host.activate(need(*m, CLASS_SHADER_HANDLER), 1, &ops) != 0)
            return fail("the shader handler does not activate");
        Instance i = ops.create();
        host.panel.accept = k.accept;
        host.panel.fail_create = k.fail_create;
        host.panel.fail_control = k.fail_control;
        host.panel.typed = {{"Roughness", 45}, {"Sheen", 100}};
        const int result = host.activate(need(*m, CLASS_SHADER_INTERFACE), 1, i);
        const sandbox::PanelLog &log = host.panel_log();
        if (result != k.result)
            return fail(std::string(k.name) + ": result " + std::to_string(result));
        if (params(i).roughness != k.roughness || params(i).sheen != k.sheen)
            return fail(std::string(k.name) + ": wrong parameters afterwards");
        if (host.messages().size() != k.messages)
            return fail(std::string(k.name) + ": wrong messages");
        if (log.created != log.destroyed)
            return fail(std::string(k.name) + ": the panel was not destroyed");
        if (!unexpected(host).empty())
            return fail(std::string(k.name) + ": " + unexpected(host));
        ops.destroy(i);
    }
    return pass("accept, cancel and each failure behave");
}

} // namespace

const std::vector<Check> &all() {
    static const std::vector<Check> list = {
        {"load", load},
        {"exports", exports},
        {"record", record},
        {"servers", servers},
        {"version", version},
        {"services", services},
        {"lifecycle", lifecycle},
        {"copy", copy},
        {"describe", describe},
        {"state-binary", state_binary},
        {"state-text", state_text},
        {"evaluate", evaluate},
        {"threads", threads},
#if defined(__i386__)
        {"stack", stack},
#endif
        {"panel", panel},
    };
    return list;
}

} // namespace checks
