#include "DisplayPresence.h"

#include <QtGlobal>

#include <windows.h>

// A program in the user's desktop session runs in the interactive window station, the visible
// one; a service's station (session 0) shows nothing to anyone.
bool displayNamed() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return true;
    }
    USEROBJECTFLAGS flags{};
    const HWINSTA station = GetProcessWindowStation();
    return station != nullptr &&
           GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) != FALSE &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}
