#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "libraries/picture/picture_draw.h"
#include "tests/libraries/picture/fixture_writer.h"
#include "win/testhooks.h"

namespace picture {
namespace {

using testing::Bytes;
using testing::Rgb;

// Before anything in the process opens a display.
const bool kHeadless = [] { return setenv("SIGDESIGNER_BACKEND", "headless", 0) == 0; }();

constexpr COLORREF kPaper = RGB(0x10, 0x20, 0x30);

// A 32-bit memory surface filled with kPaper, read back through GetPixel.
class Surface {
 public:
  Surface(int w, int h) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc_ = CreateCompatibleDC(0);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, 0, 0);
    old_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(kPaper);
    RECT all{0, 0, w, h};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Surface() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  bool ok() const { return dc_ && bitmap_; }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_ = 0;
  HBITMAP bitmap_ = 0;
  HGDIOBJ old_ = 0;
  void* bits_ = nullptr;
};

bool Near(COLORREF a, COLORREF b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

// 3 x 2, top-down: red green blue / white black grey.
Bytes SmallBmp() {
  return testing::MakeBmp(3, 2, 24, {}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 128, 128, 128});
}
const COLORREF kSmallBmp[2][3] = {{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                                  {RGB(255, 255, 255), RGB(0, 0, 0), RGB(128, 128, 128)}};

// An icon file with one 32x32 sixteen-colour entry: every pixel colour 2 of
// the test palette, the top-left one cleared by the mask.
Bytes MaskedIcon(uint16_t type, uint16_t hotX = 1, uint16_t hotY = 4) {
  std::vector<uint8_t> px(32 * 32, 2);
  std::vector<bool> clear(px.size(), false);
  clear[0] = true;
  Bytes dib = testing::MakeIconDib(32, 32, 4, testing::TestPalette(16), px, clear);
  return testing::MakeIconFile(type, {{32, 32, 16, type == 2 ? hotX : uint16_t(1), type == 2 ? hotY : uint16_t(4),
                                       dib}});
}
const Rgb kIconColour = testing::TestPalette(16)[2];

TEST(PictureDraw, Bmp24AtItsPlaceAndNaturalSize) {
  ASSERT_TRUE(kHeadless);
  auto pic = DecodePictureFromMemory(SmallBmp());
  ASSERT_NE(pic, nullptr);
  Surface s(20, 20);
  ASSERT_TRUE(s.ok());
  ASSERT_TRUE(DrawPicture(pic.get(), s.dc(), 5, 7, -1, -1, 0xFFFFFF));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(s.At(5 + x, 7 + y), kSmallBmp[y][x]) << x << "," << y;
  // Nothing around it is touched.
  EXPECT_EQ(s.At(4, 7), kPaper);
  EXPECT_EQ(s.At(8, 7), kPaper);
  EXPECT_EQ(s.At(5, 6), kPaper);
  EXPECT_EQ(s.At(5, 9), kPaper);
}

TEST(PictureDraw, PngPartialAlphaBlendedAndTruncated) {
  // B G R A: opaque; clear; 201 at half alpha over black; 0 at alpha 77 over 250.
  const std::vector<uint8_t> bgra = {10, 20, 30, 255, 99, 99, 99, 0, 201, 201, 201, 128, 0, 0, 0, 77};
  auto pic = DecodePictureFromMemory(testing::MakePngBgra(4, 1, bgra));
  ASSERT_NE(pic, nullptr);
  Surface s(8, 3);
  ASSERT_TRUE(s.ok());
  // Background: red 250, green 0, blue 250.
  ASSERT_TRUE(DrawPicture(pic.get(), s.dc(), 2, 1, -1, -1, RGB(250, 0, 250)));
  EXPECT_EQ(s.At(2, 1), RGB(30, 20, 10));
  EXPECT_EQ(s.At(3, 1), RGB(250, 0, 250));  // exactly the background
  // Green: 201 * 128/255 = 100.89 over 0, truncated (not rounded) to 100.
  // Red, blue: 100.89 + 250 * 127/255 = 225.4 -> 225.
  EXPECT_EQ(s.At(4, 1), RGB(225, 100, 225));
  // 250 * 178/255 = 174.51 -> 174.
  EXPECT_EQ(s.At(5, 1), RGB(174, 0, 174));
  EXPECT_EQ(s.At(1, 1), kPaper);
  EXPECT_EQ(s.At(6, 1), kPaper);
}

TEST(PictureDraw, StretchedToTheRectangle) {
  // 2 x 2: red green / blue white, drawn 40 x 40 at (10, 10).
  auto pic = DecodePictureFromMemory(testing::MakeBmp(2, 2, 24, {}, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
  ASSERT_NE(pic, nullptr);
  Surface s(60, 60);
  ASSERT_TRUE(s.ok());
  ASSERT_TRUE(DrawPicture(pic.get(), s.dc(), 10, 10, 40, 40, 0));
  // Well inside each quadrant the colour is the source pixel's, whatever the
  // smoothing does at the seams.
  EXPECT_TRUE(Near(s.At(15, 15), RGB(255, 0, 0), 8)) << std::hex << s.At(15, 15);
  EXPECT_TRUE(Near(s.At(44, 15), RGB(0, 255, 0), 8)) << std::hex << s.At(44, 15);
  EXPECT_TRUE(Near(s.At(15, 44), RGB(0, 0, 255), 8)) << std::hex << s.At(15, 44);
  EXPECT_TRUE(Near(s.At(44, 44), RGB(255, 255, 255), 8)) << std::hex << s.At(44, 44);
  // The edges of the rectangle are covered, and nothing beyond.
  EXPECT_NE(s.At(10, 10), kPaper);
  EXPECT_NE(s.At(49, 49), kPaper);
  EXPECT_EQ(s.At(9, 10), kPaper);
  EXPECT_EQ(s.At(50, 49), kPaper);
  EXPECT_EQ(s.At(49, 50), kPaper);
}

TEST(PictureDraw, RenderedPictureDrawnTwiceAndReleased) {
  auto pic = DecodePictureFromMemory(SmallBmp());
  ASSERT_NE(pic, nullptr);
  Surface s(20, 20);
  RenderedPicture r;
  ASSERT_TRUE(RenderPicture(s.dc(), pic.get(), &r, 0));
  EXPECT_EQ(r.kind, PictureFormat::Bmp);
  EXPECT_EQ(r.width, 3);
  EXPECT_EQ(r.height, 2);
  EXPECT_NE(r.bitmap, 0u);
  EXPECT_EQ(r.icon, 0u);
  EXPECT_TRUE(DrawRenderedPicture(r, 0, 0, -1, -1));
  EXPECT_TRUE(DrawRenderedPicture(r, 10, 10, 6, -1));  // width only
  EXPECT_FALSE(DrawRenderedPicture(r, 0, 5, 0, 2));    // zero width draws nothing
  EXPECT_FALSE(DrawRenderedPicture(r, 0, 5, 3, -5));
  EXPECT_EQ(s.At(0, 5), kPaper);
  EXPECT_EQ(s.At(2, 1), kSmallBmp[1][2]);
  EXPECT_EQ(s.At(15, 11), kSmallBmp[1][2]);
  EXPECT_EQ(s.At(10, 12), kPaper);  // height stayed the picture's own
  HBITMAP bitmap = r.bitmap;
  ReleaseRenderedPicture(&r);
  EXPECT_EQ(r.bitmap, 0u);
  EXPECT_EQ(r.dc, 0u);
  EXPECT_EQ(r.width, 0);
  EXPECT_EQ(GetObjectType(bitmap), 0u);  // deleted
  EXPECT_FALSE(DrawRenderedPicture(r, 0, 0, -1, -1));
}

TEST(PictureDraw, IconDrawnThroughItsMask) {
  auto pic = DecodePictureFromMemory(MaskedIcon(1));
  ASSERT_NE(pic, nullptr);
  ASSERT_EQ(pic->kind, PictureFormat::Ico);
  Surface s(40, 40);
  RenderedPicture r;
  ASSERT_TRUE(RenderPicture(s.dc(), pic.get(), &r, 0xFFFFFF));
  EXPECT_NE(r.icon, 0u);
  EXPECT_EQ(r.bitmap, 0u);
  ASSERT_TRUE(DrawRenderedPicture(r, 3, 4, -1, -1));
  ReleaseRenderedPicture(&r);
  const COLORREF colour = RGB(kIconColour.r, kIconColour.g, kIconColour.b);
  EXPECT_EQ(s.At(3, 4), kPaper);  // cleared by the mask
  EXPECT_EQ(s.At(4, 4), colour);
  EXPECT_EQ(s.At(3, 5), colour);
  EXPECT_EQ(s.At(34, 35), colour);
  EXPECT_EQ(s.At(35, 35), kPaper);
  EXPECT_EQ(s.At(2, 10), kPaper);
}

TEST(PictureDraw, IconPartialAlphaKept) {
  // A 32-bit icon, every pixel pure white at half alpha.
  std::vector<uint8_t> px;
  for (int i = 0; i < 32 * 32; ++i) px.insert(px.end(), {255, 255, 255, 128});
  Bytes dib = testing::MakeIconDib(32, 32, 32, {}, px, std::vector<bool>(px.size() / 4, false));
  auto pic = DecodePictureFromMemory(testing::MakeIconFile(1, {{32, 32, 0, 1, 32, dib}}));
  ASSERT_NE(pic, nullptr);
  Surface s(32, 32);
  ASSERT_TRUE(DrawPicture(pic.get(), s.dc(), 0, 0, -1, -1, 0));
  // Half of white over the paper, neither the paper nor white.
  EXPECT_TRUE(Near(s.At(10, 10), RGB(0x10 + 0xF0 / 2, 0x20 + 0xE0 / 2, 0x30 + 0xD0 / 2), 2)) << std::hex
                                                                                             << s.At(10, 10);
}

TEST(PictureDraw, Pcx1AndGifTransparentIndex) {
  // PCX 1-bit, 10 x 1: alternating bits 1010..., rows padded to even bytes.
  Bytes line = {0xAA, 0x80};
  auto pcx = DecodePictureFromMemory(testing::MakePcx(3, 1, 10, 1, 2, line, nullptr));
  ASSERT_NE(pcx, nullptr);
  ASSERT_EQ(pcx->kind, PictureFormat::Pcx1);
  Surface s(16, 4);
  ASSERT_TRUE(DrawPicture(pcx.get(), s.dc(), 1, 1, -1, -1, 0));
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(s.At(1 + x, 1), x % 2 == 0 ? RGB(255, 255, 255) : RGB(0, 0, 0)) << x;
  EXPECT_EQ(s.At(11, 1), kPaper);

  // GIF 2 x 1 with index 1 transparent: it shows the background colour.
  testing::GifFrameSpec f;
  f.width = 2;
  f.height = 1;
  f.indices = {0, 1};
  f.control = true;
  f.transparent = true;
  f.transparentIndex = 1;
  f.minimumCodeSize = 2;
  auto gif = DecodePictureFromMemory(testing::MakeGif(2, 1, {{200, 10, 20}, {1, 2, 3}, {0, 0, 0}, {0, 0, 0}}, {f}));
  ASSERT_NE(gif, nullptr);
  Surface g(4, 2);
  ASSERT_TRUE(DrawPicture(gif.get(), g.dc(), 0, 0, -1, -1, RGB(7, 8, 9)));
  EXPECT_EQ(g.At(0, 0), RGB(200, 10, 20));
  EXPECT_EQ(g.At(1, 0), RGB(7, 8, 9));
}

TEST(PictureDraw, CursorHandleKeepsItsHotSpot) {
  HCURSOR cursor = CursorHandleFromBytes(MaskedIcon(2, 5, 9));
  ASSERT_NE(cursor, 0u);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 5u);
  EXPECT_EQ(info.yHotspot, 9u);
  BITMAP bm{};
  ASSERT_NE(GetObjectA(info.hbmColor, sizeof bm, &bm), 0);
  EXPECT_EQ(bm.bmWidth, 32);
  EXPECT_EQ(bm.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  // It draws like the icon: mask first.
  Surface s(32, 32);
  EXPECT_TRUE(DrawIconEx(s.dc(), 0, 0, cursor, 0, 0, 0, 0, DI_NORMAL));
  EXPECT_EQ(s.At(0, 0), kPaper);
  EXPECT_EQ(s.At(1, 0), RGB(kIconColour.r, kIconColour.g, kIconColour.b));
  EXPECT_TRUE(DestroyCursor(cursor));

  // An icon file, a BMP and truncated cursor bytes are no cursor.
  EXPECT_EQ(CursorHandleFromBytes(MaskedIcon(1)), 0u);
  EXPECT_EQ(CursorHandleFromBytes(SmallBmp()), 0u);
  Bytes cut = MaskedIcon(2);
  cut.resize(60);
  EXPECT_EQ(CursorHandleFromBytes(cut), 0u);
  EXPECT_EQ(CursorHandleFromBytes({}), 0u);
}

TEST(PictureDraw, PictureToBitmapHandsOverTheBitmap) {
  HBITMAP bmp = PictureToBitmap(SmallBmp(), 0xFFFFFF);
  ASSERT_NE(bmp, 0u);
  BITMAP bm{};
  ASSERT_NE(GetObjectA(bmp, sizeof bm, &bm), 0);
  EXPECT_EQ(bm.bmWidth, 3);
  EXPECT_EQ(bm.bmHeight, 2);
  {
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(dc, bmp);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(GetPixel(dc, x, y), kSmallBmp[y][x]);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  EXPECT_TRUE(DeleteObject(bmp));

  // An icon becomes a bitmap of its size with the background where it is clear.
  HBITMAP icon = PictureToBitmap(MaskedIcon(1), RGB(1, 2, 3));
  ASSERT_NE(icon, 0u);
  ASSERT_NE(GetObjectA(icon, sizeof bm, &bm), 0);
  EXPECT_EQ(bm.bmWidth, 32);
  EXPECT_EQ(bm.bmHeight, 32);
  {
    HDC dc = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(dc, icon);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 31, 31), RGB(kIconColour.r, kIconColour.g, kIconColour.b));
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  DeleteObject(icon);

  const Bytes junk(64, 0x42);
  EXPECT_EQ(PictureToBitmap(junk, 0xFFFFFF), 0u);
  EXPECT_EQ(PictureToBitmap({}, 0xFFFFFF), 0u);
  Bytes cut = SmallBmp();
  cut.resize(40);
  EXPECT_EQ(PictureToBitmap(cut, 0xFFFFFF), 0u);
}

TEST(PictureDraw, NothingAndEmptyNeverCrash) {
  Surface s(4, 4);
  RenderedPicture r;
  r.width = 5;  // cleared on failure
  EXPECT_FALSE(RenderPicture(s.dc(), nullptr, &r, 0));
  EXPECT_EQ(r.width, 0);
  EXPECT_FALSE(RenderPicture(s.dc(), nullptr, nullptr, 0));
  DecodedPicture empty;
  EXPECT_FALSE(RenderPicture(s.dc(), &empty, &r, 0));
  DecodedPicture zero;
  zero.kind = PictureFormat::Bmp;
  EXPECT_FALSE(RenderPicture(s.dc(), &zero, &r, 0));
  // Sizes that do not match the pixel block.
  DecodedPicture lying;
  lying.kind = PictureFormat::Png;
  lying.width = 100;
  lying.height = 100;
  lying.pixels.assign(16, 0);
  EXPECT_FALSE(RenderPicture(s.dc(), &lying, &r, 0));
  DecodedPicture iconless;
  iconless.kind = PictureFormat::Ico;
  iconless.width = iconless.height = 16;
  EXPECT_FALSE(RenderPicture(s.dc(), &iconless, &r, 0));
  EXPECT_FALSE(DrawPicture(nullptr, s.dc(), 0, 0, -1, -1, 0));
  EXPECT_FALSE(DrawPicture(&empty, s.dc(), 0, 0, -1, -1, 0));
  EXPECT_FALSE(DrawRenderedPicture(RenderedPicture{}, 0, 0, -1, -1));
  ReleaseRenderedPicture(nullptr);
  ReleaseRenderedPicture(&r);
  EXPECT_EQ(IconHandleFromImage(platform::IconImage{}), 0u);
  platform::IconImage shortImage;
  shortImage.width = shortImage.height = 8;
  shortImage.bgra.assign(10, 0);
  EXPECT_EQ(IconHandleFromImage(shortImage), 0u);
  // No device context: nothing is drawn and nothing fails hard.
  auto pic = DecodePictureFromMemory(SmallBmp());
  ASSERT_NE(pic, nullptr);
  EXPECT_FALSE(DrawPicture(pic.get(), 0, 0, 0, -1, -1, 0));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(s.At(x, y), kPaper);
}

TEST(PictureDraw, GifCanvasPaintedUnderTheGuard) {
  testing::GifFrameSpec f;
  f.width = 2;
  f.height = 2;
  f.indices = {0, 1, 1, 0};
  f.minimumCodeSize = 2;
  const Bytes gif = testing::MakeGif(2, 2, {{200, 10, 20}, {1, 2, 3}, {0, 0, 0}, {0, 0, 0}}, {f});
  GifPlayer player(0xFFFFFF);
  Surface s(10, 10);
  EXPECT_FALSE(PaintGifInWindow(&player, s.dc(), 0, 0, -1, -1));  // nothing loaded
  ASSERT_TRUE(player.Load(gif));
  ASSERT_TRUE(player.singleImage());
  ASSERT_TRUE(PaintGifInWindow(&player, s.dc(), 1, 1, -1, -1));
  EXPECT_EQ(s.At(1, 1), RGB(200, 10, 20));
  EXPECT_EQ(s.At(2, 1), RGB(1, 2, 3));
  EXPECT_EQ(s.At(1, 2), RGB(1, 2, 3));
  EXPECT_EQ(s.At(3, 1), kPaper);
  // Stretched over 8 x 8: the corners keep their pixel's colour.
  ASSERT_TRUE(PaintGifInWindow(&player, s.dc(), 2, 2, 8, 8));
  EXPECT_TRUE(Near(s.At(2, 2), RGB(200, 10, 20), 8));
  EXPECT_TRUE(Near(s.At(9, 2), RGB(1, 2, 3), 8));
  EXPECT_FALSE(PaintGifInWindow(&player, s.dc(), 0, 0, 0, 5));
  EXPECT_FALSE(PaintGifInWindow(nullptr, s.dc(), 0, 0, -1, -1));
  EXPECT_FALSE(StartGifInWindow(&player, 0));
}

GifPlayer* g_windowPlayer = nullptr;

LRESULT CALLBACK GifWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (g_windowPlayer) PaintGifInWindow(g_windowPlayer, dc, 0, 0, -1, -1);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

TEST(PictureDraw, AnimationRepaintsTheWindow) {
  // Two full frames, red then blue, 50 ms each.
  testing::GifFrameSpec red, blue;
  red.width = blue.width = 4;
  red.height = blue.height = 4;
  red.indices.assign(16, 0);
  blue.indices.assign(16, 1);
  red.control = blue.control = true;
  red.delay = blue.delay = 5;
  red.minimumCodeSize = blue.minimumCodeSize = 2;
  const Bytes gif = testing::MakeGif(4, 4, {{255, 0, 0}, {0, 0, 255}, {0, 0, 0}, {0, 0, 0}}, {red, blue});
  GifPlayer player(0xFFFFFF);
  ASSERT_TRUE(player.Load(gif));
  ASSERT_FALSE(player.singleImage());

  WNDCLASSA wc{};
  wc.lpfnWndProc = GifWindowProc;
  wc.lpszClassName = "PictureDrawGifTest";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND hwnd = CreateWindowExA(0, "PictureDrawGifTest", "gif", WS_POPUP | WS_VISIBLE, 0, 0, 8, 8, 0, 0, 0, nullptr);
  ASSERT_NE(hwnd, 0u);
  g_windowPlayer = &player;
  ASSERT_TRUE(StartGifInWindow(&player, hwnd));
  EXPECT_FALSE(StartGifInWindow(&player, hwnd));  // already running
  bool sawRed = false, sawBlue = false;
  // The idle wait returns at once when nothing is queued, so the bound is time.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (!(sawRed && sawBlue) && std::chrono::steady_clock::now() < until) {
    SigTestWaitIdle(20);
    const COLORREF c = SigTestWindowPixel(hwnd, 1, 1);
    sawRed |= c == RGB(255, 0, 0);
    sawBlue |= c == RGB(0, 0, 255);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  player.Stop();
  g_windowPlayer = nullptr;
  EXPECT_EQ(player.state(), GifPlayer::State::Stopped);
  EXPECT_TRUE(sawRed);
  EXPECT_TRUE(sawBlue);
  // Outside the canvas the window keeps its own background.
  EXPECT_NE(SigTestWindowPixel(hwnd, 6, 6), RGB(0, 0, 255));
  DestroyWindow(hwnd);
  UnregisterClassA("PictureDrawGifTest", 0);
}

}  // namespace
}  // namespace picture
