#include "CommandLine.h"
#include "QuilletVersion.h"

#include "StatusClient.h"
#include "StatusPaths.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kUsageError = 2;
// The exit statuses of an LSB status action.
constexpr int kNotRunning = 3;
constexpr int kStatusUnknown = 4;
constexpr std::chrono::seconds kStatusDeadline{5};
constexpr const char* kUsage = "Usage: quillet [--help | --version | --status [--json]]";

void printHelp() {
    std::printf("%s\n\n"
                "Answers every time-clock station that connects to TCP port 10325 with this computer's\n"
                "local date and time as 12 digits (YYYYMMDDhhmm), then closes the connection.\n"
                "Every activity-log line is written to standard output as well. Without a display it\n"
                "runs headless. SIGINT or SIGTERM ends it.\n\n"
                "  --help           show this help and exit\n"
                "  --version        show the version and exit\n"
                "  --status         show the running server's address, state, counters, clock and\n"
                "                   stations, and exit; 3 when no server runs\n"
                "  --status --json  the same as one JSON object\n",
                kUsage);
}

void printError(const QString& text) {
    std::fprintf(stderr, "quillet: %s\n", qPrintable(text));
}

// Asks the session's server, then the service; the first answer is printed.
int printStatus(bool json) {
    const QStringList sockets = StatusPaths::clientSockets();
    std::optional<std::pair<QString, StatusClient::Reply>> refused;
    for (const QString& socket : sockets) {
        StatusClient::Reply reply = StatusClient::ask(socket, json ? "json\n" : "text\n", kStatusDeadline);
        if (reply.result == StatusClient::Reply::Result::Answered) {
            std::fwrite(reply.answer.constData(), 1, static_cast<std::size_t>(reply.answer.size()), stdout);
            return 0;
        }
        if (reply.result != StatusClient::Reply::Result::NotRunning && !refused) {
            refused.emplace(socket, std::move(reply));
        }
    }
    if (!refused) {
        printError(QStringLiteral("no server is running (looked for %1)").arg(sockets.join(QStringLiteral(" and "))));
        return kNotRunning;
    }
    const auto& [socket, reply] = *refused;
    const bool service = socket == QLatin1String(StatusPaths::kServiceSocket);
    printError(socket + QStringLiteral(": ") + reply.error +
               (reply.result == StatusClient::Reply::Result::Denied && service
                    ? QStringLiteral("; the service answers root only: sudo quillet --status")
                    : QString()));
    return kStatusUnknown;
}

bool isStatusRequest(const std::vector<std::string_view>& arguments) {
    const auto count = [&](std::string_view option) { return std::ranges::count(arguments, option); };
    return count("--status") == 1 && count("--json") <= 1 &&
           static_cast<std::size_t>(count("--status") + count("--json")) == arguments.size();
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
    if (isStatusRequest(arguments)) {
        return printStatus(arguments.size() == 2);
    }
    std::fprintf(stderr, "quillet: unexpected argument '%.*s'. %s\n", static_cast<int>(arguments[0].size()),
                 arguments[0].data(), kUsage);
    return kUsageError;
}
