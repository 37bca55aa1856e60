#include "numbers.h"

#include <QLabel>

// The window's half of the counters module: the service keeps the counters without widgets.
namespace numbers {

void ShowCounters(const CounterLabels& labels) {
    labels.lblConnections->setText(QString::number(TotalRequests));
    labels.lblReceived->setText(QString::number(TotalBytesReceived));
    labels.lblSent->setText(QString::number(TotalBytesSent));
}

} // namespace numbers
