#include "ServerCompanions.h"

// Windows starts the program from the desktop or the Startup folder: no service manager takes
// its notices, so the Windows build has no notifier at all.
std::vector<std::unique_ptr<ServerCompanion>> makeServerCompanions(TimeService&) {
    return {};
}
