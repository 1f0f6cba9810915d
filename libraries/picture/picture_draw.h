// The device side of the picture service: a DecodedPicture becomes a device
// bitmap or an icon for one device context (RenderedPicture), is drawn at a
// position and size, and can be handed out as a bitmap or a cursor handle.
#pragma once

#include <cstdint>
#include <span>

#include "libraries/picture/gif_player.h"
#include "libraries/picture/picture.h"
#include "win/gdi.h"
#include "win/user.h"

namespace picture {

// Built for one drawing and released after it.
struct RenderedPicture {
  HDC dc = 0;
  PictureFormat kind = PictureFormat::Unknown;
  int32_t width = 0;
  int32_t height = 0;
  // Ico and Cur: made from the picture's icon image and owned here, since the
  // decoded picture keeps pixels rather than a handle.
  HICON icon = 0;
  HBITMAP bitmap = 0;  // every other kind; owned
};

// A window-system icon (or cursor, with its hot spot) from icon pixels,
// partial alpha kept. None for an empty or inconsistent image.
HICON IconHandleFromImage(const platform::IconImage& image);

// background: 0x00BBGGRR, used where the picture is transparent (PNG alpha,
// a GIF's transparent index). False, with `out` cleared, for no picture, an
// empty one or a bitmap that cannot be made.
bool RenderPicture(HDC dc, const DecodedPicture* picture, RenderedPicture* out, uint32_t background);

// width or height -1: the picture's own. Other sizes below 1 draw nothing.
bool DrawRenderedPicture(const RenderedPicture& rendered, int x, int y, int width, int height,
                         DWORD rop = SRCCOPY);

// Deletes what the rendering made and clears every field.
void ReleaseRenderedPicture(RenderedPicture* rendered);

// Render, draw with a plain copy, release; nothing is drawn when rendering fails.
bool DrawPicture(const DecodedPicture* picture, HDC dc, int x, int y, int width, int height,
                 uint32_t background);

// A bitmap the caller owns, or none for bytes that are not a picture. Icons
// are drawn at natural size over the background colour.
HBITMAP PictureToBitmap(std::span<const uint8_t> bytes, uint32_t background);

// The cursor of a cursor file (first image, its hot spot), or none.
HCURSOR CursorHandleFromBytes(std::span<const uint8_t> bytes);

// The window side of an animated GIF: each composed frame asks the window to
// repaint, and the window's painting draws the canvas under the player's guard.
// Placement: natural size at the top-left (width/height -1) or stretched.
bool DrawGifCanvas(HDC dc, const GifCanvas& canvas, int x, int y, int width, int height);
bool StartGifInWindow(GifPlayer* player, HWND hwnd);
bool PaintGifInWindow(GifPlayer* player, HDC dc, int x, int y, int width, int height);

}  // namespace picture
