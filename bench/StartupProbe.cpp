#include "StartupProbe.h"

#include "Loopback.h"
#include "ProcessMeter.h"
#include "ServerProcess.h"

#include <cstdio>
#include <memory>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kPollInterval{1};
constexpr std::chrono::seconds kGiveUp{15};

} // namespace

std::optional<StartUp> measureStartup(const std::string& program, std::uint16_t port, const std::string& logPath) {
    ServerProcess server(program, {}, logPath);
    while (Clock::now() < server.startedAt() + kGiveUp && server.running()) {
        if (acceptsConnections(port)) {
            const double milliseconds = millisecondsBetween(server.startedAt(), Clock::now());
            return StartUp{milliseconds, ProcessMeter(server.pid()).residentMiB()};
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return std::nullopt;
}

std::optional<StartUp> measureStartupWith(const std::string& command) {
    const std::unique_ptr<FILE, int (*)(FILE*)> output(::popen(command.c_str(), "r"), ::pclose);
    StartUp measured;
    if (output && std::fscanf(output.get(), "%lf %lf", &measured.milliseconds, &measured.residentMiB) == 2) {
        return measured;
    }
    return std::nullopt;
}
