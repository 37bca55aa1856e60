#include "GradientRect.h"

#include "DrawTarget.h"
#include "RuntimeError.h"
#include "WarningBox.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <string>

namespace {

constexpr std::size_t kPointBlock = 1000; // the point list grows by this many entries at a time
constexpr std::int32_t kLastSystemColor = 24;
constexpr const char* kPainterTitle = "GradientRect";

struct Channels {
    std::int32_t red;
    std::int32_t green;
    std::int32_t blue;
};

Channels channelsOf(std::int32_t color) {
    return Channels{color & 0xFF, (color & 0xFF00) / 256, (color & 0xFF0000) / 65536};
}

// Nearest 32-bit integer, halves to even; the overflow error outside that range.
std::int32_t toInt32(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max())) {
        raiseError(kOverflowError, kOverflowDescription, "clsGradient.PaintGradient");
    }
    return static_cast<std::int32_t>(rounded);
}

std::int32_t channelAt(std::int32_t start, float step, std::int32_t i) {
    return toInt32(i * static_cast<double>(step) + start);
}

double wrapDegrees(double degrees) {
    return degrees - std::floor(degrees / 360) * 360;
}

std::int32_t resolveSystemColor(std::int32_t lData) {
    const std::int32_t index = lData & 0x7FFFFFFF;
    return lData < 0 && index <= kLastSystemColor ? gdi::GetSysColor(index) : lData;
}

// The description of the exception being handled.
std::string caughtDescription() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "Unknown error";
    }
}

std::string applicationTitle() {
    return QCoreApplication::applicationName().toStdString();
}

} // namespace

bool clsGradient::Draw(const DrawTarget& picObj) const {
    bool painted = false;
    try {
        gdi::LockWindowUpdate(picObj.hWnd());
        gdi::Rect client;
        if (gdi::GetClientRect(picObj.hWnd(), client) && client.right > 1 && client.bottom > 1) {
            painted = PaintGradient(picObj.hDC(), client.right, client.bottom) > 0;
        }
    } catch (...) {
        showWarningBox(applicationTitle(), caughtDescription());
    }
    gdi::LockWindowUpdate(gdi::WindowHandle{});
    return painted;
}

std::int32_t clsGradient::BlendColors(std::int32_t lColor1, std::int32_t lColor2, std::int32_t lSteps,
                                      std::vector<std::int32_t>& laRetColors) const {
    lSteps = std::max(lSteps, 2);
    const Channels from = channelsOf(lColor1);
    const Channels to = channelsOf(lColor2);
    // The divisor is the number of entries, so the last entry lies two steps beyond the one before it.
    const auto redStep = static_cast<float>(SafeDivide(to.red - from.red, lSteps));
    const auto greenStep = static_cast<float>(SafeDivide(to.green - from.green, lSteps));
    const auto blueStep = static_cast<float>(SafeDivide(to.blue - from.blue, lSteps));
    laRetColors.assign(static_cast<std::size_t>(lSteps), 0);
    laRetColors.front() = lColor1;
    laRetColors.back() = lColor2;
    for (std::int32_t i = 1; i <= lSteps - 2; ++i) {
        // Each channel is rounded on its own, so a fraction never spills into the channel below.
        laRetColors[static_cast<std::size_t>(i)] = channelAt(from.red, redStep, i) +
                                                   256 * channelAt(from.green, greenStep, i) +
                                                   65536 * channelAt(from.blue, blueStep, i);
    }
    return lSteps;
}

void clsGradient::setColor1(std::int32_t lData) {
    m_lngColor1 = resolveSystemColor(lData);
}

void clsGradient::setColor2(std::int32_t lData) {
    m_lngColor2 = resolveSystemColor(lData);
}

void clsGradient::setAngle(float fData) {
    m_sngAngle = static_cast<float>(wrapDegrees(fData));
}

std::int32_t clsGradient::PaintGradient(gdi::DcHandle hDC, std::int32_t width, std::int32_t height) const {
    try {
        const std::vector<PixelPoint> points = sweepPoints(startSweep(width, height), width, height);
        std::vector<std::int32_t> ramp;
        BlendColors(m_lngColor1, m_lngColor2, toInt32(static_cast<double>(points.size()) / 2), ramp);
        return drawLines(hDC, points, ramp);
    } catch (...) {
        // The paint is abandoned: what is drawn stays, the result says nothing was.
        showWarningBox(kPainterTitle, caughtDescription());
        return 0;
    }
}

void clsGradient::RotatePoint(const FloatPoint& centre, FloatPoint& point, float angle) {
    const auto radians = static_cast<float>(angle * (3.14159265358979 / 180));
    const float dx = point.x - centre.x;
    const float dy = point.y - centre.y;
    const double cosine = std::cos(static_cast<double>(radians));
    const double sine = std::sin(static_cast<double>(radians));
    point.x = static_cast<float>(centre.x + dx * cosine + dy * sine);
    point.y = static_cast<float>(centre.y - dx * sine + dy * cosine);
}

double clsGradient::SafeDivide(double a, double b) {
    return b == 0 ? 0 : a / b;
}

// A segment through the centre at right angles to the gradient, long enough to cross the area at any angle.
clsGradient::Sweep clsGradient::startSweep(std::int32_t width, std::int32_t height) const {
    const FloatPoint centre{static_cast<float>(width / 2), static_cast<float>(height / 2)};
    const double longer = std::max(width, height);
    const auto halfLength = static_cast<float>((std::sqrt(longer * longer + longer * longer) + 2) / 2);
    FloatPoint p0{centre.x - halfLength, centre.y};
    FloatPoint p1{centre.x + halfLength, centre.y};
    const auto turn = static_cast<float>(wrapDegrees(static_cast<double>(m_sngAngle) + 90));
    RotatePoint(centre, p0, turn);
    RotatePoint(centre, p1, turn);
    return placeSweep(p0, p1, width, height);
}

// Moves the segment against the start edge: a steep one sideways, a flat one up or down.
clsGradient::Sweep clsGradient::placeSweep(FloatPoint p0, FloatPoint p1, std::int32_t width,
                                           std::int32_t height) const {
    const bool steep = std::fabs(p0.x - p1.x) <= std::fabs(p0.y - p1.y);
    FloatPoint shift{0, 0};
    PixelPoint step{0, 0};
    if (steep && m_sngAngle > 90 && m_sngAngle <= 270) {
        shift.x = static_cast<float>(width) - std::min(p0.x, p1.x);
        step.x = -1;
    } else if (steep) {
        shift.x = -std::max(p0.x, p1.x);
        step.x = 1;
    } else if (m_sngAngle >= 0 && m_sngAngle <= 180) {
        shift.y = static_cast<float>(height) - std::min(p0.y, p1.y);
        step.y = -1;
    } else {
        shift.y = -std::max(p0.y, p1.y);
        step.y = 1;
    }
    return Sweep{PixelPoint{toInt32(p0.x + shift.x), toInt32(p0.y + shift.y)},
                 PixelPoint{toInt32(p1.x + shift.x), toInt32(p1.y + shift.y)}, step};
}

// Entries 2k and 2k+1 are the ends of line k. The sweep stops after the first point that lies,
// with the one before it, beyond the far edge; that point may start a line that is never finished.
std::vector<clsGradient::PixelPoint> clsGradient::sweepPoints(const Sweep& sweep, std::int32_t width,
                                                              std::int32_t height) {
    std::vector<PixelPoint> points(kPointBlock);
    points[0] = sweep.first;
    points[1] = sweep.second;
    std::size_t count = 2;
    bool stop = false;
    while (!stop) {
        points[count] = PixelPoint{points[count - 2].x + sweep.step.x, points[count - 2].y + sweep.step.y};
        ++count;
        stop = pastFarEdge(points[count - 1], points[count - 2], sweep.step, width, height);
        if (count % kPointBlock == 0) {
            points.resize(count + kPointBlock);
        }
    }
    points.resize(count);
    return points;
}

bool clsGradient::pastFarEdge(PixelPoint a, PixelPoint b, PixelPoint step, std::int32_t width, std::int32_t height) {
    if (step.x > 0) {
        return a.x > width && b.x > width;
    }
    if (step.x < 0) {
        return a.x < 0 && b.x < 0;
    }
    if (step.y > 0) {
        return a.y > height && b.y > height;
    }
    return a.y < 0 && b.y < 0;
}

// One pen per line, deleted at once; a dangling last point is not drawn. Returns twice the lines drawn.
std::int32_t clsGradient::drawLines(gdi::DcHandle hDC, const std::vector<PixelPoint>& points,
                                    const std::vector<std::int32_t>& ramp) {
    std::size_t i = 0;
    for (; i + 2 <= points.size(); i += 2) {
        gdi::Point unused;
        gdi::MoveToEx(hDC, points[i].x, points[i].y, &unused);
        const gdi::PenHandle pen = gdi::CreatePen(gdi::kSolidPen, 1, ramp[i / 2]);
        const gdi::PenHandle previous = gdi::SelectObject(hDC, pen);
        gdi::LineTo(hDC, points[i + 1].x, points[i + 1].y);
        gdi::SelectObject(hDC, previous);
        gdi::DeleteObject(pen);
    }
    return toInt32(static_cast<double>(i));
}
