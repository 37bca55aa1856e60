#include "numbers.h"

#include <QLabel>

namespace numbers {

std::int32_t TotalRequests = 0;
std::int32_t TotalBytesReceived = 0;
std::int32_t TotalBytesSent = 0;

void ShowCounters(const CounterLabels& labels) {
    labels.lblConnections->setText(QString::number(TotalRequests));
    labels.lblReceived->setText(QString::number(TotalBytesReceived));
    labels.lblSent->setText(QString::number(TotalBytesSent));
}

} // namespace numbers
