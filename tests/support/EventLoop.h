#pragma once

#include <chrono>
#include <functional>

namespace testing_support {

using namespace std::chrono_literals;

// Spins the Qt event loop until condition() holds or the deadline passes.
// Returns whether the condition held. Never sleeps blindly: it waits for events,
// waking at least every few milliseconds to test the condition again.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline = 5s);

// Delivers what is already due, for tests that show that something does NOT happen: posts a
// marker behind the queue and spins until it has run, a few rounds over, so that notifications
// the kernel has already signalled, and what they post in turn, have all been handled.
void processPendingEvents();

} // namespace testing_support
