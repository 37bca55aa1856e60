#pragma once

#include <chrono>
#include <functional>

namespace testing_support {

using namespace std::chrono_literals;

// Spins the Qt event loop until condition() holds or the deadline passes.
// Returns whether the condition held. Never sleeps blindly: it waits for events,
// waking at least every few milliseconds to test the condition again.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 5s);

// Spins the event loop for the given time, for tests that must show that
// something does NOT happen within a window.
void spinFor(std::chrono::milliseconds duration);

} // namespace testing_support
