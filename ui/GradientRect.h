#pragma once

#include "Gdi.h"

#include <cstdint>
#include <vector>

class DrawTarget;

// Paints a straight two-colour gradient at any angle over a window's whole client area, as
// parallel one-pixel lines, each with a pen of its own. Keeps no state but its three properties.
// Colours are 0x00BBGGRR; UI thread only.
class clsGradient {
public:
    // True when lines were painted. Failures are shown as warnings; nothing is thrown.
    bool Draw(const DrawTarget& picObj) const;
    // Fills laRetColors with a ramp of max(lSteps, 2) colours from lColor1 to lColor2 and returns its size.
    std::int32_t BlendColors(std::int32_t lColor1, std::int32_t lColor2, std::int32_t lSteps,
                             std::vector<std::int32_t>& laRetColors) const;

    // The setters resolve a system colour reference (top bit set, index 0 to 24) to its colour.
    std::int32_t Color1() const { return m_lngColor1; }
    void setColor1(std::int32_t lData);
    std::int32_t Color2() const { return m_lngColor2; }
    void setColor2(std::int32_t lData);
    // Degrees counterclockwise from the x axis; the setter brings the value into [0, 360).
    float Angle() const { return m_sngAngle; }
    void setAngle(float fData);

private:
    struct FloatPoint {
        float x;
        float y;
    };
    struct PixelPoint {
        std::int32_t x;
        std::int32_t y;
    };
    // The first line of the sweep and the step that moves it to the next one.
    struct Sweep {
        PixelPoint first;
        PixelPoint second;
        PixelPoint step;
    };

    std::int32_t PaintGradient(gdi::DcHandle hDC, std::int32_t width, std::int32_t height) const;
    static void RotatePoint(const FloatPoint& centre, FloatPoint& point, float angle);
    static double SafeDivide(double a, double b);

    Sweep startSweep(std::int32_t width, std::int32_t height) const;
    Sweep placeSweep(FloatPoint p0, FloatPoint p1, std::int32_t width, std::int32_t height) const;
    static std::vector<PixelPoint> sweepPoints(const Sweep& sweep, std::int32_t width, std::int32_t height);
    static bool pastFarEdge(PixelPoint a, PixelPoint b, PixelPoint step, std::int32_t width, std::int32_t height);
    static std::int32_t drawLines(gdi::DcHandle hDC, const std::vector<PixelPoint>& points,
                                  const std::vector<std::int32_t>& ramp);

    std::int32_t m_lngColor1 = 0xFFFFD0;
    std::int32_t m_lngColor2 = 0x400000;
    float m_sngAngle = 315.0f;
};
