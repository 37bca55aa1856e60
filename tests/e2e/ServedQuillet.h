#pragma once

#include "QuilletProcess.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <string>

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

// A fresh quillet for each scenario; after the scenario a normal station must still
// get a correct reply within one second.
class ServedQuilletTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QuilletProcess quillet;
};

} // namespace e2e
