#include "PendingLookups.h"

namespace {

int g_running = 0;
bool g_abandoned = false;

} // namespace

namespace PendingLookups {

void started() {
    ++g_running;
}

void finished() {
    --g_running;
}

void abandoned() {
    g_abandoned = true;
}

bool any() {
    return g_abandoned || g_running > 0;
}

} // namespace PendingLookups
