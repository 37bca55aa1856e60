#include "Gdi.h"
#include "DrawingSurface.h"

#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

std::vector<QPoint> paintedPixels(const QImage& image) {
    std::vector<QPoint> pixels;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) {
                pixels.emplace_back(x, y);
            }
        }
    }
    return pixels;
}

TEST(GdiLineTest, LineToLeavesOutItsEndPixel) {
    struct Case {
        QPoint from;
        QPoint to;
        std::vector<QPoint> pixels; // in row order
    };
    const Case cases[] = {
        {{0, 0}, {4, 0}, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}},
        {{4, 0}, {0, 0}, {{1, 0}, {2, 0}, {3, 0}, {4, 0}}},
        {{2, 2}, {2, 2}, {}},
        {{0, 0}, {1, 0}, {{0, 0}}},
        {{1, 1}, {1, 0}, {{1, 1}}},
        {{0, 0}, {3, 3}, {{0, 0}, {1, 1}, {2, 2}}},
        {{0, 0}, {1, 4}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {{-3, 1}, {9, 1}, {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}}}, // clipped to the area
    };
    for (const Case& test : cases) {
        DrawingSurface surface(QSize(6, 5));
        gdi::MoveToEx(surface.hDC(), test.from.x(), test.from.y(), nullptr);
        EXPECT_TRUE(gdi::LineTo(surface.hDC(), test.to.x(), test.to.y()));
        EXPECT_EQ(paintedPixels(surface.image()), test.pixels) << "to " << test.to.x() << "," << test.to.y();
    }
}

TEST(GdiLineTest, PenColourAndPositionCarryFromCallToCall) {
    DrawingSurface surface(QSize(4, 4));
    const gdi::PenHandle blue = gdi::CreatePen(gdi::kSolidPen, 1, static_cast<std::int32_t>(0x80FF0000));
    EXPECT_EQ(gdi::SelectObject(surface.hDC(), blue), gdi::kBlackPen);
    gdi::Point previous{-1, -1};
    gdi::MoveToEx(surface.hDC(), 0, 0, &previous);
    EXPECT_EQ(previous.x, 0);
    gdi::LineTo(surface.hDC(), 3, 0);
    gdi::LineTo(surface.hDC(), 3, 3);                        // goes on from (3, 0)
    EXPECT_EQ(surface.image().pixel(3, 0), qRgb(0, 0, 255)); // the top byte is not a colour
    EXPECT_EQ(surface.image().pixel(3, 2), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(surface.image().pixel(3, 3)), 0);
    gdi::MoveToEx(surface.hDC(), 1, 2, &previous);
    EXPECT_EQ(QPoint(previous.x, previous.y), QPoint(3, 3));
    gdi::SelectObject(surface.hDC(), gdi::kBlackPen);
    EXPECT_TRUE(gdi::DeleteObject(blue));
}

TEST(GdiPenTest, OnlyUnselectedPensOfOurOwnAreDeleted) {
    const std::size_t before = gdi::livePenCount();
    DrawingSurface surface(QSize(2, 2));
    const gdi::PenHandle pen = gdi::CreatePen(gdi::kSolidPen, 1, 0xFF);
    EXPECT_EQ(gdi::CreatePen(2, 1, 0xFF), gdi::PenHandle{}); // not a solid pen
    EXPECT_EQ(gdi::CreatePen(gdi::kSolidPen, 3, 0xFF), gdi::PenHandle{});
    gdi::SelectObject(surface.hDC(), pen);
    EXPECT_FALSE(gdi::DeleteObject(pen));
    EXPECT_FALSE(gdi::DeleteObject(gdi::kBlackPen));
    gdi::SelectObject(surface.hDC(), gdi::kBlackPen);
    EXPECT_TRUE(gdi::DeleteObject(pen));
    EXPECT_FALSE(gdi::DeleteObject(pen));
    EXPECT_EQ(gdi::SelectObject(surface.hDC(), pen), gdi::PenHandle{});
    EXPECT_EQ(gdi::livePenCount(), before);
}

TEST(GdiWindowTest, ClientRectIsTheSurfaceUntilItIsGone) {
    auto surface = std::make_unique<DrawingSurface>(QSize(30, 20));
    const gdi::WindowHandle window = surface->hWnd();
    const gdi::DcHandle context = surface->hDC();
    gdi::Rect rect;
    ASSERT_TRUE(gdi::GetClientRect(window, rect));
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 30);
    EXPECT_EQ(rect.bottom, 20);
    surface.reset();
    EXPECT_FALSE(gdi::GetClientRect(window, rect));
    EXPECT_FALSE(gdi::GetClientRect(gdi::WindowHandle{}, rect));
    EXPECT_FALSE(gdi::MoveToEx(context, 0, 0, nullptr));
    EXPECT_FALSE(gdi::LineTo(context, 1, 1));
    EXPECT_FALSE(gdi::LockWindowUpdate(window));
}

TEST(GdiWindowTest, OneWindowAtATimeHasItsUpdatesLocked) {
    DrawingSurface first(QSize(2, 2));
    auto second = std::make_unique<DrawingSurface>(QSize(2, 2));
    EXPECT_TRUE(gdi::LockWindowUpdate(first.hWnd()));
    EXPECT_FALSE(gdi::LockWindowUpdate(second->hWnd()));
    EXPECT_TRUE(first.updatesLocked());
    EXPECT_FALSE(second->updatesLocked());
    EXPECT_TRUE(gdi::LockWindowUpdate(gdi::WindowHandle{}));
    EXPECT_FALSE(first.updatesLocked());
    EXPECT_FALSE(gdi::LockWindowUpdate(gdi::WindowHandle{}));
    // A locked window that goes away releases the lock.
    EXPECT_TRUE(gdi::LockWindowUpdate(second->hWnd()));
    second.reset();
    EXPECT_TRUE(gdi::LockWindowUpdate(first.hWnd()));
    gdi::LockWindowUpdate(gdi::WindowHandle{});
}

TEST(GdiSystemColorTest, IndicesReadTheDesktopPalette) {
    const QPalette palette = QGuiApplication::palette();
    const std::pair<std::int32_t, QColor> cases[] = {
        {5, palette.color(QPalette::Base)},
        {8, palette.color(QPalette::Text)},
        {13, palette.color(QPalette::Highlight)},
        {15, palette.color(QPalette::Button)},
        {24, palette.color(QPalette::ToolTipBase)},
        {25, QColor(0, 0, 0)},
        {-1, QColor(0, 0, 0)},
    };
    for (const auto& [index, color] : cases) {
        EXPECT_EQ(gdi::GetSysColor(index), color.red() | (color.green() << 8) | (color.blue() << 16))
            << "index " << index;
    }
}

} // namespace
