#pragma once

#include "Gdi.h"

// What a painter draws on: a window (its size and update lock) and its drawing context.
class DrawTarget {
public:
    virtual ~DrawTarget() = default;
    virtual gdi::WindowHandle hWnd() const = 0;
    virtual gdi::DcHandle hDC() const = 0;
};
