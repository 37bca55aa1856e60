#pragma once

#include "MomentText.h"

#include <QAbstractTableModel>

class StationTable;
class TimeService;

// The table of stations as a view shows it: a row per station, in the table's own order, kept
// up to date from the service's signals. Sorting is left to a proxy: every cell gives its sort
// key as Qt::UserRole. A silent station's row is dark red.
class StationsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Address, Requests, First, Last, Usually, State, kColumns };

    explicit StationsModel(const TimeService& service, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void stationAdded();
    void stationChanged(int row);

    const StationTable& m_table;
    int m_rows; // the rows announced so far: a new one is in the table before it is announced
    mutable MomentText m_moments;
};
