#include "StartupProbe.h"

#include "Loopback.h"
#include "ServerProcess.h"

#include <cstdio>
#include <memory>
#include <thread>

namespace {

constexpr std::chrono::milliseconds kPollInterval{1};
constexpr std::chrono::seconds kGiveUp{15};

} // namespace

std::optional<double> measureStartup(const std::string& program, std::uint16_t port, const std::string& logPath) {
    ServerProcess server(program, {}, logPath);
    while (Clock::now() < server.startedAt() + kGiveUp && server.running()) {
        if (acceptsConnections(port)) {
            return millisecondsBetween(server.startedAt(), Clock::now());
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return std::nullopt;
}

std::optional<double> measureStartupWith(const std::string& command) {
    const std::unique_ptr<FILE, int (*)(FILE*)> output(::popen(command.c_str(), "r"), ::pclose);
    double milliseconds = 0;
    if (output && std::fscanf(output.get(), "%lf", &milliseconds) == 1) {
        return milliseconds;
    }
    return std::nullopt;
}
