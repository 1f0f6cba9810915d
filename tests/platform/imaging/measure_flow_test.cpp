// The program's picture measuring, step by step as it runs it: every function
// resolved by library and export name through LoadLibraryA/GetProcAddress
// under the declared library names, and called through the generic
// pointer-width form the DLL commands use.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/imaging/gdiplus_internal.h"
#include "platform/imaging/ole_stream.h"
#include "platform/kernel/path.h"
#include "tests/platform/imaging/test_pictures.h"
#include "win/gdiplus.h"
#include "win/kernel.h"
#include "win/ole.h"

using namespace imaging_test;

namespace {

using W = uintptr_t;

// A declared DLL command: library as written, export name.
struct Command {
    void* address = nullptr;
    Command(const char* library, const char* name) {
        HMODULE m = LoadLibraryA(library);
        EXPECT_NE(m, 0u) << library;
        address = reinterpret_cast<void*>(GetProcAddress(m, name));
        EXPECT_NE(address, nullptr) << name;
    }
    W operator()(W a) const { return reinterpret_cast<W (*)(W)>(address)(a); }
    W operator()(W a, W b) const { return reinterpret_cast<W (*)(W, W)>(address)(a, b); }
    W operator()(W a, W b, W c) const { return reinterpret_cast<W (*)(W, W, W)>(address)(a, b, c); }
    W operator()(W a, W b, W c, W d, W e, W f) const {
        return reinterpret_cast<W (*)(W, W, W, W, W, W)>(address)(a, b, c, d, e, f);
    }
};

// Commands declared without a library are found in the first system library
// the runtime tries, "Kernel32.dll".
struct Commands {
    Command multiByteToWideChar{"Kernel32.dll", "MultiByteToWideChar"};
    Command gdiplusStartup{"gdiplus.dll", "GdiplusStartup"};
    Command loadImageFromFile{"gdiplus.dll", "GdipLoadImageFromFile"};
    Command globalAlloc{"kernel32", "GlobalAlloc"};
    Command globalLock{"kernel32", "GlobalLock"};
    Command rtlMoveMemory{"Kernel32.dll", "RtlMoveMemory"};
    Command createStreamOnHGlobal{"Ole32.dll", "CreateStreamOnHGlobal"};
    Command loadImageFromStream{"GdiPlus.dll", "GdipLoadImageFromStream"};
    Command globalUnlock{"kernel32", "GlobalUnlock"};
    Command globalFree{"Kernel32.dll", "GlobalFree"};
    Command getImageWidth{"gdiplus.dll", "GdipGetImageWidth"};
    Command disposeImage{"gdiplus.dll", "GdipDisposeImage"};
    Command gdiplusShutdown{"gdiplus.dll", "GdiplusShutdown"};
    Command pathFileExists{"shlwapi.dll", "PathFileExistsA"};
    Command getImageHeight{"gdiplus.dll", "GdipGetImageHeight"};
};

struct Outcome {
    int32_t size = 0;
    HGLOBAL block = 0;  // the block used for bytes, to check it was freed
};

// One routine for both sizes, differing only in the query, as the program has it.
Outcome MeasurePicture(const Commands& c, const std::string& picture, bool height) {
    Outcome r;
    int32_t result = 0;
    // 1. The picture as text up to its first zero byte; is it a file?
    const std::string path(picture.c_str());
    const bool isFile = uint32_t(c.pathFileExists(W(path.c_str()))) == 1;
    // 2. Start-up with version 1 and everything else zero.
    Gdiplus::GdiplusStartupInput input{1, nullptr, FALSE, FALSE};
    W token = 0;
    if (uint32_t(c.gdiplusStartup(W(&token), W(&input), 0)) != 0) return r;
    W image = 0;
    if (isFile) {
        // 3. The name as UTF-16 with its terminator.
        const int units = int(c.multiByteToWideChar(936, 0, W(path.c_str()), W(-1), 0, 0));
        std::u16string wide(size_t(units > 0 ? units : 1), u'\0');
        c.multiByteToWideChar(936, 0, W(path.c_str()), W(-1), W(wide.data()), W(units));
        c.loadImageFromFile(W(wide.data()), W(&image));
    } else {
        // 4. A moveable block holding the bytes, a stream over it that does
        //    not own it, the load, then release, unlock and free.
        const W block = c.globalAlloc(GMEM_MOVEABLE, picture.size());
        r.block = HGLOBAL(block);
        const W data = c.globalLock(block);
        c.rtlMoveMemory(data, W(picture.data()), picture.size());
        W stream = 0;
        c.createStreamOnHGlobal(block, 0, W(&stream));
        c.loadImageFromStream(stream, W(&image));
        if (stream) reinterpret_cast<IStream*>(stream)->Release();
        c.globalUnlock(block);
        c.globalFree(block);
    }
    // 5. The size (a failed load leaves 0), dispose, shut down.
    (height ? c.getImageHeight : c.getImageWidth)(image, W(&result));
    c.disposeImage(image);
    c.gdiplusShutdown(token);
    r.size = result;
    return r;
}

class MeasureFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/sigmeasure.XXXXXX";
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir_ = templ;
        images_ = platform::LiveGdiplusImageCount();
        streams_ = platform::LiveStreamCount();
    }
    void TearDown() override {
        EXPECT_EQ(platform::LiveGdiplusImageCount(), images_) << "an image was left behind";
        EXPECT_EQ(platform::LiveStreamCount(), streams_) << "a stream was left behind";
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    static std::string Text(const Bytes& b) { return std::string(b.begin(), b.end()); }
    void ExpectMeasures(const std::string& picture, int32_t w, int32_t h) {
        const Outcome width = MeasurePicture(commands_, picture, false);
        const Outcome height = MeasurePicture(commands_, picture, true);
        EXPECT_EQ(width.size, w);
        EXPECT_EQ(height.size, h);
        for (const Outcome& o : {width, height}) {
            if (o.block) {
                EXPECT_EQ(GlobalSize(o.block), 0u) << "the block was not freed";
            }
        }
    }

    Commands commands_;
    std::string dir_;
    size_t images_ = 0, streams_ = 0;
};

}  // namespace

TEST_F(MeasureFlowTest, DownloadedBytes) {
    ExpectMeasures(Text(MakePng(300, 120)), 300, 120);
    ExpectMeasures(Text(MakeJpeg(410, 50)), 410, 50);
    ExpectMeasures(Text(MakeGif(186, 50)), 186, 50);
    ExpectMeasures(Text(MakeBmp(3, 2)), 3, 2);
}

// A picture that cannot be measured gives 0 x 0 and leaves nothing behind.
TEST_F(MeasureFlowTest, NotAPicture) {
    ExpectMeasures("", 0, 0);
    ExpectMeasures("<html><body>server busy</body></html>", 0, 0);
    const Bytes png = MakePng(300, 120);
    ExpectMeasures(Text(Bytes(png.begin(), png.begin() + 30)), 0, 0);
    ExpectMeasures(std::string(1000, '\0'), 0, 0);
}

TEST_F(MeasureFlowTest, FileGivenByAChineseGbkPath) {
    const std::string posix = dir_ + "/艺术字.png";
    const Bytes png = MakePng(186, 50);
    std::ofstream(posix, std::ios::binary).write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
    const std::string gbk = platform::ToWindowsPath(posix);
    ASSERT_NE(gbk, posix) << "the GBK form differs from the UTF-8 one";
    ExpectMeasures(gbk, 186, 50);
    // A path that names no file is taken for picture bytes, and those are no picture.
    ExpectMeasures(platform::ToWindowsPath(dir_ + "/缺少.png"), 0, 0);
}
