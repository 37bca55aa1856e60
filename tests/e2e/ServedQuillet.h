#pragma once

#include "QuilletProcess.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/types.h>

namespace e2e {

// A sanitized build's allocator quarantines freed memory and keeps shadow memory, so the
// server's resident size there says little about the program's own use.
#ifdef QUILLET_SANITIZED
constexpr bool kResidentSizeIsTheProgramsOwn = false;
#else
constexpr bool kResidentSizeIsTheProgramsOwn = true;
#endif

// True when the reply is 12 digits naming a minute from `before` to `after`.
bool isReplyBetween(const std::string& reply, const QDateTime& before, const QDateTime& after);

// Prints what a scenario saw, for the record of a run.
void observe(const std::string& what);

// Fails the scenario unless the server's own descriptors come back to those at the start
// within two seconds (the last connection goes at the next tick, and the listener is made
// anew) and its resident memory grew less than the bound; answers what it found, for the record.
std::string expectResourcesAsAtTheStart(pid_t pid, const std::map<int, std::string>& startDescriptors, long startKiB,
                                        long maxGrowthKiB);

// A fresh quillet for each scenario; after the scenario a normal station must still
// get a correct reply within one second.
class ServedQuilletTest : public ::testing::Test {
protected:
    explicit ServedQuilletTest(const QStringList& environment = {}) : quillet(environment) {}
    void SetUp() override;
    void TearDown() override;

    // The server's clock, as the check after the scenario reads it.
    virtual QDateTime serverNow() const { return QDateTime::currentDateTime(); }

    QuilletProcess quillet;
};

// The environment that sets the server's wall clock with libfaketime (FAKETIME or
// FAKETIME_TIMESTAMP_FILE as given) in UTC; the monotonic clock behind the tick runs on.
QStringList setClockEnvironment(const QStringList& clockSetting);

} // namespace e2e
