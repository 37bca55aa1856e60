#pragma once

// The socket layer and its message windows belong to the thread that runs the Qt event
// loop. Debug and sanitizer builds check that rule where messages are posted and sockets
// registered, and end the program at the first call from another thread.
namespace gui_thread {

// Ends the program with a message naming the operation when called off the thread of the
// application object; does nothing in builds that do not check, or before that object exists.
void assertOnGuiThread(const char* operation);
// Whether this build checks.
bool isChecked();

} // namespace gui_thread
