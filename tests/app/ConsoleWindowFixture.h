#pragma once

#include "RecordingTrayIcon.h"
#include "frmMain.h"

#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

// The main window started on an ephemeral port with a fixed address, a recording tray and
// questions answered by the test.
class ConsoleWindowFixture : public ::testing::Test {
protected:
    static constexpr const char* kAddress = "192.0.2.15";

    void SetUp() override;
    void TearDown() override;

    template <typename Widget = QWidget> Widget* control(const char* name) const {
        return form->findChild<Widget*>(QLatin1String(name));
    }
    // Shows the window and waits until it is the active window.
    void showActive();
    void minimize();

    std::shared_ptr<RecordingTrayIcon> tray = std::make_shared<RecordingTrayIcon>();
    bool answer = false;
    std::vector<std::pair<QString, QString>> questions; // title and text of each question asked
    std::unique_ptr<TimeService> service;
    std::unique_ptr<frmMain> form;
};
