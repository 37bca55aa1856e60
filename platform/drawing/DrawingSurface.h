#pragma once

#include "DrawTarget.h"

#include <QImage>
#include <QPoint>
#include <QSize>
#include <cstdint>

// A window with a drawing surface that keeps what is drawn on it: image() holds every line
// until something draws over it, so a widget can show it without drawing again.
// Unpainted pixels are transparent. It owns one window and one device context handle.
class DrawingSurface : public DrawTarget {
public:
    explicit DrawingSurface(QSize clientSize);
    ~DrawingSurface() override;
    DrawingSurface(const DrawingSurface&) = delete;
    DrawingSurface& operator=(const DrawingSurface&) = delete;

    gdi::WindowHandle hWnd() const override { return gdi::WindowHandle{m_id}; }
    gdi::DcHandle hDC() const override { return gdi::DcHandle{m_id}; }

    const QImage& image() const { return m_image; }
    QSize clientSize() const { return m_image.size(); }
    bool updatesLocked() const { return m_updatesLocked; }

    // Device-context state, changed through the gdi calls.
    void setUpdatesLocked(bool locked);
    QPoint position() const { return m_position; }
    void moveTo(QPoint position) { m_position = position; }
    gdi::PenHandle selectedPen() const { return m_pen; }
    void selectPen(gdi::PenHandle pen) { m_pen = pen; }
    // One-pixel line from the current position to `to`, leaving out the end pixel; then moves to `to`.
    void lineTo(QPoint to, std::int32_t color);

protected:
    // Told of every lock change and every line, also one of no length that leaves no pixel.
    virtual void updatesLockChanged(bool /*locked*/) {}
    virtual void lineDrawn(QPoint /*from*/, QPoint /*to*/, std::int32_t /*color*/) {}

private:
    QImage m_image;
    std::uint32_t m_id = 0;
    QPoint m_position;
    gdi::PenHandle m_pen = gdi::kBlackPen;
    bool m_updatesLocked = false;
};
