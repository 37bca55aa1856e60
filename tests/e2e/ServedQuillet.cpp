#include "ServedQuillet.h"

#include "ProcessResources.h"
#include "Station.h"

#include "support/EventLoop.h"

#include <QRegularExpression>
#include <cstdio>

namespace e2e {

bool isReplyBetween(const std::string& reply, const QDateTime& before, const QDateTime& after) {
    static const QRegularExpression kTwelveDigits(QStringLiteral("^\\d{12}$"));
    const QString text = QString::fromStdString(reply);
    if (!kTwelveDigits.match(text).hasMatch()) {
        return false;
    }
    const QDateTime moment = QDateTime::fromString(text, QStringLiteral("yyyyMMddHHmm"));
    const QDateTime minuteBefore(before.date(), QTime(before.time().hour(), before.time().minute()));
    return moment.isValid() && moment >= minuteBefore && moment <= after;
}

void observe(const std::string& what) {
    std::printf("[ observed ] %s\n", what.c_str());
    std::fflush(stdout);
}

std::string expectResourcesAsAtTheStart(pid_t pid, const std::map<int, std::string>& startDescriptors, long startKiB,
                                        long maxGrowthKiB) {
    const bool asAtTheStart =
        testing_support::waitUntil([&] { return ownDescriptors(pid).size() == startDescriptors.size(); }, 2s);
    const auto endDescriptors = ownDescriptors(pid);
    EXPECT_TRUE(asAtTheStart) << describeDescriptors(startDescriptors) << " at the start, now "
                              << describeDescriptors(endDescriptors);
    const long endKiB = residentKiB(pid);
    if (kResidentSizeIsTheProgramsOwn) {
        EXPECT_LT(endKiB - startKiB, maxGrowthKiB);
    }
    return "descriptors " + std::to_string(startDescriptors.size()) + " -> " + std::to_string(endDescriptors.size()) +
           " besides GLib's event descriptors (" + std::to_string(openDescriptors(pid).size()) + " in all); resident " +
           std::to_string(startKiB) + " KiB -> " + std::to_string(endKiB) + " KiB";
}

void ServedQuilletTest::SetUp() {
    ASSERT_TRUE(quillet.waitForListening()) << quillet.standardError().toStdString();
}

void ServedQuilletTest::TearDown() {
    const QDateTime before = serverNow();
    const TimeAnswer answer = quillet.whileServing([] { return askTime(QuilletProcess::kPort, 1s); });
    EXPECT_TRUE(isReplyBetween(answer.reply, before, serverNow()))
        << "after the scenario a normal station got \"" << answer.reply << "\" in " << answer.attempts << " attempts";
}

QStringList setClockEnvironment(const QStringList& clockSetting) {
    return clockSetting + QStringList{QStringLiteral("LD_PRELOAD=" QUILLET_LIBFAKETIME),
                                      QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC=1"), QStringLiteral("TZ=UTC"),
                                      // a sanitized build's runtime tolerates the preloaded library ahead of it
                                      QStringLiteral("ASAN_OPTIONS=verify_asan_link_order=0")};
}

} // namespace e2e
