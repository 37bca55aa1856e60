#pragma once

#include "DrawingSurface.h"

#include <QPoint>
#include <cstddef>
#include <cstdint>
#include <vector>

// A drawing surface that also lists the lines drawn on it and its update lock changes.
class RecordingSurface : public DrawingSurface {
public:
    struct Line {
        QPoint from;
        QPoint to;
        std::int32_t color;
        gdi::PenHandle pen;
        std::size_t livePens; // pens alive while the line was drawn
        bool updatesLocked;
    };

    using DrawingSurface::DrawingSurface;

    const std::vector<Line>& lines() const { return m_lines; }
    const std::vector<bool>& lockChanges() const { return m_lockChanges; }
    std::vector<std::int32_t> lineColors() const;
    // Pixels never drawn on.
    int unpaintedPixels() const;

protected:
    void updatesLockChanged(bool locked) override { m_lockChanges.push_back(locked); }
    void lineDrawn(QPoint from, QPoint to, std::int32_t color) override;

private:
    std::vector<Line> m_lines;
    std::vector<bool> m_lockChanges;
};
