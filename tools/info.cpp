// corvalume-sandbox info: what the host finds in a module file.
#include <cstdio>

#include "host/shader.h"
#include "sandbox/host.h"
#include "tools/cli.h"

namespace cli {

int info(const Args &args) {
    if (args.size() != 1 || args[0] == "--help") {
        std::fputs("usage: corvalume-sandbox info MODULE\n\n"
                   "Prints the module record, the server table, each server's activation\n"
                   "result on a host that offers every service, and the description of a\n"
                   "fresh shader instance.\n",
                   args.size() == 1 ? stdout : stderr);
        return args.size() == 1 ? exit_ok : exit_usage;
    }
    auto module = load(args[0]);
    if (!module)
        return exit_no_module;

    const ModuleRecord &r = module->record();
    std::printf("module      %s\n", args[0].c_str());
    std::printf("magic       0x%08x\nversion     %u\nmachine     0x%x\n", r.magic, r.record_version,
                r.machine);
    std::printf("startup     %p\n", r.startup ? r.startup() : nullptr);
    const auto servers = module->servers();
    std::printf("servers     %zu%s\n", servers.size(),
                module->table_terminated() ? "" : " (table not terminated)");

    sandbox::Host host;
    ShaderOperations ops{};
    for (const ServerRecord *s : servers) {
        const bool handler = std::string(s->class_name) == CLASS_SHADER_HANDLER;
        int result = -1;
        if (handler)
            result = host.activate(*s, 1, &ops);
        std::printf("  %-16s %-12s", s->class_name, s->server_name ? s->server_name : "(none)");
        if (handler)
            std::printf(" activation %d", result);
        std::printf("\n");
    }
    if (ops.create && ops.describe && ops.destroy) {
        Instance i = ops.create();
        if (i) {
            std::printf("instance    %s\n", ops.describe(i));
            std::printf("flags       %d\n", ops.flags ? ops.flags() : -1);
            ops.destroy(i);
        }
    }
    if (r.shutdown)
        r.shutdown();
    return exit_ok;
}

} // namespace cli
