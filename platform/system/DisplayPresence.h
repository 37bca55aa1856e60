#pragma once

// Whether the program was started where it can show a window. Without a display (started from
// SSH, at boot, or as a service) the time service runs without any window. A platform named in
// QT_QPA_PLATFORM always gets the window.
bool displayNamed();
