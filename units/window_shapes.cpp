#include "units/window_shapes.h"

#include <algorithm>
#include <array>
#include <vector>

namespace units {
namespace {

constexpr uint16_t kEnd = 0xFFFF;

// Outline n is shape n + 4: x, y pairs, each outline closed on its first
// point and ended by kEnd.
constexpr uint16_t kOutlines[] = {
    // 0 triangle pointing up
    16383, 0, 32767, 32767, 0, 32767, 16383, 0, kEnd,
    // 1 triangle pointing down
    0, 0, 32767, 0, 16383, 32767, 0, 0, kEnd,
    // 2 triangle pointing left
    0, 16383, 32767, 0, 32767, 32767, 0, 16383, kEnd,
    // 3 triangle pointing right
    32767, 16383, 0, 32767, 0, 0, 32767, 16383, kEnd,
    // 4 pentagon
    16383, 0, 32767, 12516, 26509, 32767, 6258, 32767, 0, 12516, 16383, 0, kEnd,
    // 5 hexagon
    8191, 0, 24575, 0, 32767, 16383, 24575, 32767, 8191, 32767, 0, 16383, 8191, 0, kEnd,
    // 6 octagon
    9597, 0, 23170, 0, 32767, 9597, 32767, 23170, 23170, 32767, 9597, 32767, 0, 23170, 0, 9597, 9597, 0, kEnd,
    // 7 five-pointed star
    16383, 0, 20245, 11880, 32767, 12516, 22631, 20010, 26509, 32767, 16383, 24893, 6258, 32767, 10135, 20010, 0,
    12516, 12521, 11880, 16383, 0, kEnd,
    // 8 diamond
    16383, 0, 32767, 16383, 16383, 32767, 0, 16383, 16383, 0, kEnd,
    // 9 parallelogram
    8191, 0, 32767, 0, 24575, 32767, 0, 32767, 8191, 0, kEnd,
    // 10 trapezoid, wide at the bottom
    8191, 0, 24575, 0, 32767, 32767, 0, 32767, 8191, 0, kEnd,
    // 11 trapezoid, wide at the top
    0, 0, 32767, 0, 24575, 32767, 8191, 32767, 0, 0, kEnd,
    // 12 arrow pointing right
    0, 8191, 19660, 8191, 19660, 0, 32767, 16383, 19660, 32767, 19660, 24575, 0, 24575, 0, 8191, kEnd,
    // 13 arrow pointing left
    32767, 8191, 13107, 8191, 13107, 0, 0, 16383, 13107, 32767, 13107, 24575, 32767, 24575, 32767, 8191, kEnd,
    // 14 arrow pointing up
    8191, 32767, 8191, 13107, 0, 13107, 16383, 0, 32767, 13107, 24575, 13107, 24575, 32767, 8191, 32767, kEnd,
    // 15 arrow pointing down
    8191, 0, 24575, 0, 24575, 19660, 32767, 19660, 16383, 32767, 0, 19660, 8191, 19660, 8191, 0, kEnd,
    // 16 cross
    10922, 0, 21845, 0, 21845, 10922, 32767, 10922, 32767, 21845, 21845, 21845, 21845, 32767, 10922, 32767, 10922,
    21845, 0, 21845, 0, 10922, 10922, 10922, 10922, 0, kEnd,
    // 17 chevron pointing right
    0, 0, 16383, 0, 32767, 16383, 16383, 32767, 0, 32767, 16383, 16383, 0, 0, kEnd,
    // 18 chevron pointing left
    32767, 0, 16383, 0, 0, 16383, 16383, 32767, 32767, 32767, 16383, 16383, 32767, 0, kEnd,
    // 19 speech bubble
    0, 0, 32767, 0, 32767, 24575, 13107, 24575, 6553, 32767, 6553, 24575, 0, 24575, 0, 0, kEnd,
    // 20 house
    16383, 0, 32767, 13107, 32767, 32767, 0, 32767, 0, 13107, 16383, 0, kEnd,
    // 21 tag pointing right
    0, 0, 24575, 0, 32767, 16383, 24575, 32767, 0, 32767, 0, 0, kEnd,
    // 22 L shape
    0, 0, 13107, 0, 13107, 19660, 32767, 19660, 32767, 32767, 0, 32767, 0, 0, kEnd,
    // 23 right triangle in the bottom-left corner
    0, 0, 32767, 32767, 0, 32767, 0, 0, kEnd,
    // 24 right triangle in the bottom-right corner
    32767, 0, 32767, 32767, 0, 32767, 32767, 0, kEnd,
    // 25 bow tie standing up (hourglass)
    0, 0, 32767, 0, 16383, 16383, 32767, 32767, 0, 32767, 16383, 16383, 0, 0, kEnd,
};

// Where each outline starts in kOutlines, checked at compile time.
constexpr auto kOutlineStarts = [] {
    std::array<size_t, kShapeOutlineCount + 1> starts{};
    size_t n = 0, i = 0;
    starts[0] = 0;
    for (; i < std::size(kOutlines); ++i)
        if (kOutlines[i] == kEnd) starts[++n] = i + 1;
    return starts;
}();
static_assert([] {
    size_t ends = 0;
    for (uint16_t v : kOutlines) ends += v == kEnd;
    return ends == kShapeOutlineCount;
}());
static_assert(kOutlineStarts[kShapeOutlineCount] == std::size(kOutlines));

}  // namespace

HRGN MakeShapeRegion(int32_t shape, int32_t width, int32_t height) {
    if (shape <= 0 || shape >= kWindowShapeCount || width <= 0 || height <= 0) return 0;
    switch (shape) {
        case 1: return CreateEllipticRgn(0, 0, width, height);
        case 2: {
            int corner = std::min(width / 5, height / 5);
            return CreateRoundRectRgn(0, 0, width, height, corner, corner);
        }
        case 3: {
            HRGN outer = CreateEllipticRgn(0, 0, width, height);
            HRGN inner = CreateEllipticRgn(width / 4, height / 4, width - width / 4, height - height / 4);
            CombineRgn(outer, outer, inner, RGN_DIFF);
            DeleteObject(inner);
            return outer;
        }
        default: break;
    }
    const size_t outline = static_cast<size_t>(shape - 4);
    std::vector<POINT> points;
    for (size_t i = kOutlineStarts[outline]; kOutlines[i] != kEnd; i += 2)
        points.push_back({MulDiv(kOutlines[i], width, 32767), MulDiv(kOutlines[i + 1], height, 32767)});
    return CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING);
}

void ApplyWindowShape(HWND hwnd, int32_t shape) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    SetWindowRgn(hwnd, MakeShapeRegion(shape, rc.right - rc.left, rc.bottom - rc.top), TRUE);
}

}  // namespace units
