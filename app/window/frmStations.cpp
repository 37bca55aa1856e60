#include "frmStations.h"

#include "StationsModel.h"
#include "TimeService.h"

#include <QHeaderView>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

frmStations::frmStations(const TimeService& service, QWidget* parent)
    : QWidget(parent, Qt::Window), m_service(service) {
    setObjectName(QStringLiteral("frmStations"));
    setWindowTitle(QStringLiteral("Stations"));
    m_model = new StationsModel(service, this);
    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_model);
    m_sorted->setSortRole(Qt::UserRole);

    lblStations = new QLabel(this);
    lblStations->setObjectName(QStringLiteral("lblStations"));
    grdStations = new QTableView(this);
    grdStations->setObjectName(QStringLiteral("grdStations"));
    grdStations->setModel(m_sorted);
    grdStations->setSortingEnabled(true);
    grdStations->sortByColumn(StationsModel::Last, Qt::DescendingOrder); // the latest to ask first
    grdStations->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdStations->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdStations->setWordWrap(false);
    grdStations->verticalHeader()->hide();
    grdStations->verticalHeader()->setDefaultSectionSize(grdStations->fontMetrics().height() + 6);
    grdStations->horizontalHeader()->setStretchLastSection(true);
    grdStations->resizeColumnsToContents();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStations);
    layout->addWidget(grdStations);
    resize(800, 360);

    showSummary();
    connect(&service, &TimeService::stationAdded, this, &frmStations::showSummary);
    connect(&service, &TimeService::stationChanged, this, &frmStations::showSummary);
}

void frmStations::showSummary() {
    lblStations->setText(m_service.stations().summary());
}
