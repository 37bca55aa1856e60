#include "ShowCounters.h"

#include <QLabel>

namespace numbers {

void ShowCounters(const CounterLabels& labels, const Counters& counters) {
    labels.lblConnections->setText(QString::number(counters.requests));
    labels.lblReceived->setText(QString::number(counters.bytesReceived));
    labels.lblSent->setText(QString::number(counters.bytesSent));
}

} // namespace numbers
