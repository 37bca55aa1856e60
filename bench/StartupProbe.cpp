#include "StartupProbe.h"

#include "Loopback.h"
#include "ProcessMeter.h"
#include "ServerProcess.h"

#include <cstdio>
#include <memory>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kPollInterval{1};

} // namespace

std::optional<StartUp> measureStartup(const std::string& program, const std::vector<std::string>& arguments,
                                      std::uint16_t port, const std::string& logPath, std::chrono::seconds giveUp) {
    ServerProcess server(program, arguments, logPath);
    while (Clock::now() < server.startedAt() + giveUp && server.running()) {
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
