#include "StationTable.h"

#include "DurationText.h"

#include <algorithm>

StationTable::StationTable(Log log) : m_log(std::move(log)) {
    m_slots.reserve(kCapacity);
    m_index.reserve(kCapacity);
}

void StationTable::setObserver(Observer observer) {
    m_observer = std::move(observer);
}

void StationTable::recordRequest(const QString& address, const QDateTime& at) {
    const std::int64_t atMs = at.toMSecsSinceEpoch();
    bool added = false;
    const int index = takeSlot(address, added);
    StationRow& row = m_slots[static_cast<std::size_t>(index)].row;
    if (row.requests == 0) {
        row.firstMs = atMs;
    } else {
        row.addGap(atMs - row.lastMs);
        if (row.silent) {
            row.silent = false;
            --m_silent;
            m_log(QStringLiteral("Station %1 asking again after %2")
                      .arg(address, durationText(std::chrono::milliseconds(atMs - row.lastMs))));
        }
    }
    ++row.requests;
    row.lastMs = atMs;
    unlink(index);
    pushNewest(index);
    notify(index, added);
}

// The station's own row, a new one at the end, or, when the table is full, the row of the
// station that asked longest ago, emptied for the newcomer.
int StationTable::takeSlot(const QString& address, bool& added) {
    if (const auto found = m_index.constFind(address); found != m_index.constEnd()) {
        return found.value();
    }
    int index = size();
    if (index < kCapacity) {
        m_slots.emplace_back();
        m_slots.back().row.address = address;
        added = true;
    } else {
        index = m_oldest;
        StationRow& evicted = m_slots[static_cast<std::size_t>(index)].row;
        m_index.remove(evicted.address);
        m_silent -= evicted.silent ? 1 : 0;
        evicted = StationRow{};
        evicted.address = address;
    }
    m_index.insert(address, index);
    return index;
}

void StationTable::recordOutcome(const QString& address, const RequestOutcome& outcome) {
    const auto found = m_index.constFind(address);
    if (found == m_index.constEnd()) {
        return;
    }
    StationRow& row = m_slots[static_cast<std::size_t>(found.value())].row;
    row.outcome = outcome.kind;
    row.error = outcome.kind == RequestOutcome::Kind::Failed ? outcome.error : QString();
    notify(found.value(), false);
}

// From the station that asked longest ago towards the newest, until one asked within the
// shortest silence: every newer one did too, so a check passes over few stations but the silent.
void StationTable::checkSilence(const QDateTime& now) {
    const std::int64_t nowMs = now.toMSecsSinceEpoch();
    const std::int64_t shortestMs = std::chrono::milliseconds(kShortestSilence).count();
    for (int index = m_oldest; index >= 0; index = m_slots[static_cast<std::size_t>(index)].newer) {
        const StationRow& row = m_slots[static_cast<std::size_t>(index)].row;
        if (nowMs - row.lastMs < shortestMs) {
            break;
        }
        if (!row.silent && isSilentAt(row, nowMs)) {
            markSilent(index);
        }
    }
}

bool StationTable::isSilentAt(const StationRow& row, std::int64_t nowMs) const {
    const auto usual = row.usualInterval();
    if (row.requests < kRequestsBeforeSilence || !usual) {
        return false;
    }
    const std::int64_t quietMs = nowMs - row.lastMs;
    return quietMs > kIntervalsOfSilence * usual->count() &&
           quietMs >= std::chrono::milliseconds(kShortestSilence).count();
}

void StationTable::markSilent(int index) {
    StationRow& row = m_slots[static_cast<std::size_t>(index)].row;
    row.silent = true;
    ++m_silent;
    m_log(QStringLiteral("Station %1 silent: last request %2, usually every %3")
              .arg(row.address, row.last().toString(QStringLiteral("HH:mm")), durationText(*row.usualInterval())));
    notify(index, false);
}

std::vector<int> StationTable::byRecency() const {
    std::vector<int> order;
    order.reserve(m_slots.size());
    for (int index = m_newest; index >= 0; index = m_slots[static_cast<std::size_t>(index)].older) {
        order.push_back(index);
    }
    return order;
}

QString StationTable::summary() const {
    return (size() == 1 ? QStringLiteral("1 station") : QStringLiteral("%1 stations").arg(size())) +
           QStringLiteral(", %1 silent").arg(m_silent);
}

void StationTable::unlink(int index) {
    Slot& slot = m_slots[static_cast<std::size_t>(index)];
    if (slot.newer >= 0) {
        m_slots[static_cast<std::size_t>(slot.newer)].older = slot.older;
    } else if (m_newest == index) {
        m_newest = slot.older;
    }
    if (slot.older >= 0) {
        m_slots[static_cast<std::size_t>(slot.older)].newer = slot.newer;
    } else if (m_oldest == index) {
        m_oldest = slot.newer;
    }
    slot.newer = slot.older = -1;
}

void StationTable::pushNewest(int index) {
    Slot& slot = m_slots[static_cast<std::size_t>(index)];
    slot.older = m_newest;
    if (m_newest >= 0) {
        m_slots[static_cast<std::size_t>(m_newest)].newer = index;
    }
    m_newest = index;
    if (m_oldest < 0) {
        m_oldest = index;
    }
}

void StationTable::notify(int index, bool added) const {
    if (m_observer) {
        m_observer(index, added);
    }
}
