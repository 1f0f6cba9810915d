#include <gtest/gtest.h>

#include "libraries/picture/gif_canvas.h"
#include "libraries/picture/gif_stream.h"
#include "libraries/picture/decode_util.h"
#include "tests/libraries/picture/compare.h"

namespace picture {
namespace {

using testing::Bytes;
using testing::GifFrameSpec;
using testing::MakeGif;
using testing::Rgb;

GifFrameSpec Frame(uint16_t left, uint16_t top, uint16_t w, uint16_t h, unsigned seed, int colours = 16) {
  GifFrameSpec f;
  f.left = left;
  f.top = top;
  f.width = w;
  f.height = h;
  for (size_t i = 0; i < size_t(w) * h; ++i) f.indices.push_back(uint8_t((i * 7 + seed * 13 + i / w) % unsigned(colours)));
  return f;
}

// Composes the frames of one pass and checks each against the reference.
// The reference's restore-to-previous (disposal 3) reads memory before its
// own buffer, so frames after a disposal-3 frame are checked by our own
// expectations instead (`frames` limits the comparison).
void ExpectFramesMatchReference(const Bytes& gif, size_t frames = 1000, uint32_t background = 0x123456) {
  auto ref = testing::StbGifFrames(gif);
  if (ref.size() > frames) ref.resize(frames);
  GifWalker walker;
  ASSERT_TRUE(walker.Open(gif, {}, nullptr));
  const uint32_t canvasBg = 0xFF000000u | ((background & 0xFF) << 16) | (background & 0xFF00) | (background >> 16);
  GifCanvas canvas(walker.screen().width, walker.screen().height, canvasBg);
  for (size_t i = 0; i < ref.size(); ++i) {
    GifFrame frame;
    ASSERT_EQ(walker.Next(&frame, nullptr), GifWalker::Step::Image) << i;
    canvas.Compose(frame);
    DecodedPicture shown;
    shown.kind = PictureFormat::Png;
    shown.width = canvas.width();
    shown.height = canvas.height();
    shown.pixels.assign(reinterpret_cast<const uint8_t*>(canvas.pixels().data()),
                        reinterpret_cast<const uint8_t*>(canvas.pixels().data() + canvas.pixels().size()));
    SCOPED_TRACE("frame " + std::to_string(i));
    testing::ExpectMatchesReference(shown, ref[i], 0, background);
  }
}

TEST(GifStill, MatchesTheReferenceDecoder) {
  for (const char* name : {"gif/interlaced.gif", "gif/transparent.gif", "gif/disposal_previous.gif"}) {
    SCOPED_TRACE(name);
    const Bytes gif = testing::ReadFixture(name);
    std::string why;
    auto pic = DecodePictureFromMemory(gif, &why);
    ASSERT_NE(pic, nullptr) << why;
    EXPECT_EQ(pic->kind, PictureFormat::Gif);
    testing::ExpectMatchesReference(*pic, testing::StbDecode(gif));
  }
}

TEST(GifStill, LayoutIsAnEightBitTopDownBitmapWithWorkSpace) {
  const Bytes gif = MakeGif(13, 5, testing::TestPalette(16), {Frame(0, 0, 13, 5, 1)});
  auto pic = DecodeGifStill(gif);
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->width, 13);
  EXPECT_EQ(pic->height, 5);
  // header + colour table + 5 rows of 16 bytes + work space
  EXPECT_EQ(pic->pixelSize(), 40u + 1024u + 5u * 16u + 24576u);
  EXPECT_EQ(pic->pixels[0], 40);
  EXPECT_EQ(int32_t(detail::Le32(&pic->pixels[8])), -5);  // top-down
  EXPECT_EQ(pic->pixels[14], 8);
  const Rgb c = testing::TestPalette(16)[3];
  EXPECT_EQ(pic->pixels[40 + 3 * 4 + 0], c.b);
  EXPECT_EQ(pic->pixels[40 + 3 * 4 + 2], c.r);
  EXPECT_EQ(pic->pixels[1064 + 16 + 2], Frame(0, 0, 13, 5, 1).indices[13 + 2]);
}

TEST(GifStill, OnlyTheFirstImageAtTheScreenSize) {
  const Bytes gif = MakeGif(20, 10, testing::TestPalette(16), {Frame(0, 0, 20, 10, 1), Frame(0, 0, 20, 10, 2)});
  auto pic = DecodeGifStill(gif);
  ASSERT_NE(pic, nullptr);
  testing::ExpectMatchesReference(*pic, testing::StbGifFrames(gif)[0]);
}

TEST(GifStill, InterlacedImagesOfEveryShortHeight) {
  for (uint16_t h = 1; h <= 9; ++h) {
    GifFrameSpec f = Frame(0, 0, 6, h, h);
    f.interlaced = true;
    const Bytes gif = MakeGif(6, h, testing::TestPalette(16), {f});
    auto pic = DecodeGifStill(gif);
    ASSERT_NE(pic, nullptr) << h;
    SCOPED_TRACE(h);
    testing::ExpectMatchesReference(*pic, testing::StbDecode(gif));
  }
}

TEST(GifStill, OffsetFirstImageAndUncoveredArea) {
  // The uncovered area shows the background index, or the colour behind the
  // picture when the image has a transparent index.
  GifFrameSpec f = Frame(4, 3, 5, 4, 1);
  auto pic = DecodeGifStill(MakeGif(12, 9, testing::TestPalette(16), {f}));
  ASSERT_NE(pic, nullptr);
  const uint8_t* rows = &pic->pixels[1064];
  EXPECT_EQ(rows[0], 0);                       // background index
  EXPECT_EQ(rows[3 * 12 + 4], f.indices[0]);   // image at its position
  f.control = true;
  f.transparent = true;
  f.transparentIndex = 9;
  pic = DecodeGifStill(MakeGif(12, 9, testing::TestPalette(16), {f}));
  ASSERT_NE(pic, nullptr);
  EXPECT_EQ(pic->transparentIndex, 9);
  std::vector<uint8_t> bgra;
  ASSERT_TRUE(RenderToBgra(*pic, 0x0000FF, &bgra));
  EXPECT_EQ(bgra[0], 0);
  EXPECT_EQ(bgra[2], 255);  // red background shows through
}

TEST(GifFrames, CompositionMatchesTheReference) {
  for (const char* name : {"gif/disposal_background.gif", "gif/transparent.gif"}) {
    SCOPED_TRACE(name);
    ExpectFramesMatchReference(testing::ReadFixture(name));
  }
  const Bytes previous = testing::ReadFixture("gif/disposal_previous.gif");
  ExpectFramesMatchReference(previous, 2);
  // Frames 2 and 3 each undo the square before: only their own square shows.
  GifWalker walker;
  ASSERT_TRUE(walker.Open(previous, {}, nullptr));
  GifCanvas canvas(40, 30, 0xFF000000u);
  GifFrame frame;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(walker.Next(&frame, nullptr), GifWalker::Step::Image);
    canvas.Compose(frame);
  }
  EXPECT_EQ(canvas.pixels()[5 * 40 + 5], 0xFFFFFF00u);    // red square undone: yellow
  EXPECT_EQ(canvas.pixels()[11 * 40 + 21], 0xFF008000u);  // green square
}

TEST(GifFrames, DisposalRestoresBeforeTheNextFrame) {
  // Frame 1 covers the screen; frame 2 (disposal 3) paints a square; frame 3
  // is a 1x1 image: after it only that pixel differs from frame 1.
  GifFrameSpec base = Frame(0, 0, 10, 8, 1);
  GifFrameSpec square = Frame(2, 2, 4, 4, 2);
  square.control = true;
  square.disposal = 3;
  GifFrameSpec dot = Frame(9, 7, 1, 1, 3);
  const Bytes gif = MakeGif(10, 8, testing::TestPalette(16), {base, square, dot});
  GifWalker walker;
  ASSERT_TRUE(walker.Open(gif, {}, nullptr));
  GifCanvas canvas(10, 8, 0xFF000000u);
  GifFrame frame;
  std::vector<std::vector<uint32_t>> shots;
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(walker.Next(&frame, nullptr), GifWalker::Step::Image);
    canvas.Compose(frame);
    shots.push_back(canvas.pixels());
  }
  EXPECT_NE(shots[1], shots[0]);
  for (size_t i = 0; i + 1 < shots[2].size(); ++i) EXPECT_EQ(shots[2][i], shots[0][i]) << i;

  // Disposal 2 undoes the frame the same way.
  square.disposal = 2;
  const Bytes gif2 = MakeGif(10, 8, testing::TestPalette(16), {base, square, dot});
  ASSERT_TRUE(walker.Open(gif2, {}, nullptr));
  canvas.Reset();
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(walker.Next(&frame, nullptr), GifWalker::Step::Image);
    canvas.Compose(frame);
  }
  for (size_t i = 0; i + 1 < shots[2].size(); ++i) EXPECT_EQ(canvas.pixels()[i], shots[0][i]) << i;
  ExpectFramesMatchReference(gif2);
}

TEST(GifFrames, TransparencyGoesByIndexNotColour) {
  // Entries 1 and 2 have the same colour; only index 1 is transparent.
  std::vector<Rgb> pal = {{0, 0, 0}, {9, 9, 9}, {9, 9, 9}, {200, 0, 0}};
  GifFrameSpec base = Frame(0, 0, 4, 1, 0);
  base.indices = {3, 3, 3, 3};
  GifFrameSpec top = Frame(0, 0, 4, 1, 0);
  top.indices = {1, 2, 1, 0};
  top.control = true;
  top.transparent = true;
  top.transparentIndex = 1;
  top.minimumCodeSize = 2;
  base.minimumCodeSize = 2;
  GifWalker walker;
  const Bytes gif = MakeGif(4, 1, pal, {base, top});
  ASSERT_TRUE(walker.Open(gif, {}, nullptr));
  GifCanvas canvas(4, 1, 0xFFFFFFFFu);
  GifFrame frame;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(walker.Next(&frame, nullptr), GifWalker::Step::Image);
    canvas.Compose(frame);
  }
  EXPECT_EQ(canvas.pixels()[0], 0xFFC80000u);
  EXPECT_EQ(canvas.pixels()[1], 0xFF090909u);
  EXPECT_EQ(canvas.pixels()[2], 0xFFC80000u);
  EXPECT_EQ(canvas.pixels()[3], 0xFF000000u);
}

TEST(GifWalk, LoopsAtTheTrailerAndEndsAWalkWithoutImages) {
  const Bytes two = MakeGif(4, 4, testing::TestPalette(4), {Frame(0, 0, 4, 4, 1, 4), Frame(0, 0, 4, 4, 2, 4)});
  GifWalker walker;
  ASSERT_TRUE(walker.Open(two, {}, nullptr));
  GifFrame a, b, c;
  ASSERT_EQ(walker.Next(&a, nullptr), GifWalker::Step::Image);
  EXPECT_FALSE(walker.LastImageOfPass());
  ASSERT_EQ(walker.Next(&b, nullptr), GifWalker::Step::Image);
  EXPECT_TRUE(walker.LastImageOfPass());
  ASSERT_EQ(walker.Next(&c, nullptr), GifWalker::Step::Image);
  EXPECT_EQ(c.indices, a.indices);
  EXPECT_NE(b.indices, a.indices);

  // Only extensions, with and without a trailer: the walk ends.
  for (bool trailer : {true, false}) {
    Bytes none = MakeGif(4, 4, testing::TestPalette(4), {}, trailer);
    none.insert(none.end() - (trailer ? 1 : 0), {0x21, 0xFE, 2, 'h', 'i', 0});
    ASSERT_TRUE(walker.Open(none, {}, nullptr));
    EXPECT_EQ(walker.Next(&a, nullptr), GifWalker::Step::NoImage);
    EXPECT_EQ(DecodeGifStill(none), nullptr);
  }
}

// The malformed streams every GIF reader must survive.
TEST(GifHardening, MalformedStreamsEndInAPictureOrNone) {
  const auto pal = testing::TestPalette(16);
  std::vector<std::pair<std::string, Bytes>> cases;
  for (int minimum : {0, 1, 12, 255}) {
    GifFrameSpec f = Frame(0, 0, 8, 8, 1, 2);
    Bytes g = MakeGif(8, 8, pal, {f});
    g[13 + 48 + 10] = uint8_t(minimum);  // the minimum code size byte
    cases.push_back({"minimum code size " + std::to_string(minimum), g});
  }
  {
    GifFrameSpec f = Frame(0, 0, 0, 9, 1);
    f.indices = Frame(0, 0, 3, 3, 1).indices;  // data for a 0 x 9 frame
    cases.push_back({"zero width with data", MakeGif(8, 8, pal, {f})});
    GifFrameSpec flat = Frame(0, 0, 3, 0, 1);
    flat.indices = Frame(0, 0, 3, 3, 1).indices;
    flat.control = true;
    flat.disposal = 3;
    cases.push_back({"zero height with disposal", MakeGif(8, 8, pal, {flat, Frame(0, 0, 8, 8, 2)})});
  }
  cases.push_back({"offsets 65535", MakeGif(8, 8, pal, {Frame(65535, 65535, 4, 4, 1)})});
  cases.push_back({"past the screen", MakeGif(8, 8, pal, {Frame(6, 6, 10, 10, 1)})});
  {
    GifFrameSpec f = Frame(100, 100, 2, 2, 1);
    f.control = true;
    f.disposal = 3;
    GifFrameSpec g = f;
    g.disposal = 2;
    cases.push_back({"disposal off screen", MakeGif(8, 8, pal, {f, g, Frame(0, 0, 8, 8, 2)})});
    for (int disposal : {2, 3}) {
      GifFrameSpec first = Frame(0, 0, 8, 8, 1);
      first.control = true;
      first.disposal = disposal;
      cases.push_back({"disposal " + std::to_string(disposal) + " on the first frame",
                       MakeGif(8, 8, pal, {first, Frame(2, 2, 2, 2, 2)})});
    }
  }
  {
    GifFrameSpec f = Frame(0, 0, 8, 8, 1, 200);  // indices beyond a 16-entry table
    cases.push_back({"index beyond table", MakeGif(8, 8, pal, {f})});
    cases.push_back({"no colour table", MakeGif(8, 8, {}, {f})});
  }
  {
    Bytes g = MakeGif(8, 8, pal, {Frame(0, 0, 8, 8, 1)});
    cases.push_back({"cut in a sub-block", Bytes(g.begin(), g.end() - 5)});
    cases.push_back({"no trailer", Bytes(g.begin(), g.end() - 1)});
    Bytes bad = g;
    bad[bad.size() - 1] = 0x77;
    cases.push_back({"unknown block", bad});
    Bytes ext = MakeGif(8, 8, pal, {});
    ext.insert(ext.end() - 1, {0x21, 0x42, 1, 0, 0});
    cases.push_back({"unknown extension", ext});
  }
  cases.push_back({"huge screen", MakeGif(65535, 65535, pal, {Frame(0, 0, 2, 2, 1)})});

  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    std::string why;
    auto pic = DecodeGifStill(bytes, &why);
    if (pic) {
      EXPECT_EQ(pic->pixelSize(), 1064u + detail::Stride8(pic->width) * size_t(pic->height) + 24576u);
    } else {
      EXPECT_FALSE(why.empty());
    }
    // Walk a few passes and compose, as the player would.
    GifWalker walker;
    if (!walker.Open(bytes, {}, nullptr)) continue;
    GifCanvas canvas(walker.screen().width, walker.screen().height, 0xFF000000u);
    GifFrame frame;
    for (int i = 0; i < 6; ++i) {
      const auto step = walker.Next(&frame, nullptr);
      if (step == GifWalker::Step::Image) canvas.Compose(frame);
      if (step == GifWalker::Step::NoImage) break;
    }
  }
  // Expected outcomes where they are defined.
  EXPECT_EQ(DecodeGifStill(cases[0].second), nullptr);  // minimum 0
  EXPECT_NE(DecodeGifStill(cases[1].second), nullptr);  // minimum 1 decodes
  EXPECT_EQ(DecodeGifStill(cases.back().second), nullptr);  // beyond the pixel limit
}

TEST(GifHardening, FrameCountIsNotBounded) {
  // Thousands of tiny frames on a large screen: every one walks and composes.
  std::vector<GifFrameSpec> frames;
  for (int i = 0; i < 3000; ++i) frames.push_back(Frame(uint16_t(i % 100), uint16_t(i % 70), 1, 1, unsigned(i)));
  const Bytes gif = MakeGif(4000, 3000, testing::TestPalette(16), frames);
  GifWalker walker;
  ASSERT_TRUE(walker.Open(gif, {}, nullptr));
  GifFrame f;
  int images = 0;
  for (int i = 0; i < 3000; ++i) images += walker.Next(&f, nullptr) == GifWalker::Step::Image;
  EXPECT_EQ(images, 3000);
  EXPECT_TRUE(walker.LastImageOfPass());
}

}  // namespace
}  // namespace picture
