#include "WarningBox.h"

#include <cstdio>
#include <utility>

namespace {

WarningBoxHandler& installedHandler() {
    static WarningBoxHandler handler;
    return handler;
}

void writeToStandardError(const std::string& title, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
}

} // namespace

void showWarningBox(const std::string& title, const std::string& text) noexcept {
    const WarningBoxHandler& handler = installedHandler();
    try {
        if (handler) {
            handler(title, text);
            return;
        }
    } catch (...) {
        // The warning still reaches someone below.
    }
    writeToStandardError(title, text);
}

WarningBoxHandler setWarningBoxHandler(WarningBoxHandler handler) {
    return std::exchange(installedHandler(), std::move(handler));
}
