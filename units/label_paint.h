// The label's drawn backgrounds: the two- or three-colour gradient in eight
// directions (also the bands of the shaded frame), computed and drawn in
// tiles so that a large label never needs a full-size pixel buffer.
#pragma once

#include <cstdint>

#include "windows.h"

namespace units {

// A colour of 0xFF000000 takes no part in a gradient or a frame.
constexpr uint32_t kNoColour = 0xFF000000u;

// Tiles are at most this many pixels on each side.
constexpr int32_t kGradientTile = 50;

struct GradientColours {
    COLORREF colour[3] = {};
    int32_t count = 0;  // a gradient needs at least two
};

// Colours 1-3 in order, the transparent code left out.
GradientColours CollectGradientColours(uint32_t first, uint32_t second, uint32_t third);

// Where a pixel of a width x height area stands along the gradient of a
// direction (1 top to bottom, 2 left to right, 3 from the top-left corner,
// 4 from the top-right, 5 bottom to top, 6 right to left, 7 from the
// bottom-right, 8 from the bottom-left), and the span it is measured against.
struct GradientPlace {
    int64_t position = 0;
    int64_t span = 0;
};
GradientPlace GradientPosition(int32_t direction, int32_t width, int32_t height, int32_t x, int32_t y);

// The colours spread evenly over the span: each segment is span / (count - 1)
// long and mixes its two colours linearly; from the span's end on (and for an
// empty span) the last colour.
COLORREF GradientColourAt(const GradientColours& colours, int64_t position, int64_t span);

// Fills `area` (device coordinates) with the gradient, tile by tile, drawing
// only tiles that meet `clip`. Nothing for fewer than two colours.
void FillGradient(HDC dc, const RECT& area, int32_t direction, const GradientColours& colours, const RECT& clip);

// The shaded frame along the inside of `client`: top and bottom bands over
// the full width shading downwards, then the left and right bands as
// trapezoids (diagonal ends into the corners) shading rightwards. The width
// is limited to half the client width and height. Answers the width drawn,
// 0 when there are fewer than two colours or no width.
int32_t DrawShadedFrame(HDC dc, const RECT& client, int32_t width, const GradientColours& colours, const RECT& clip);

}  // namespace units
