#pragma once

#include "ServiceFixture.h"

// Moments that once broke the service, each made to happen between two ticks given by hand.
class SteppedTickTest : public ServiceFixture {
protected:
    void SetUp() override {
        tickByHand = true;
        ServiceFixture::SetUp();
        load();
    }

    // A station the service has accepted and logged, its reply not yet sent.
    std::unique_ptr<testing_support::LoopbackPeer> acceptedStation() {
        const qsizetype requests = logLines().filter(QStringLiteral("RQST: [")).size();
        auto station = connectStation();
        EXPECT_TRUE(
            testing_support::waitUntil([&] { return logLines().filter(QStringLiteral("RQST: [")).size() > requests; }));
        return station;
    }

    // The next station, once a tick has listened again, and what it receives at the tick after.
    std::string nextStationReceives() {
        service->Timer1_Timer();
        auto next = acceptedStation();
        service->Timer1_Timer();
        EXPECT_TRUE(next->waitForEnd());
        return next->received();
    }

    void setClock(const QTime& time) {
        clock = [time] { return QDateTime(QDate(2027, 3, 1), time); };
    }
    qsizetype linesWith(const QString& text) const { return logLines().filter(text).size(); }
};
