#include "ErrorReport.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

bool hasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void reportError(const RuntimeError& error, QWidget* parent) {
    const QString text = describeError(error);
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
    if (hasDisplay()) {
        QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), text);
    }
}
