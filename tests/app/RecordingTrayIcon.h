#pragma once

#include "TrayIcon.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// A tray that records what the window asks of it and reports mouse actions on demand.
class RecordingTrayIcon final : public TrayIcon {
public:
    // Answers at once, or, while answers are held, when answerHeldQuestions() is called.
    void askAvailable(AvailabilityHandler answer) override {
        if (holdAnswers) {
            m_heldQuestions.push_back(std::move(answer));
        } else {
            answer(available);
        }
    }
    // A slow tray host answers at last.
    void answerHeldQuestions() {
        for (const AvailabilityHandler& answer : std::exchange(m_heldQuestions, {})) {
            answer(available);
        }
    }
    void add(const TrayIconData& data) override {
        calls.push_back("add");
        shown = data;
    }
    void remove() override {
        calls.push_back("remove");
        shown.reset();
    }
    void setActivationHandler(ActivationHandler handler) override { m_handler = std::move(handler); }
    void setGoneHandler(GoneHandler handler) override { m_goneHandler = std::move(handler); }

    // A mouse action on the icon, as the desktop would report it.
    void activate(Activation activation, const QPoint& globalPosition = {}) {
        if (m_handler) {
            m_handler(activation, globalPosition);
        }
    }

    // The tray goes away, taking the icon with it.
    void disappear() {
        shown.reset();
        if (m_goneHandler) {
            m_goneHandler();
        }
    }

    bool available = true;
    bool holdAnswers = false;
    std::vector<std::string> calls;
    std::optional<TrayIconData> shown; // the icon in the tray, if any

private:
    ActivationHandler m_handler;
    GoneHandler m_goneHandler;
    std::vector<AvailabilityHandler> m_heldQuestions;
};
