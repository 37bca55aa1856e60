#include "Gdi.h"

#include "DrawingSurface.h"
#include "GdiRegistry.h"

#include <unordered_map>

namespace gdi {
namespace {

struct Pen {
    std::int32_t color = 0;
    int selections = 0; // contexts it is selected into; a selected pen is not deleted
};

struct Objects {
    std::uint32_t lastId = static_cast<std::uint32_t>(kBlackPen);
    std::unordered_map<std::uint32_t, DrawingSurface*> surfaces;
    std::unordered_map<std::uint32_t, Pen> pens;
    std::uint32_t lockedWindow = 0;
};

Objects& objects() {
    static Objects table;
    return table;
}

// Numbers are not reused while their object lives; 0 and the black pen's number never come back.
std::uint32_t newId() {
    Objects& table = objects();
    do {
        ++table.lastId;
    } while (table.lastId <= static_cast<std::uint32_t>(kBlackPen) || table.surfaces.count(table.lastId) != 0 ||
             table.pens.count(table.lastId) != 0);
    return table.lastId;
}

template <typename Handle> DrawingSurface* findSurface(Handle handle) {
    const auto found = objects().surfaces.find(static_cast<std::uint32_t>(handle));
    return found == objects().surfaces.end() ? nullptr : found->second;
}

Pen* findPen(PenHandle pen) {
    const auto found = objects().pens.find(static_cast<std::uint32_t>(pen));
    return found == objects().pens.end() ? nullptr : &found->second;
}

void countSelection(PenHandle pen, int change) {
    if (Pen* found = findPen(pen)) {
        found->selections += change;
    }
}

} // namespace

namespace registry {

std::uint32_t addSurface(DrawingSurface& surface) {
    const std::uint32_t id = newId();
    objects().surfaces.emplace(id, &surface);
    return id;
}

void removeSurface(std::uint32_t id) {
    Objects& table = objects();
    if (const DrawingSurface* surface = findSurface(id)) {
        countSelection(surface->selectedPen(), -1);
    }
    table.surfaces.erase(id);
    if (table.lockedWindow == id) {
        table.lockedWindow = 0;
    }
}

} // namespace registry

bool LockWindowUpdate(WindowHandle hWnd) {
    Objects& table = objects();
    if (hWnd == WindowHandle{}) {
        DrawingSurface* locked = findSurface(table.lockedWindow);
        table.lockedWindow = 0;
        if (locked == nullptr) {
            return false;
        }
        locked->setUpdatesLocked(false);
        return true;
    }
    DrawingSurface* surface = findSurface(hWnd);
    if (surface == nullptr || table.lockedWindow != 0) {
        return false;
    }
    table.lockedWindow = static_cast<std::uint32_t>(hWnd);
    surface->setUpdatesLocked(true);
    return true;
}

bool GetClientRect(WindowHandle hWnd, Rect& rect) {
    const DrawingSurface* surface = findSurface(hWnd);
    if (surface == nullptr) {
        return false;
    }
    rect = Rect{0, 0, surface->clientSize().width(), surface->clientSize().height()};
    return true;
}

PenHandle CreatePen(std::int32_t style, std::int32_t width, std::int32_t color) {
    if (style != kSolidPen || width < 0 || width > 1) {
        return PenHandle{};
    }
    const std::uint32_t id = newId();
    objects().pens.emplace(id, Pen{color, 0});
    return PenHandle{id};
}

PenHandle SelectObject(DcHandle hDC, PenHandle pen) {
    DrawingSurface* surface = findSurface(hDC);
    if (surface == nullptr || (pen != kBlackPen && findPen(pen) == nullptr)) {
        return PenHandle{};
    }
    const PenHandle previous = surface->selectedPen();
    countSelection(previous, -1);
    countSelection(pen, +1);
    surface->selectPen(pen);
    return previous;
}

bool DeleteObject(PenHandle pen) {
    const Pen* found = findPen(pen);
    if (found == nullptr || found->selections > 0) {
        return false;
    }
    objects().pens.erase(static_cast<std::uint32_t>(pen));
    return true;
}

bool MoveToEx(DcHandle hDC, std::int32_t x, std::int32_t y, Point* previous) {
    DrawingSurface* surface = findSurface(hDC);
    if (surface == nullptr) {
        return false;
    }
    if (previous != nullptr) {
        *previous = Point{surface->position().x(), surface->position().y()};
    }
    surface->moveTo(QPoint(x, y));
    return true;
}

bool LineTo(DcHandle hDC, std::int32_t x, std::int32_t y) {
    DrawingSurface* surface = findSurface(hDC);
    if (surface == nullptr) {
        return false;
    }
    const Pen* pen = findPen(surface->selectedPen());
    surface->lineTo(QPoint(x, y), pen != nullptr ? pen->color : 0);
    return true;
}

std::size_t livePenCount() {
    return objects().pens.size();
}

} // namespace gdi
