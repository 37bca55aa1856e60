#pragma once

#include <cstddef>
#include <cstdint>

// Stand-ins for the user32/gdi32 drawing calls, over DrawingSurface windows.
// Handles are numbers: 0 is the null handle, and a handle whose object is gone is
// refused by every call, never followed. All calls belong to the UI thread.
namespace gdi {

enum class WindowHandle : std::uint32_t {};
enum class DcHandle : std::uint32_t {};
enum class PenHandle : std::uint32_t {};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

constexpr std::int32_t kSolidPen = 0;
// Selected into every new device context; it cannot be deleted.
constexpr PenHandle kBlackPen{1};

// Locks updates of one window at a time; the null handle unlocks the locked window.
// False when the window is unknown, another window is locked, or nothing is locked to unlock.
bool LockWindowUpdate(WindowHandle hWnd);
// Client area as (0, 0, width, height); false when the window is unknown.
bool GetClientRect(WindowHandle hWnd, Rect& rect);
// Colour 0x00BBGGRR of a system colour index 0 to 24 from the desktop's palette; 0 for other indices.
std::int32_t GetSysColor(std::int32_t index);

// Only solid pens of width 0 or 1 (one pixel) exist here; any other asks for the null handle.
// The top byte of the colour is ignored when drawing.
PenHandle CreatePen(std::int32_t style, std::int32_t width, std::int32_t color);
// Selects the pen into the context and returns the pen it replaces; the null handle on failure.
PenHandle SelectObject(DcHandle hDC, PenHandle pen);
// Frees a pen; false for the black pen, an unknown pen, or one still selected into a context.
bool DeleteObject(PenHandle pen);
// Sets the current position; the one it replaces goes to previous unless that is null.
bool MoveToEx(DcHandle hDC, std::int32_t x, std::int32_t y, Point* previous);
// Draws from the current position to (x, y) with the selected pen, without the end pixel,
// and makes (x, y) the current position.
bool LineTo(DcHandle hDC, std::int32_t x, std::int32_t y);

// Pens created and not yet deleted.
std::size_t livePenCount();

} // namespace gdi
