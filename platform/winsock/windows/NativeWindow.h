#pragma once

#include "MessageWindows.h"

#include <windows.h>

#include <cstdint>

// Window handles are 32 bits wide even in a 64-bit process (so that 32- and 64-bit programs can
// share them); the upper half of an HWND is the sign extension of the lower.
namespace win {

inline HWND toNative(WindowHandle window) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(window)));
}

inline WindowHandle fromNative(HWND window) {
    return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

} // namespace win
