#pragma once

// Host look-ups that may still run in Qt's resolver threads. Qt joins those threads when the
// application object goes, and one waiting on an unanswered DNS query holds that for the
// resolver's whole timeout: the program's end asks here whether to skip that.
namespace PendingLookups {

void started();
void finished();
// A request given up on before it ended: its look-up may run on, unseen.
void abandoned();
bool any();

} // namespace PendingLookups
