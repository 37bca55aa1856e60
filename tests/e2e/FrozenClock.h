#pragma once

#include <QString>
#include <QStringList>

namespace e2e {

// The environment that runs the server under libfaketime with its wall clock frozen at the
// moment ("YYYY-MM-DD hh:mm:ss", UTC); the monotonic clock behind the tick runs on.
inline QStringList frozenClock(const QString& moment) {
    return {QStringLiteral("LD_PRELOAD=" QUILLET_LIBFAKETIME), QStringLiteral("FAKETIME=") + moment,
            QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC=1"), QStringLiteral("TZ=UTC"),
            // a sanitized build's runtime tolerates the preloaded library ahead of it
            QStringLiteral("ASAN_OPTIONS=verify_asan_link_order=0")};
}

} // namespace e2e
