#pragma once

#include <QWidget>

class QLabel;
class QSortFilterProxyModel;
class QTableView;
class StationsModel;
class TimeService;

// The Stations window: every station that asked, with its requests, first and last request,
// usual interval and state, sortable by each column and kept up to date; silent stations are
// dark red. A view only: opening and closing it does nothing to the service.
class frmStations : public QWidget {
    Q_OBJECT
public:
    explicit frmStations(const TimeService& service, QWidget* parent = nullptr);

private:
    void showSummary();

    const TimeService& m_service;
    StationsModel* m_model = nullptr;
    QSortFilterProxyModel* m_sorted = nullptr;
    QLabel* lblStations = nullptr;
    QTableView* grdStations = nullptr;
};
