// The thirty window shapes: none, ellipse, rounded rectangle, ring, and 26
// outlines on a 0-32767 grid scaled to the window's size.
#pragma once

#include <cstdint>

#include "windows.h"

namespace units {

constexpr int32_t kWindowShapeCount = 30;
constexpr int32_t kShapeOutlineCount = 26;

// The region of shape `shape` for a window of this size, in window
// coordinates; 0 for shape 0 or a shape outside 1-29.
HRGN MakeShapeRegion(int32_t shape, int32_t width, int32_t height);

// Applies the shape to the window (0 removes any region), with redraw.
void ApplyWindowShape(HWND hwnd, int32_t shape);

}  // namespace units
