#pragma once

#include <cstdint>

class DrawingSurface;

// A surface is one window and its one device context: both handles carry the same number.
namespace gdi::registry {

std::uint32_t addSurface(DrawingSurface& surface);
// Forgets the surface: its handles stop working, its lock and pen selection are released.
void removeSurface(std::uint32_t id);

} // namespace gdi::registry
