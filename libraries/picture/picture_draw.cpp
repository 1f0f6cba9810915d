#include "libraries/picture/picture_draw.h"

#include <cstring>
#include <vector>

#include "libraries/picture/render.h"

namespace picture {

namespace {

constexpr size_t kMaxSide = 1 << 16;

size_t DibStride(int32_t width, int32_t bits) { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }

// The picture as a 32-bit top-down DIB section, every kind converted up
// front (transparent GIF index and PNG alpha already over the background).
// The section then shares its memory with the drawing surface, so no colour
// table or row conversion is left for later syncing.
HBITMAP BitmapFromPicture(HDC dc, const DecodedPicture& picture, uint32_t background) {
  if (size_t(picture.width) > kMaxSide || size_t(picture.height) > kMaxSide) return 0;
  std::vector<uint8_t> bgra;
  if (!RenderToBgra(picture, background, &bgra)) return 0;
  if (bgra.size() != size_t(picture.width) * size_t(picture.height) * 4) return 0;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0);
  if (!bitmap) return 0;
  if (SetDIBits(dc, bitmap, 0, UINT(picture.height), bgra.data(), &info, DIB_RGB_COLORS) != picture.height) {
    DeleteObject(bitmap);
    return 0;
  }
  return bitmap;
}

void PutLe16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  PutLe16(b, at, v);
  PutLe16(b, at + 2, v >> 16);
}

// The display decides between smoothing and picking pixels when stretching.
int StretchModeForDisplay() {
  HDC screen = GetDC(0);
  const int bits = screen ? GetDeviceCaps(screen, BITSPIXEL) : 32;
  if (screen) ReleaseDC(0, screen);
  return bits > 16 ? HALFTONE : COLORONCOLOR;
}

}  // namespace

HICON IconHandleFromImage(const platform::IconImage& image) {
  const int32_t w = image.width, h = image.height;
  if (w <= 0 || h <= 0 || size_t(w) > kMaxSide || size_t(h) > kMaxSide) return 0;
  if (image.bgra.size() != size_t(w) * size_t(h) * 4) return 0;
  // A 32-bit icon resource carries the alpha as it is; the AND mask marks the
  // fully clear pixels so an image with no alpha at all still comes out clear.
  const size_t xorStride = size_t(w) * 4, andStride = DibStride(w, 1);
  const size_t prefix = image.isIcon ? 0 : 4;
  const size_t header = prefix + 40;
  std::vector<uint8_t> res(header + (xorStride + andStride) * size_t(h), 0);
  if (!image.isIcon) {
    PutLe16(res, 0, uint32_t(image.hotspotX));
    PutLe16(res, 2, uint32_t(image.hotspotY));
  }
  PutLe32(res, prefix + 0, 40);
  PutLe32(res, prefix + 4, uint32_t(w));
  PutLe32(res, prefix + 8, uint32_t(h) * 2);
  PutLe16(res, prefix + 12, 1);
  PutLe16(res, prefix + 14, 32);
  uint8_t* xorRows = &res[header];
  uint8_t* andRows = xorRows + xorStride * size_t(h);
  for (size_t y = 0; y < size_t(h); ++y) {
    const size_t stored = size_t(h) - 1 - y;  // resources are bottom-up
    std::memcpy(xorRows + stored * xorStride, &image.bgra[y * xorStride], xorStride);
    for (size_t x = 0; x < size_t(w); ++x)
      if (image.bgra[(y * size_t(w) + x) * 4 + 3] == 0) andRows[stored * andStride + x / 8] |= uint8_t(0x80 >> (x & 7));
  }
  return CreateIconFromResourceEx(res.data(), DWORD(res.size()), image.isIcon ? TRUE : FALSE,
                                  platform::kIconResourceVersion, w, h, LR_DEFAULTCOLOR);
}

bool RenderPicture(HDC dc, const DecodedPicture* picture, RenderedPicture* out, uint32_t background) {
  if (!out) return false;
  *out = RenderedPicture{};
  if (!picture || picture->width <= 0 || picture->height <= 0) return false;
  RenderedPicture r;
  r.dc = dc;
  r.kind = picture->kind;
  r.width = picture->width;
  r.height = picture->height;
  if (picture->kind == PictureFormat::Ico || picture->kind == PictureFormat::Cur) {
    if (!picture->icon) return false;
    r.icon = IconHandleFromImage(*picture->icon);
    if (!r.icon) return false;
  } else {
    r.bitmap = BitmapFromPicture(dc, *picture, background);
    if (!r.bitmap) return false;
  }
  *out = r;
  return true;
}

bool DrawRenderedPicture(const RenderedPicture& rendered, int x, int y, int width, int height, DWORD rop) {
  if (!rendered.dc || (!rendered.icon && !rendered.bitmap)) return false;
  if (width == -1) width = rendered.width;
  if (height == -1) height = rendered.height;
  if (width <= 0 || height <= 0) return false;
  SetStretchBltMode(rendered.dc, StretchModeForDisplay());
  if (rendered.icon) return DrawIconEx(rendered.dc, x, y, rendered.icon, width, height, 0, 0, DI_NORMAL) != 0;
  HDC memory = CreateCompatibleDC(rendered.dc);
  if (!memory) return false;
  HGDIOBJ old = SelectObject(memory, rendered.bitmap);
  const bool ok = old && old != HGDI_ERROR &&
                  StretchBlt(rendered.dc, x, y, width, height, memory, 0, 0, rendered.width, rendered.height, rop);
  if (old && old != HGDI_ERROR) SelectObject(memory, old);
  DeleteDC(memory);
  return ok;
}

void ReleaseRenderedPicture(RenderedPicture* rendered) {
  if (!rendered) return;
  if (rendered->bitmap) DeleteObject(rendered->bitmap);
  if (rendered->icon) DestroyIcon(rendered->icon);
  *rendered = RenderedPicture{};
}

bool DrawPicture(const DecodedPicture* picture, HDC dc, int x, int y, int width, int height, uint32_t background) {
  RenderedPicture r;
  if (!RenderPicture(dc, picture, &r, background)) return false;
  const bool ok = DrawRenderedPicture(r, x, y, width, height, SRCCOPY);
  ReleaseRenderedPicture(&r);
  return ok;
}

HBITMAP PictureToBitmap(std::span<const uint8_t> bytes, uint32_t background) {
  if (DetectPictureFormat(bytes) == PictureFormat::Unknown) return 0;
  PicturePtr picture = DecodePictureFromMemory(bytes);
  if (!picture) return 0;
  HDC screen = GetDC(0);
  if (!screen) return 0;
  RenderedPicture r;
  HBITMAP result = 0;
  if (RenderPicture(screen, picture.get(), &r, background)) {
    if (r.icon) {
      // An icon has no bitmap of its own: draw it over the background.
      HBITMAP bitmap = CreateCompatibleBitmap(screen, r.width, r.height);
      HDC memory = bitmap ? CreateCompatibleDC(screen) : HDC(0);
      if (memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        HBRUSH fill = CreateSolidBrush(background & 0xFFFFFF);
        RECT all{0, 0, r.width, r.height};
        FillRect(memory, &all, fill);
        DeleteObject(fill);
        DrawIconEx(memory, 0, 0, r.icon, r.width, r.height, 0, 0, DI_NORMAL);
        SelectObject(memory, old);
        DeleteDC(memory);
        result = bitmap;
      } else if (bitmap) {
        DeleteObject(bitmap);
      }
    } else {
      result = r.bitmap;
      r.bitmap = 0;  // handed over
    }
  }
  ReleaseRenderedPicture(&r);
  ReleaseDC(0, screen);
  FreePicture(picture);
  return result;
}

HCURSOR CursorHandleFromBytes(std::span<const uint8_t> bytes) {
  platform::IconImage image;
  if (!CursorFromBytes(bytes, &image)) return 0;
  image.isIcon = false;
  return IconHandleFromImage(image);
}

bool DrawGifCanvas(HDC dc, const GifCanvas& canvas, int x, int y, int width, int height) {
  if (!dc || canvas.width() <= 0 || canvas.height() <= 0) return false;
  if (canvas.pixels().size() != size_t(canvas.width()) * size_t(canvas.height())) return false;
  if (width == -1) width = canvas.width();
  if (height == -1) height = canvas.height();
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = canvas.width();
  info.bmiHeader.biHeight = -canvas.height();
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetStretchBltMode(dc, StretchModeForDisplay());
  return StretchDIBits(dc, x, y, width, height, 0, 0, canvas.width(), canvas.height(), canvas.pixels().data(),
                       &info, DIB_RGB_COLORS, SRCCOPY) > 0;
}

bool StartGifInWindow(GifPlayer* player, HWND hwnd) {
  if (!player || !hwnd || !IsWindow(hwnd)) return false;
  // Runs on the animation thread: only ask for a repaint, which any thread
  // may, and which fails quietly once the window is gone.
  return player->Start([hwnd](const GifCanvas&) { InvalidateRect(hwnd, 0, FALSE); });
}

bool PaintGifInWindow(GifPlayer* player, HDC dc, int x, int y, int width, int height) {
  if (!player || !dc) return false;
  bool drawn = false;
  player->WithCanvas([&](const GifCanvas& canvas) { drawn = DrawGifCanvas(dc, canvas, x, y, width, height); });
  return drawn;
}

}  // namespace picture
