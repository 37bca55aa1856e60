#pragma once

// Ends the process at once with the status, after flushing standard output and error, without
// the exit handlers and destructors still due. For when those would wait on something that may
// never come (see PendingLookups); call it once the program has let go of what it owns.
[[noreturn]] void endProcess(int status);
