#include "DrawingSurface.h"

#include "GdiRegistry.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPolygon>
#include <QRect>
#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

// Nearest integer to part * i / steps, halves rounded up, exact in 64-bit integers.
std::int64_t roundedShare(std::int64_t part, std::int64_t i, std::int64_t steps) {
    const std::int64_t numerator = 2 * part * i + steps;
    const std::int64_t denominator = 2 * steps;
    const std::int64_t quotient = numerator / denominator;
    return numerator % denominator != 0 && numerator < 0 ? quotient - 1 : quotient;
}

// The steps i in [0, steps) whose coordinate start + direction * i lies in [0, extent).
std::pair<std::int64_t, std::int64_t> stepsInside(std::int64_t start, std::int64_t direction, std::int64_t extent,
                                                  std::int64_t steps) {
    const std::int64_t first = direction > 0 ? -start : start - extent + 1;
    const std::int64_t end = direction > 0 ? extent - start : start + 1;
    return {std::max<std::int64_t>(first, 0), std::min(end, steps)};
}

// The line's pixels inside the area: one per step along the longer axis, each the nearest to the
// exact line, the end pixel left out. Only differences of the ends count, so parallel lines one
// pixel apart fit together without gaps (QPainter's own choice changes where it clips).
QPolygon linePixels(QPoint from, QPoint to, QRect area) {
    const std::int64_t dx = std::int64_t{to.x()} - from.x();
    const std::int64_t dy = std::int64_t{to.y()} - from.y();
    const std::int64_t steps = std::max(std::abs(dx), std::abs(dy));
    const bool alongX = std::abs(dx) >= std::abs(dy);
    const auto [first, end] = alongX ? stepsInside(from.x(), dx > 0 ? 1 : -1, area.width(), steps)
                                     : stepsInside(from.y(), dy > 0 ? 1 : -1, area.height(), steps);
    QPolygon pixels;
    for (std::int64_t i = first; i < end; ++i) {
        const QPoint pixel(static_cast<int>(from.x() + roundedShare(dx, i, steps)),
                           static_cast<int>(from.y() + roundedShare(dy, i, steps)));
        if (area.contains(pixel)) {
            pixels.append(pixel);
        }
    }
    return pixels;
}

} // namespace

DrawingSurface::DrawingSurface(QSize clientSize)
    : m_image(clientSize, QImage::Format_ARGB32_Premultiplied), m_id(gdi::registry::addSurface(*this)) {
    m_image.fill(Qt::transparent);
}

DrawingSurface::~DrawingSurface() {
    gdi::registry::removeSurface(m_id);
}

void DrawingSurface::setUpdatesLocked(bool locked) {
    m_updatesLocked = locked;
    updatesLockChanged(locked);
}

void DrawingSurface::lineTo(QPoint to, std::int32_t color) {
    const QPoint from = m_position;
    m_position = to;
    const QPolygon pixels = linePixels(from, to, m_image.rect());
    if (!pixels.isEmpty()) {
        QPainter painter(&m_image);
        painter.setPen(QPen(QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF), 0));
        painter.drawPoints(pixels);
    }
    lineDrawn(from, to, color);
}
