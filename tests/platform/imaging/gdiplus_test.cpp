// GDI+ image sizes through the exports: start-up rules, files (a Chinese
// name, Windows separators), streams, failures and stale images.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/imaging/gdiplus_internal.h"
#include "platform/imaging/ole_stream.h"
#include "tests/platform/imaging/test_pictures.h"
#include "win/gdiplus.h"
#include "win/kernel.h"
#include "win/ole.h"

using namespace Gdiplus;
using namespace imaging_test;

namespace {

std::u16string Utf16(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = uint8_t(utf8[i]);
        uint32_t cp;
        int n;
        if (c < 0x80) cp = c, n = 1;
        else if (c < 0xE0) cp = c & 0x1F, n = 2;
        else if (c < 0xF0) cp = c & 0x0F, n = 3;
        else cp = c & 0x07, n = 4;
        for (int k = 1; k < n; ++k) cp = (cp << 6) | (uint8_t(utf8[i + k]) & 0x3F);
        i += n;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

// Backslashes instead of slashes, and a drive letter, as the program passes them.
std::u16string WindowsStyle(const std::string& posix) {
    std::u16string w = u"C:" + Utf16(posix);
    for (char16_t& c : w)
        if (c == u'/') c = u'\\';
    return w;
}

class GdiplusTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/siggdip.XXXXXX";
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        imagesBefore_ = platform::LiveGdiplusImageCount();
        GdiplusStartupInput in{1, nullptr, FALSE, FALSE};
        ASSERT_EQ(GdiplusStartup(&token_, &in, nullptr), Ok);
    }
    void TearDown() override {
        GdiplusShutdown(token_);
        EXPECT_EQ(platform::LiveGdiplusImageCount(), imagesBefore_);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Write(const std::string& name, const Bytes& b) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        return path;
    }
    // A stream over a block holding the bytes; the block goes with the stream.
    static IStream* StreamOf(const Bytes& b) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, b.size());
        RtlMoveMemory(GlobalLock(h), b.data(), b.size());
        GlobalUnlock(h);
        IStream* s = nullptr;
        EXPECT_EQ(CreateStreamOnHGlobal(h, TRUE, &s), S_OK);
        return s;
    }
    static std::pair<UINT, UINT> SizeOf(GpImage* image) {
        UINT w = 0, h = 0;
        EXPECT_EQ(GdipGetImageWidth(image, &w), Ok);
        EXPECT_EQ(GdipGetImageHeight(image, &h), Ok);
        return {w, h};
    }

    std::string dir_;
    ULONG_PTR token_ = 0;
    size_t imagesBefore_ = 0;
};

}  // namespace

TEST_F(GdiplusTest, SizesFromFilesWithAChineseName) {
    struct Case {
        const char* name;
        Bytes bytes;
        UINT w, h;
    } cases[] = {
        {"签名图片.png", MakePng(300, 120), 300, 120},
        {"艺术字 样式.jpg", MakeJpeg(64, 48), 64, 48},
        {"动画.gif", MakeGif(186, 50), 186, 50},
        {"位图.bmp", MakeBmp(31, -7, 24), 31, 7},
        {"图标.ico", MakeIco(32, 32), 32, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u16string wide = WindowsStyle(Write(c.name, c.bytes));
        GpImage* image = reinterpret_cast<GpImage*>(uintptr_t(0xDEAD));
        ASSERT_EQ(GdipLoadImageFromFile(wide.c_str(), &image), Ok);
        EXPECT_NE(image, nullptr);
        EXPECT_LE(reinterpret_cast<uintptr_t>(image), UINT32_MAX) << "an image is a 32-bit handle";
        EXPECT_EQ(SizeOf(image), std::make_pair(c.w, c.h));
        EXPECT_EQ(GdipDisposeImage(image), Ok);
    }
    // The plain POSIX form works too.
    const std::u16string posix = Utf16(dir_ + "/签名图片.png");
    GpImage* image = nullptr;
    ASSERT_EQ(GdipLoadImageFromFile(posix.c_str(), &image), Ok);
    EXPECT_EQ(GdipDisposeImage(image), Ok);
}

TEST_F(GdiplusTest, FileFailures) {
    GpImage* image = reinterpret_cast<GpImage*>(uintptr_t(0xDEAD));
    const std::u16string missing = WindowsStyle(dir_ + "/没有.png");
    EXPECT_EQ(GdipLoadImageFromFile(missing.c_str(), &image), FileNotFound);
    EXPECT_EQ(image, nullptr);
    const std::u16string folder = WindowsStyle(dir_);
    EXPECT_EQ(GdipLoadImageFromFile(folder.c_str(), &image), AccessDenied);
    const std::string text = "<html>404</html>";
    const std::u16string page = WindowsStyle(Write("page.png", Bytes(text.begin(), text.end())));
    EXPECT_EQ(GdipLoadImageFromFile(page.c_str(), &image), OutOfMemory);
    EXPECT_EQ(image, nullptr);
    const std::u16string empty = WindowsStyle(Write("empty.png", {}));
    EXPECT_EQ(GdipLoadImageFromFile(empty.c_str(), &image), OutOfMemory);
    const Bytes png = MakePng(10, 10);
    const std::u16string cut = WindowsStyle(Write("cut.png", Bytes(png.begin(), png.begin() + 20)));
    EXPECT_EQ(GdipLoadImageFromFile(cut.c_str(), &image), OutOfMemory);

    EXPECT_EQ(GdipLoadImageFromFile(nullptr, &image), InvalidParameter);
    EXPECT_EQ(GdipLoadImageFromFile(missing.c_str(), nullptr), InvalidParameter);
    EXPECT_EQ(GdipLoadImageFromFile(u"", &image), InvalidParameter);
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(GdipLoadImageFromFile(lone, &image), InvalidParameter);
    // A name without a terminator within the longest path is refused, not
    // read on for ever.
    std::u16string endless(40000, u'a');
    endless.push_back(0);
    EXPECT_EQ(GdipLoadImageFromFile(endless.c_str(), &image), InvalidParameter);
}

TEST_F(GdiplusTest, SizesFromStreams) {
    const Bytes pictures[] = {MakePng(300, 120), MakeJpeg(300, 120, true), MakeGif(300, 120), MakeBmp(300, 120, 8),
                              MakeIcoWithPng(300, 120)};
    for (const Bytes& b : pictures) {
        IStream* s = StreamOf(b);
        GpImage* image = nullptr;
        ASSERT_EQ(GdipLoadImageFromStream(s, &image), Ok);
        EXPECT_EQ(s->Release(), 0u);
        // The image keeps its size, not the stream.
        EXPECT_EQ(SizeOf(image), std::make_pair(300u, 120u));
        EXPECT_EQ(GdipDisposeImage(image), Ok);
    }
    // Read from the stream's position on.
    Bytes prefixed = {'x', 'y', 'z'};
    const Bytes png = MakePng(5, 6);
    prefixed.insert(prefixed.end(), png.begin(), png.end());
    IStream* s = StreamOf(prefixed);
    GpImage* image = nullptr;
    EXPECT_EQ(GdipLoadImageFromStream(s, &image), OutOfMemory);
    LARGE_INTEGER three;
    three.QuadPart = 3;
    ASSERT_EQ(s->Seek(three, STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(GdipLoadImageFromStream(s, &image), Ok);
    EXPECT_EQ(SizeOf(image), std::make_pair(5u, 6u));
    EXPECT_EQ(GdipDisposeImage(image), Ok);
    EXPECT_EQ(s->Release(), 0u);
}

TEST_F(GdiplusTest, StreamFailures) {
    GpImage* image = reinterpret_cast<GpImage*>(uintptr_t(0xDEAD));
    const std::string text = "not a picture at all";
    IStream* s = StreamOf(Bytes(text.begin(), text.end()));
    EXPECT_EQ(GdipLoadImageFromStream(s, &image), OutOfMemory);
    EXPECT_EQ(image, nullptr);
    IStream* stale = s;
    EXPECT_EQ(s->Release(), 0u);
    EXPECT_EQ(GdipLoadImageFromStream(stale, &image), InvalidParameter);
    IStream foreign{};
    EXPECT_EQ(GdipLoadImageFromStream(&foreign, &image), InvalidParameter);
    EXPECT_EQ(GdipLoadImageFromStream(nullptr, &image), InvalidParameter);
    s = StreamOf(MakePng(4, 4));
    EXPECT_EQ(GdipLoadImageFromStream(s, nullptr), InvalidParameter);
    EXPECT_EQ(s->Release(), 0u);
}

TEST_F(GdiplusTest, DisposedAndForeignImagesAreRefused) {
    IStream* s = StreamOf(MakeBmp(3, 3));
    GpImage* image = nullptr;
    ASSERT_EQ(GdipLoadImageFromStream(s, &image), Ok);
    s->Release();
    ASSERT_EQ(GdipDisposeImage(image), Ok);
    EXPECT_EQ(GdipDisposeImage(image), InvalidParameter);
    UINT w = 77;
    EXPECT_EQ(GdipGetImageWidth(image, &w), InvalidParameter);
    EXPECT_EQ(GdipGetImageHeight(image, &w), InvalidParameter);
    EXPECT_EQ(w, 77u) << "a failed query leaves the caller's value alone";
    // Null, an address, a handle of another kind.
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, 4);
    for (uintptr_t v : {uintptr_t(0), reinterpret_cast<uintptr_t>(&w), uintptr_t(block), uintptr_t(0xFFFFFFFFu)}) {
        auto* bogus = reinterpret_cast<GpImage*>(v);
        EXPECT_EQ(GdipGetImageWidth(bogus, &w), InvalidParameter);
        EXPECT_EQ(GdipDisposeImage(bogus), InvalidParameter);
    }
    GlobalFree(block);
    s = StreamOf(MakeBmp(3, 3));
    ASSERT_EQ(GdipLoadImageFromStream(s, &image), Ok);
    s->Release();
    EXPECT_EQ(GdipGetImageWidth(image, nullptr), InvalidParameter);
    EXPECT_EQ(GdipDisposeImage(image), Ok);
}

TEST(GdiplusStartupTest, CallsOutsideAStartUpAreRefused) {
    GpImage* image = reinterpret_cast<GpImage*>(uintptr_t(0xDEAD));
    UINT w = 5;
    const std::u16string name = u"/tmp/x.png";
    EXPECT_EQ(GdipLoadImageFromFile(name.c_str(), &image), GdiplusNotInitialized);
    EXPECT_EQ(image, nullptr);
    EXPECT_EQ(GdipLoadImageFromStream(nullptr, &image), GdiplusNotInitialized);
    EXPECT_EQ(GdipGetImageWidth(image, &w), GdiplusNotInitialized);
    EXPECT_EQ(GdipGetImageHeight(image, &w), GdiplusNotInitialized);
    EXPECT_EQ(GdipDisposeImage(image), GdiplusNotInitialized);
    EXPECT_EQ(w, 5u);
    GdiplusShutdown(12345);  // unknown token: nothing happens
}

TEST(GdiplusStartupTest, StartUpRules) {
    ULONG_PTR token = 0;
    GdiplusStartupInput in{1, nullptr, FALSE, FALSE};
    EXPECT_EQ(GdiplusStartup(nullptr, &in, nullptr), InvalidParameter);
    EXPECT_EQ(GdiplusStartup(&token, nullptr, nullptr), InvalidParameter);
    GdiplusStartupInput v3{3, nullptr, FALSE, FALSE};
    EXPECT_EQ(GdiplusStartup(&token, &v3, nullptr), UnsupportedGdiplusVersion);
    GdiplusStartupInput suppressed{1, nullptr, TRUE, FALSE};
    EXPECT_EQ(GdiplusStartup(&token, &suppressed, nullptr), InvalidParameter);
    EXPECT_EQ(token, 0u);

    GdiplusStartupOutput out{};
    ULONG_PTR first = 0, second = 0;
    ASSERT_EQ(GdiplusStartup(&first, &suppressed, &out), Ok);
    ASSERT_NE(out.NotificationHook, nullptr);
    ASSERT_NE(out.NotificationUnhook, nullptr);
    ULONG_PTR hookToken = 0;
    EXPECT_EQ(out.NotificationHook(&hookToken), Ok);
    out.NotificationUnhook(hookToken);
    GdiplusStartupOutput plain{};
    plain.NotificationHook = reinterpret_cast<NotificationHookProc>(1);
    ASSERT_EQ(GdiplusStartup(&second, &in, &plain), Ok);
    EXPECT_EQ(plain.NotificationHook, nullptr);
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);

    // Images live while any start-up is in effect; the last shutdown disposes
    // of them, and a new start-up does not bring them back.
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 0);
    const Bytes gif = MakeGif(9, 8);
    h = GlobalReAlloc(h, gif.size(), GMEM_MOVEABLE);
    RtlMoveMemory(GlobalLock(h), gif.data(), gif.size());
    GlobalUnlock(h);
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(h, TRUE, &s), S_OK);
    GpImage* image = nullptr;
    ASSERT_EQ(GdipLoadImageFromStream(s, &image), Ok);
    s->Release();
    GdiplusShutdown(first);
    UINT w = 0;
    EXPECT_EQ(GdipGetImageWidth(image, &w), Ok);
    EXPECT_EQ(w, 9u);
    GdiplusShutdown(first);  // twice: the second is unknown and ignored
    EXPECT_EQ(GdipGetImageWidth(image, &w), Ok);
    GdiplusShutdown(second);
    EXPECT_EQ(platform::LiveGdiplusImageCount(), 0u);
    ASSERT_EQ(GdiplusStartup(&token, &in, nullptr), Ok);
    EXPECT_EQ(GdipGetImageWidth(image, &w), InvalidParameter);
    GdiplusShutdown(token);
}
