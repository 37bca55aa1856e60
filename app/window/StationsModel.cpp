#include "StationsModel.h"

#include "TimeService.h"

#include <QColor>
#include <QStringList>

namespace {

const QColor kDarkRed(192, 0, 0);

// Dotted addresses sort by number: each part padded to three digits.
QString addressKey(const QString& address) {
    QStringList parts = address.split(QLatin1Char('.'));
    for (QString& part : parts) {
        part = part.rightJustified(3, QLatin1Char('0'));
    }
    return parts.join(QLatin1Char('.'));
}

QVariant text(const StationRow& row, int column, MomentText& moments) {
    switch (column) {
    case StationsModel::Address: return row.address;
    case StationsModel::Requests: return QString::number(row.requests);
    case StationsModel::First: return moments.stamp(row.firstMs);
    case StationsModel::Last: return moments.stamp(row.lastMs);
    case StationsModel::Usually: return row.usualText();
    default: return row.stateText();
    }
}

QVariant sortKey(const StationRow& row, int column) {
    switch (column) {
    case StationsModel::Address: return addressKey(row.address);
    case StationsModel::Requests: return static_cast<qlonglong>(row.requests);
    case StationsModel::First: return static_cast<qlonglong>(row.firstMs);
    case StationsModel::Last: return static_cast<qlonglong>(row.lastMs);
    case StationsModel::Usually: {
        const auto usual = row.usualInterval();
        return static_cast<qlonglong>(usual ? usual->count() : -1);
    }
    default: return row.stateText();
    }
}

} // namespace

StationsModel::StationsModel(const TimeService& service, QObject* parent)
    : QAbstractTableModel(parent), m_table(service.stations()), m_rows(service.stations().size()) {
    connect(&service, &TimeService::stationAdded, this, &StationsModel::stationAdded);
    connect(&service, &TimeService::stationChanged, this, &StationsModel::stationChanged);
}

int StationsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int StationsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant StationsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows) {
        return {};
    }
    const StationRow& row = m_table.row(index.row());
    switch (role) {
    case Qt::DisplayRole: return text(row, index.column(), m_moments);
    case Qt::UserRole: return sortKey(row, index.column());
    case Qt::ForegroundRole: return row.silent ? QVariant(kDarkRed) : QVariant();
    case Qt::TextAlignmentRole:
        return index.column() == Requests ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default: return {};
    }
}

QVariant StationsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList kHeaders = {QStringLiteral("Address"),        QStringLiteral("Requests"),
                                         QStringLiteral("First request"),  QStringLiteral("Last request"),
                                         QStringLiteral("Usual interval"), QStringLiteral("State")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return kHeaders[section];
}

// Rows are only ever added at the end; a station that makes room leaves its row to the newcomer.
void StationsModel::stationAdded() {
    beginInsertRows(QModelIndex(), m_rows, m_rows);
    ++m_rows;
    endInsertRows();
}

void StationsModel::stationChanged(int row) {
    if (row < m_rows) {
        emit dataChanged(index(row, 0), index(row, kColumns - 1));
    }
}
