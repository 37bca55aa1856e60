#include "CommandLine.h"

#include <cstdio>

namespace {

constexpr int kUsageError = 2;
constexpr const char* kUsage = "Usage: quillet [--help | --version]";

void printHelp() {
    std::printf("%s\n\n"
                "Answers every time-clock station that connects to TCP port 10325 with this computer's\n"
                "local date and time as 12 digits (YYYYMMDDhhmm), then closes the connection.\n"
                "Every activity-log line is written to standard output as well. Without a display it\n"
                "runs headless. SIGINT or SIGTERM ends it.\n\n"
                "  --help     show this help and exit\n"
                "  --version  show the version and exit\n",
                kUsage);
}

} // namespace

std::optional<int> answerCommandLine(const std::vector<std::string_view>& arguments) {
    if (arguments.empty()) {
        return std::nullopt;
    }
    if (arguments.size() == 1 && arguments[0] == "--help") {
        printHelp();
        return 0;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        std::printf("quillet %s\n", QUILLET_VERSION);
        return 0;
    }
    std::fprintf(stderr, "quillet: unexpected argument '%.*s'. %s\n", static_cast<int>(arguments[0].size()),
                 arguments[0].data(), kUsage);
    return kUsageError;
}
