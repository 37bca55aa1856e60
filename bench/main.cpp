#include "BenchRun.h"
#include "Report.h"
#include "StartupProbe.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <net/if.h>
#include <string>

namespace {

constexpr const char* kUsage =
    "usage: quillet_bench [--rounds N] [--windows FOLDER] | --startup-probe LOG [--window]\n"
    "Run it through tests/e2e/private-network: it insists on a network namespace holding only loopback.";

// Every interface here is loopback, so nothing this run starts can reach another machine.
bool onlyLoopback() {
    struct if_nameindex* interfaces = ::if_nameindex();
    bool loopbackOnly = interfaces != nullptr;
    for (const struct if_nameindex* entry = interfaces; entry != nullptr && entry->if_index != 0; ++entry) {
        loopbackOnly = loopbackOnly && std::strcmp(entry->if_name, "lo") == 0;
    }
    ::if_freenameindex(interfaces);
    return loopbackOnly;
}

// One start-up sample: headless, as a service starts it, or with its window on Qt's offscreen platform.
int probeStartUp(const std::string& logPath, bool window) {
    if (window) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    const std::optional<StartUp> measured = measureStartup(BENCH_QUILLET, {}, BenchRun::kQuilletPort, logPath);
    if (measured) {
        std::cout << measured->milliseconds << ' ' << measured->residentMiB << std::endl;
    }
    return measured ? 0 : 1;
}

int runAll(int rounds, const std::string& windowsFolder) {
    BenchPlan plan;
    plan.rounds = rounds;
    const BenchPaths paths{BENCH_QUILLET,
                           BENCH_REFERENCE,
                           BENCH_QUILLET_WITHOUT_CLOCK_CHECKS,
                           BENCH_QUILLET_WITH_STATIONS,
                           windowsFolder,
                           BENCH_PRIVATE_NETWORK,
                           std::filesystem::read_symlink("/proc/self/exe").string(),
                           BENCH_LOG_DIR};
    RunContext context{describeMachine(), loadAverages(), "", 0, 0};
    const CpuLoad load;
    const TimePoint start = Clock::now();
    const Measurements measurements = BenchRun(plan, paths).run();
    context.seconds = millisecondsBetween(start, Clock::now()) / 1000.0;
    context.machineBusyPercent = load.busyPercentSinceStart();
    context.loadAfter = loadAverages();
    printReport(std::cout, plan, measurements, context);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (!onlyLoopback()) {
        std::cerr << "quillet_bench: this network namespace has more than loopback; refusing to run.\n"
                  << kUsage << std::endl;
        return 2;
    }
    // Every server runs headless, as a service runs it, unless a probe asks for the window.
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        ::unsetenv(display);
    }
    // Every server of the run makes its status socket here, where quillet --status looks.
    const std::filesystem::path runtime = std::filesystem::path(BENCH_LOG_DIR) / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string option = argc > 1 ? argv[1] : "";
    try {
        if (option == "--startup-probe" && (argc == 3 || (argc == 4 && std::string(argv[3]) == "--window"))) {
            return probeStartUp(argv[2], argc == 4);
        }
        int rounds = BenchPlan{}.rounds;
        std::string windowsFolder = BENCH_WINDOWS_FOLDER;
        bool understood = option != "--startup-probe";
        for (int at = 1; understood && at < argc; at += 2) {
            const std::string name = argv[at];
            understood = at + 1 < argc && (name == "--rounds" || name == "--windows");
            if (understood && name == "--rounds") {
                rounds = std::atoi(argv[at + 1]);
                understood = rounds > 0;
            } else if (understood) {
                windowsFolder = argv[at + 1];
            }
        }
        if (understood) {
            return runAll(rounds, windowsFolder);
        }
    } catch (const std::exception& error) {
        std::cerr << "quillet_bench: " << error.what() << std::endl;
        return 1;
    }
    std::cerr << kUsage << std::endl;
    return 2;
}
