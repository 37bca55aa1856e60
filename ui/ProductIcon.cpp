#include "ProductIcon.h"

// Rendered from icons/quillet.svg and built in as Qt resources.
QIcon productIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/quillet-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
