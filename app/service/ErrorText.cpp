#include "ErrorText.h"

QString describeError(const ErrorRecord& error) {
    return QStringLiteral("Error %1: %2").arg(error.number).arg(QString::fromStdString(error.description));
}

QString describeError(const RuntimeError& error) {
    return describeError(error.record());
}
