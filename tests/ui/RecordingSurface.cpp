#include "RecordingSurface.h"

#include <QColor>

std::vector<std::int32_t> RecordingSurface::lineColors() const {
    std::vector<std::int32_t> colors;
    for (const Line& line : m_lines) {
        colors.push_back(line.color);
    }
    return colors;
}

int RecordingSurface::unpaintedPixels() const {
    int unpainted = 0;
    for (int y = 0; y < image().height(); ++y) {
        for (int x = 0; x < image().width(); ++x) {
            unpainted += qAlpha(image().pixel(x, y)) == 0 ? 1 : 0;
        }
    }
    return unpainted;
}

void RecordingSurface::lineDrawn(QPoint from, QPoint to, std::int32_t color) {
    m_lines.push_back(Line{from, to, color, selectedPen(), gdi::livePenCount(), updatesLocked()});
}
