#pragma once

#include "RequestOutcome.h"
#include "StationRow.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <chrono>
#include <functional>
#include <vector>

// The stations that asked since the start, one row per address, in memory only. It holds at most
// kCapacity rows: when full, the station that asked longest ago makes room. A request costs the
// same whatever the table holds: a hash look-up and a move to the front of the recency list.
// A row keeps its index for as long as it lives; a station that makes room leaves its index to
// the newcomer.
class StationTable {
public:
    static constexpr int kCapacity = 4096;
    // A station is named silent once it has asked this often, then stayed quiet for more than
    // this many of its usual intervals, and for the shortest silence at least.
    static constexpr std::int64_t kRequestsBeforeSilence = 3;
    static constexpr int kIntervalsOfSilence = 3;
    static constexpr std::chrono::minutes kShortestSilence{10};

    using Log = std::function<void(const QString& text)>;
    // A row changed; `added` when it is a new row at the end.
    using Observer = std::function<void(int row, bool added)>;

    explicit StationTable(Log log);
    void setObserver(Observer observer);

    // A station's request was accepted at the given moment; a silent station that asks again is logged.
    void recordRequest(const QString& address, const QDateTime& at);
    // How the station's latest request ended; a station no longer in the table is passed over.
    void recordOutcome(const QString& address, const RequestOutcome& outcome);
    // Logs, once each, the stations that have gone silent by the given moment.
    void checkSilence(const QDateTime& now);

    int size() const { return static_cast<int>(m_slots.size()); }
    const StationRow& row(int index) const { return m_slots[static_cast<std::size_t>(index)].row; }
    int silentCount() const { return m_silent; }
    // Row indexes from the station that asked last to the one that asked longest ago.
    std::vector<int> byRecency() const;
    // "14 stations, 1 silent"
    QString summary() const;

private:
    struct Slot {
        StationRow row;
        int newer = -1; // the recency list, by index
        int older = -1;
    };

    int takeSlot(const QString& address, bool& added);
    void unlink(int index);
    void pushNewest(int index);
    bool isSilentAt(const StationRow& row, std::int64_t nowMs) const;
    void markSilent(int index);
    void notify(int index, bool added) const;

    Log m_log;
    Observer m_observer;
    std::vector<Slot> m_slots;
    QHash<QString, int> m_index;
    int m_newest = -1;
    int m_oldest = -1;
    int m_silent = 0;
};
