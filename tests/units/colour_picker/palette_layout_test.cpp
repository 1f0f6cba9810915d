// The palette's pure rules: layout arithmetic, hit-testing, the item at
// opening, arrow-key movement with its wrapping, and placement on the screen.
#include <gtest/gtest.h>

#include "units/colour_palette.h"

namespace {

using units::kItemMore;
using units::kItemNone;
using units::kItemTransparent;
using units::NextPaletteItem;

TEST(PaletteLayout, GridAloneAndWithBothEntries) {
    units::PaletteLayout bare = units::LayoutPalette(2, SIZE{0, 0}, SIZE{0, 0}, false, false);
    EXPECT_EQ(bare.cell, 18);
    EXPECT_EQ(bare.width, 7 * 18 + 4);
    EXPECT_EQ(bare.height, 5 * 18 + 4);
    EXPECT_EQ(bare.Cell(0).left, 2);
    EXPECT_EQ(bare.Cell(0).top, 2);
    EXPECT_EQ(bare.Cell(31).left, 3 * 18 + 2);
    EXPECT_EQ(bare.Cell(31).top, 4 * 18 + 2);
    // A wide edge raises the cell size.
    EXPECT_EQ(units::LayoutPalette(6, SIZE{0, 0}, SIZE{0, 0}, false, false).cell, 19);

    // Text height 12: entries are 12 + 4 * 2 + 2 = 22 high plus a margin.
    units::PaletteLayout l = units::LayoutPalette(2, SIZE{30, 12}, SIZE{70, 10}, true, true);
    const int th = 22;
    EXPECT_EQ(l.width, 130);  // the grid is wider than either text
    EXPECT_EQ(l.transparent.left, 2);
    EXPECT_EQ(l.transparent.top, 2);
    EXPECT_EQ(l.transparent.right, 128);
    EXPECT_EQ(l.transparent.bottom, 4 + th);
    EXPECT_EQ(l.gridShift, (2 + th) + 2);
    EXPECT_EQ(l.Cell(0).top, 2 + l.gridShift);
    const int afterGrid = 5 * 18 + 4 + 3 * 2 + th;
    EXPECT_EQ(l.more.top, afterGrid);
    EXPECT_EQ(l.more.bottom, afterGrid + 2 + th);
    EXPECT_EQ(l.more.right, 128);
    EXPECT_EQ(l.height, afterGrid + 3 * 2 + th);

    // A text wider than the grid widens the window.
    units::PaletteLayout wide = units::LayoutPalette(2, SIZE{0, 0}, SIZE{200, 12}, false, true);
    EXPECT_EQ(wide.width, 204);
    EXPECT_EQ(wide.more.right, 202);
    EXPECT_EQ(wide.gridShift, 0);
}

TEST(PaletteLayout, HitTestingFollowsTheDrawnRectangles) {
    units::PaletteLayout l = units::LayoutPalette(2, SIZE{30, 12}, SIZE{70, 12}, true, true);
    for (int i = 0; i < units::kPaletteColourCount; ++i) {
        RECT c = l.Cell(i);
        EXPECT_EQ(l.ItemAt(POINT{c.left, c.top}), i);
        EXPECT_EQ(l.ItemAt(POINT{c.right - 1, c.bottom - 1}), i);
    }
    EXPECT_EQ(l.ItemAt(POINT{l.transparent.left + 1, l.transparent.top + 1}), kItemTransparent);
    EXPECT_EQ(l.ItemAt(POINT{l.more.right - 1, l.more.bottom - 1}), kItemMore);
    // The four empty places of the last row, the margins and outside: nothing.
    RECT last = l.Cell(31);
    EXPECT_EQ(l.ItemAt(POINT{last.right + 1, last.top + 1}), kItemNone);
    EXPECT_EQ(l.ItemAt(POINT{0, 0}), kItemNone);
    EXPECT_EQ(l.ItemAt(POINT{-5, 40}), kItemNone);
    EXPECT_EQ(l.ItemAt(POINT{l.width + 10, 40}), kItemNone);
    // Without the entries their places are grid or nothing.
    units::PaletteLayout bare = units::LayoutPalette(2, SIZE{0, 0}, SIZE{0, 0}, false, false);
    EXPECT_EQ(bare.ItemAt(POINT{3, 3}), 0);
    EXPECT_EQ(bare.ItemAt(POINT{3, bare.height + 5}), kItemNone);
}

TEST(PaletteLayout, InitialItem) {
    EXPECT_EQ(units::InitialPaletteItem(0xFF000000u, true, true), kItemTransparent);
    EXPECT_EQ(units::InitialPaletteItem(0xFF000000u, false, true), kItemMore);
    EXPECT_EQ(units::InitialPaletteItem(0xFF000000u, false, false), kItemNone);
    EXPECT_EQ(units::InitialPaletteItem(RGB(255, 255, 255), true, true), 15);
    EXPECT_EQ(units::InitialPaletteItem(RGB(0, 0, 0), true, true), 0);
    EXPECT_EQ(units::InitialPaletteItem(RGB(1, 1, 1), true, true), kItemMore);
}

TEST(PaletteKeys, LeftAndUpWithBothEntries) {
    auto left = [](int from) { return NextPaletteItem(from, VK_LEFT, true, true); };
    auto up = [](int from) { return NextPaletteItem(from, VK_UP, true, true); };
    EXPECT_EQ(left(kItemMore), 31);
    EXPECT_EQ(left(10), 9);
    EXPECT_EQ(left(7), 6);  // first column: last column of the row above
    EXPECT_EQ(left(0), kItemTransparent);
    EXPECT_EQ(left(kItemNone), kItemTransparent);
    EXPECT_EQ(left(kItemTransparent), kItemMore);
    EXPECT_EQ(up(kItemMore), 31);
    EXPECT_EQ(up(30), 23);
    EXPECT_EQ(up(3), kItemTransparent);  // top row
    EXPECT_EQ(up(kItemNone), kItemTransparent);
    EXPECT_EQ(up(kItemTransparent), kItemMore);
}

TEST(PaletteKeys, LeftAndUpWhenEntriesAreMissing) {
    EXPECT_EQ(NextPaletteItem(0, VK_LEFT, false, true), kItemMore);
    EXPECT_EQ(NextPaletteItem(0, VK_LEFT, false, false), 31);
    EXPECT_EQ(NextPaletteItem(kItemNone, VK_UP, false, false), 31);
    EXPECT_EQ(NextPaletteItem(6, VK_UP, false, true), kItemMore);
    EXPECT_EQ(NextPaletteItem(kItemTransparent, VK_LEFT, true, false), 31);
    EXPECT_EQ(NextPaletteItem(kItemTransparent, VK_UP, true, false), 31);
}

TEST(PaletteKeys, RightAndDownWithAndWithoutEntries) {
    EXPECT_EQ(NextPaletteItem(kItemTransparent, VK_RIGHT, true, true), 0);
    EXPECT_EQ(NextPaletteItem(6, VK_RIGHT, true, true), 7);  // past the row's end to the next row
    EXPECT_EQ(NextPaletteItem(31, VK_RIGHT, true, true), kItemMore);
    EXPECT_EQ(NextPaletteItem(31, VK_RIGHT, true, false), kItemTransparent);
    EXPECT_EQ(NextPaletteItem(31, VK_RIGHT, false, false), 0);
    EXPECT_EQ(NextPaletteItem(kItemMore, VK_RIGHT, true, true), kItemTransparent);
    EXPECT_EQ(NextPaletteItem(kItemMore, VK_RIGHT, false, true), 0);
    EXPECT_EQ(NextPaletteItem(kItemNone, VK_RIGHT, true, true), 0);

    EXPECT_EQ(NextPaletteItem(kItemTransparent, VK_DOWN, true, true), 0);
    EXPECT_EQ(NextPaletteItem(3, VK_DOWN, true, true), 10);
    EXPECT_EQ(NextPaletteItem(24, VK_DOWN, true, true), 31);
    // Cells with none below them (25-27) and the bottom row leave the grid.
    EXPECT_EQ(NextPaletteItem(25, VK_DOWN, true, true), kItemMore);
    EXPECT_EQ(NextPaletteItem(29, VK_DOWN, true, false), kItemTransparent);
    EXPECT_EQ(NextPaletteItem(28, VK_DOWN, false, false), 0);
    EXPECT_EQ(NextPaletteItem(kItemMore, VK_DOWN, true, true), kItemTransparent);
    EXPECT_EQ(NextPaletteItem(kItemMore, VK_DOWN, false, true), 0);
    // Other keys leave the hot item.
    EXPECT_EQ(NextPaletteItem(12, VK_HOME, true, true), 12);
}

TEST(PaletteKeys, WalkingRightVisitsEveryItemOnceAndComesBack) {
    int item = kItemTransparent;
    std::vector<int> seen;
    for (int i = 0; i < 34; ++i) {
        item = NextPaletteItem(item, VK_RIGHT, true, true);
        seen.push_back(item);
    }
    EXPECT_EQ(seen.front(), 0);
    EXPECT_EQ(seen[31], 31);
    EXPECT_EQ(seen[32], kItemMore);
    EXPECT_EQ(seen[33], kItemTransparent);
}

TEST(PalettePlacement, StaysOnTheScreen) {
    // Fits: under the control.
    RECT r = units::PlacePalette(POINT{100, 200}, 130, 150, 176, 800, 600);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 200);
    // Past the right edge: moved left.
    r = units::PlacePalette(POINT{750, 200}, 130, 150, 176, 800, 600);
    EXPECT_EQ(r.right, 800);
    EXPECT_EQ(r.left, 670);
    // Left of 0: moved right.
    r = units::PlacePalette(POINT{-40, 200}, 130, 150, 176, 800, 600);
    EXPECT_EQ(r.left, 0);
    // Past the bottom: above the control.
    r = units::PlacePalette(POINT{100, 560}, 130, 150, 536, 800, 600);
    EXPECT_EQ(r.bottom, 536);
    EXPECT_EQ(r.top, 386);
    // No room above either: against the bottom of the screen.
    r = units::PlacePalette(POINT{100, 140}, 130, 150, 116, 800, 200);
    EXPECT_EQ(r.bottom, 200);
    EXPECT_EQ(r.top, 50);
}

}  // namespace
