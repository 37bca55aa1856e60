#include "ProductIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

// A clock face showing ten past ten, scaled to the image size.
QPixmap clockFace(int size) {
    QPixmap image(size, size);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);
    painter.setPen(QPen(QColor(0, 0, 128), 4));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(3, 3, 42, 42));
    painter.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(24, 24), QPointF(15, 17));
    painter.drawLine(QPointF(24, 24), QPointF(34, 13));
    return image;
}

} // namespace

QIcon productIcon() {
    QIcon icon;
    for (const int size : {48, 32, 16}) {
        icon.addPixmap(clockFace(size));
    }
    return icon;
}
