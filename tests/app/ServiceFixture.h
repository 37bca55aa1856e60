#pragma once

#include "FakeClockHealth.h"
#include "frmMain.h"
#include "numbers.h"
#include "support/EventLoop.h"
#include "support/LoopbackPeer.h"
#include "support/QtPrinters.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

// A real time service serving on a reserved loopback port, with a clock the test sets and
// a fixed local address in place of address discovery, and the window that shows it.
class ServiceFixture : public ::testing::Test {
protected:
    void SetUp() override {
        numbers::TotalRequests = numbers::TotalBytesReceived = numbers::TotalBytesSent = 0;
        form.reset();
        TimeService::Setup setup;
        setup.port = reserved.port();
        setup.clock = [this] { return clock(); };
        setup.localAddress = [this] { return localAddress; };
        setup.clockHealth = clockHealth;
        setup.tickByHand = tickByHand;
        service = std::make_unique<TimeService>(setup);
        form = std::make_unique<frmMain>(*service);
    }

    void load() {
        service->start();
        form->Form_Load();
    }

    QString text(const char* name) const { return form->findChild<QLabel*>(QLatin1String(name))->text(); }
    QPushButton* button(const char* name) const { return form->findChild<QPushButton*>(QLatin1String(name)); }
    QTimer* timer() const { return service->findChild<QTimer*>(QStringLiteral("Timer1")); }
    QStringList logLines() const { return service->log().lines(); }
    // The log as one text, its lines joined by CR LF.
    QString logText() const { return logLines().join(QStringLiteral("\r\n")); }
    QString lastLogLine() const { return logLines().last(); }
    bool logEndsWith(const QString& text) const { return lastLogLine().endsWith(text); }

    std::string requestTime() { return testing_support::requestReply(reserved.port()); }

    // Connects once the service listens (a tick may have just closed it).
    std::unique_ptr<testing_support::LoopbackPeer> connectStation() {
        std::unique_ptr<testing_support::LoopbackPeer> station;
        testing_support::waitUntil([&] {
            station = testing_support::LoopbackPeer::connectTo(reserved.port());
            return station != nullptr;
        });
        return station;
    }

    testing_support::ReservedPort reserved;
    std::function<QDateTime()> clock = [] { return QDateTime(QDate(2027, 3, 1), QTime(9, 5, 7)); };
    std::string localAddress = "192.0.2.10";
    std::shared_ptr<FakeClockHealth> clockHealth = std::make_shared<FakeClockHealth>();
    bool tickByHand = false;
    std::unique_ptr<TimeService> service;
    std::unique_ptr<frmMain> form;
};
