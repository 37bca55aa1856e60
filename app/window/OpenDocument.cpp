#include "OpenDocument.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace Module1 {

void OpenDocument(const QString& file) {
    QDesktopServices::openUrl(QUrl::fromUserInput(file, QDir::rootPath()));
}

} // namespace Module1
