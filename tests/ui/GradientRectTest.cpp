#include "GradientRect.h"
#include "RecordingSurface.h"
#include "RuntimeError.h"
#include "WarningCapture.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <gtest/gtest.h>
#include <limits>
#include <set>

namespace {

std::int32_t colorRef(QColor color) {
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}

std::vector<std::int32_t> upTo(std::int32_t last) {
    std::vector<std::int32_t> values;
    for (std::int32_t value = 0; value <= last; ++value) {
        values.push_back(value);
    }
    return values;
}

TEST(GradientPropertiesTest, StartsWithTheDesignedColoursAndAngle) {
    const clsGradient gradient;
    EXPECT_EQ(gradient.Color1(), 16777168);
    EXPECT_EQ(gradient.Color2(), 4194304);
    EXPECT_EQ(gradient.Angle(), 315.0f);
}

TEST(GradientPropertiesTest, AngleIsBroughtIntoOneTurn) {
    const std::pair<float, float> cases[] = {{360, 0}, {-90, 270}, {450, 90}, {-45, 315}, {725, 5}, {136, 136}};
    clsGradient gradient;
    for (const auto& [given, stored] : cases) {
        gradient.setAngle(given);
        EXPECT_EQ(gradient.Angle(), stored) << "set to " << given;
    }
}

TEST(GradientPropertiesTest, SystemColourReferenceTakesTheDesktopColour) {
    const std::int32_t window = colorRef(QGuiApplication::palette().color(QPalette::Base));
    const auto referenceTo = [](std::uint32_t index) { return static_cast<std::int32_t>(0x80000000u | index); };
    clsGradient gradient;
    gradient.setColor1(referenceTo(5));
    gradient.setColor2(referenceTo(5));
    EXPECT_EQ(gradient.Color1(), window);
    EXPECT_EQ(gradient.Color2(), window);
    gradient.setColor1(referenceTo(25));
    gradient.setColor2(referenceTo(25));
    EXPECT_EQ(gradient.Color1(), referenceTo(25));
    EXPECT_EQ(gradient.Color2(), referenceTo(25));
}

TEST(GradientBlendTest, RampHasTheAskedEntriesDividedByTheirNumber) {
    struct Case {
        std::int32_t from;
        std::int32_t to;
        std::int32_t steps;
        std::vector<std::int32_t> ramp;
    };
    const Case cases[] = {
        {0x123456, 0xABCDEF, 0, {0x123456, 0xABCDEF}},
        {0x123456, 0xABCDEF, 1, {0x123456, 0xABCDEF}},
        {0x000000, 0x0000FF, 3, {0x000000, 0x000055, 0x0000FF}},
        {0x000000, 0x0000FF, 4, {0x000000, 0x000040, 0x000080, 0x0000FF}},
        {0x000000, 0x000005, 4, {0x000000, 0x000001, 0x000002, 0x000005}}, // 2.5 rounds to even
        // Fractions of green and blue stay in their channel: red remains 255 all along.
        {0x4080FF, 0x00FFFF, 4, {0x4080FF, 0x30A0FF, 0x20C0FF, 0x00FFFF}},
        // The ends are copied as they are, top byte included; inner entries are plain colours.
        {static_cast<std::int32_t>(0x80000019), 0x0000FF, 3, {static_cast<std::int32_t>(0x80000019), 0x66, 0xFF}},
    };
    clsGradient gradient;
    for (const Case& test : cases) {
        std::vector<std::int32_t> ramp{7, 7, 7, 7, 7, 7, 7};
        EXPECT_EQ(gradient.BlendColors(test.from, test.to, test.steps, ramp), static_cast<int>(test.ramp.size()));
        EXPECT_EQ(ramp, test.ramp) << "steps " << test.steps;
    }
}

class GradientDrawTest : public testing::Test {
protected:
    // Colours 0 to n: a line's colour is its place in the ramp, so the ramp's divisor shows.
    bool draw(RecordingSurface& surface, float angle, std::int32_t lastColor) {
        gradient.setAngle(angle);
        gradient.setColor1(0);
        gradient.setColor2(lastColor);
        return gradient.Draw(surface);
    }

    clsGradient gradient;
    WarningCapture capture;
    const std::size_t pensBefore = gdi::livePenCount();
};

TEST_F(GradientDrawTest, AngleZeroSweepsColumnsLeftToRightTwoBeyondTheEdge) {
    RecordingSurface surface(QSize(100, 50));
    ASSERT_TRUE(draw(surface, 0, 102));
    ASSERT_EQ(surface.lines().size(), 102u);
    for (int column = 0; column < 102; ++column) {
        const RecordingSurface::Line& line = surface.lines()[static_cast<std::size_t>(column)];
        EXPECT_EQ(line.from, QPoint(column, 97));
        EXPECT_EQ(line.to, QPoint(column, -47));
    }
    std::vector<std::int32_t> colors = upTo(100);
    colors.push_back(102); // the last entry lies two steps beyond the one before it
    EXPECT_EQ(surface.lineColors(), colors);
}

TEST_F(GradientDrawTest, Angle136StartsAtTheRightEdgeAndLeavesTheLastPointUndrawn) {
    RecordingSurface surface(QSize(100, 50));
    ASSERT_TRUE(draw(surface, 136, 202));
    ASSERT_EQ(surface.lines().size(), 201u);
    // 201 lines coloured by a ramp of 202 entries: 403 points, the last one never drawn.
    EXPECT_EQ(surface.lineColors(), upTo(200));
    for (std::size_t k = 0; k < surface.lines().size(); ++k) {
        const RecordingSurface::Line& line = surface.lines()[k];
        EXPECT_EQ(std::min(line.from.x(), line.to.x()), 100 - static_cast<int>(k));
    }
}

TEST_F(GradientDrawTest, AreaOnePixelWideOrHighIsLeftAlone) {
    for (const QSize size : {QSize(1, 50), QSize(50, 1), QSize(0, 0)}) {
        RecordingSurface surface(size);
        EXPECT_FALSE(draw(surface, 0, 0xFF));
        EXPECT_TRUE(surface.lines().empty());
        EXPECT_EQ(surface.unpaintedPixels(), size.width() * size.height());
        EXPECT_EQ(surface.lockChanges(), (std::vector<bool>{true, false}));
    }
    EXPECT_TRUE(capture.warnings().empty());
}

TEST_F(GradientDrawTest, TwoByTwoIsPainted) {
    RecordingSurface surface(QSize(2, 2));
    EXPECT_TRUE(draw(surface, 315, 0xFF));
    EXPECT_EQ(surface.unpaintedPixels(), 0);
}

TEST_F(GradientDrawTest, EachLineHasItsOwnPenWhileUpdatesAreLocked) {
    RecordingSurface surface(QSize(100, 50));
    ASSERT_TRUE(draw(surface, 30, 0xFF));
    std::set<gdi::PenHandle> pens;
    for (const RecordingSurface::Line& line : surface.lines()) {
        pens.insert(line.pen);
        EXPECT_EQ(line.livePens, pensBefore + 1);
        EXPECT_TRUE(line.updatesLocked);
    }
    EXPECT_EQ(pens.size(), surface.lines().size());
    EXPECT_EQ(gdi::livePenCount(), pensBefore);
    EXPECT_EQ(surface.lockChanges(), (std::vector<bool>{true, false}));
}

TEST_F(GradientDrawTest, AngleThatCannotBePaintedIsReportedUnderThePaintersTitle) {
    for (const float angle : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        RecordingSurface surface(QSize(100, 50));
        EXPECT_FALSE(draw(surface, angle, 0xFF));
        EXPECT_TRUE(surface.lines().empty());
        EXPECT_EQ(surface.lockChanges(), (std::vector<bool>{true, false}));
    }
    const WarningCapture::Warning overflow{"GradientRect", kOverflowDescription};
    EXPECT_EQ(capture.warnings(), (std::vector<WarningCapture::Warning>{overflow, overflow}));
    EXPECT_EQ(gdi::livePenCount(), pensBefore);
}

// A window whose drawing context cannot be had.
class BrokenTarget : public DrawTarget {
public:
    explicit BrokenTarget(const DrawTarget& window) : m_window(window) {}
    gdi::WindowHandle hWnd() const override { return m_window.hWnd(); }
    gdi::DcHandle hDC() const override { raiseError(91, "Object variable not set", "BrokenTarget.hDC"); }

private:
    const DrawTarget& m_window;
};

TEST_F(GradientDrawTest, TargetFailureIsReportedUnderTheApplicationTitle) {
    RecordingSurface surface(QSize(100, 50));
    EXPECT_FALSE(gradient.Draw(BrokenTarget(surface)));
    const WarningCapture::Warning expected{QCoreApplication::applicationName().toStdString(),
                                           "Object variable not set"};
    EXPECT_EQ(capture.warnings(), std::vector<WarningCapture::Warning>{expected});
    EXPECT_EQ(surface.lockChanges(), (std::vector<bool>{true, false}));
    EXPECT_TRUE(surface.lines().empty());
}

TEST_F(GradientDrawTest, WindowThatIsGoneIsNotPaintedNorReported) {
    auto gone = std::make_unique<RecordingSurface>(QSize(100, 50));
    const gdi::WindowHandle goneWindow = gone->hWnd();
    gone.reset();
    RecordingSurface canvas(QSize(100, 50));
    struct Target : DrawTarget {
        gdi::WindowHandle window;
        gdi::DcHandle context;
        gdi::WindowHandle hWnd() const override { return window; }
        gdi::DcHandle hDC() const override { return context; }
    } target;
    target.window = goneWindow;
    target.context = canvas.hDC();
    EXPECT_FALSE(gradient.Draw(target));
    EXPECT_TRUE(canvas.lines().empty());
    EXPECT_TRUE(capture.warnings().empty());
}

// Colour 1 black, colour 2 red 255: the red channel grows along the gradient's direction.
TEST(GradientPixelsTest, Color1LiesOnTheSideTheAngleTurnsAwayFrom) {
    struct Case {
        float angle;
        QPoint nearColor1;
        QPoint nearColor2;
    };
    const Case cases[] = {{0, {0, 25}, {99, 25}},   {90, {50, 49}, {50, 0}}, {180, {99, 25}, {0, 25}},
                          {270, {50, 0}, {50, 49}}, {136, {99, 49}, {0, 0}}, {315, {0, 0}, {99, 49}}};
    for (const Case& test : cases) {
        RecordingSurface surface(QSize(100, 50));
        clsGradient gradient;
        gradient.setAngle(test.angle);
        gradient.setColor1(0x000000);
        gradient.setColor2(0x0000FF);
        ASSERT_TRUE(gradient.Draw(surface));
        int darkest = 255;
        int lightest = 0;
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 100; ++x) {
                darkest = std::min(darkest, qRed(surface.image().pixel(x, y)));
                lightest = std::max(lightest, qRed(surface.image().pixel(x, y)));
            }
        }
        EXPECT_EQ(qRed(surface.image().pixel(test.nearColor1)), darkest) << "angle " << test.angle;
        EXPECT_EQ(qRed(surface.image().pixel(test.nearColor2)), lightest) << "angle " << test.angle;
        EXPECT_GT(lightest - darkest, 127);
    }
}

TEST(GradientPixelsTest, EveryPixelOfTheAreaIsPainted) {
    const QSize sizes[] = {{2, 2}, {3, 7}, {7, 3}, {100, 50}, {50, 100}, {37, 37}, {392, 229}};
    const float angles[] = {0, 30, 45, 89.5f, 90, 136, 180, 225, 270, 300, 315, 359.9f};
    clsGradient gradient;
    for (const QSize size : sizes) {
        for (const float angle : angles) {
            RecordingSurface surface(size);
            gradient.setAngle(angle);
            ASSERT_TRUE(gradient.Draw(surface));
            EXPECT_EQ(surface.unpaintedPixels(), 0) << size.width() << "x" << size.height() << " at " << angle;
        }
    }
}

} // namespace
