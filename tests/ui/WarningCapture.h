#pragma once

#include "WarningBox.h"

#include <string>
#include <vector>

// Collects the warnings shown while it lives, instead of writing them out.
class WarningCapture {
public:
    struct Warning {
        std::string title;
        std::string text;
        bool operator==(const Warning&) const = default;
    };

    WarningCapture()
        : m_previous(setWarningBoxHandler([this](const std::string& title, const std::string& text) {
              m_warnings.push_back({title, text});
          })) {}
    ~WarningCapture() { setWarningBoxHandler(m_previous); }
    WarningCapture(const WarningCapture&) = delete;
    WarningCapture& operator=(const WarningCapture&) = delete;

    const std::vector<Warning>& warnings() const { return m_warnings; }

private:
    std::vector<Warning> m_warnings;
    WarningBoxHandler m_previous;
};
