// Measuring pictures through the GDI+ DLL commands: bytes in memory, files
// named by GBK paths (Chinese folders and names), and everything that is not
// a picture measuring 0.
#include <algorithm>
#include <fstream>

#include "app/picture_size.h"
#include "tests/app/request/request_fixture.h"
#include "tests/support/bmp_bytes.h"

namespace apptest {
namespace {

using app::Bytes;
using app::PictureHeight;
using app::PictureWidth;

// A GIF header whose logical screen is w x h, with one 1 x 1 frame.
std::string Gif(uint16_t w, uint16_t h) {
    std::string g = "GIF89a";
    g.append(reinterpret_cast<const char*>(&w), 2);
    g.append(reinterpret_cast<const char*>(&h), 2);
    g += std::string("\x80\x00\x00", 3);                 // global table of 2 colours
    g += std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
    g += std::string("\x2C\0\0\0\0\x01\0\x01\0\0", 10);  // image descriptor
    g += std::string("\x02\x02\x44\x01\x00", 5);          // LZW data
    g += ";";
    return g;
}

class PictureSizeTest : public AppTest {
protected:
    sigtest::TempDir dir_;
    // Writes bytes to a file named by a GBK name in the temporary folder
    // (UTF-8 on disk) and returns its GBK path.
    std::string WriteFile(const std::string& gbkName, const std::string& bytes) {
        std::ofstream(dir_.Path() + "/" + sigtest::GbkToUtf8(gbkName), std::ios::binary) << bytes;
        return dir_.Path() + "/" + gbkName;
    }
};

TEST_F(PictureSizeTest, PicturesInMemoryAreMeasured) {
    Bytes bmp = ByteSet(sigtest::OneBitBmp(300, 120));
    EXPECT_EQ(PictureWidth(bmp.get()), 300);
    EXPECT_EQ(PictureHeight(bmp.get()), 120);
    Bytes gif = ByteSet(Gif(640, 7));
    EXPECT_EQ(PictureWidth(gif.get()), 640);
    EXPECT_EQ(PictureHeight(gif.get()), 7);
    // The bytes are only read: measuring twice gives the same.
    EXPECT_EQ(PictureWidth(bmp.get()), 300);
    EXPECT_EQ(bmp.view(), sigtest::OneBitBmp(300, 120));
}

TEST_F(PictureSizeTest, FilesNamedByChinesePathsAreMeasured) {
    ASSERT_FALSE(dir_.Path().empty());
    std::filesystem::create_directory(dir_.Path() + "/" + sigtest::GbkToUtf8("图片"));
    std::string path = WriteFile("图片/签名艺术字.bmp", sigtest::OneBitBmp(33, 17));
    ASSERT_TRUE(app::FileExists(path.c_str()));
    Bytes name = ByteSet(path);
    EXPECT_EQ(PictureWidth(name.get()), 33);
    EXPECT_EQ(PictureHeight(name.get()), 17);
    // Windows separators name the same file.
    std::string windowsPath = path;
    std::replace(windowsPath.begin(), windowsPath.end(), '/', '\\');
    Bytes windowsName = ByteSet(windowsPath);
    EXPECT_EQ(PictureWidth(windowsName.get()), 33);
    // A name followed by a zero byte and more: the text before the zero counts.
    Bytes terminated = ByteSet(path + std::string("\0junk", 5));
    EXPECT_EQ(PictureHeight(terminated.get()), 17);
}

TEST_F(PictureSizeTest, WhatIsNotAPictureMeasuresZero) {
    std::string notPicture = WriteFile("文本.png", "this is not a picture");
    std::string truncated = sigtest::OneBitBmp(300, 120);
    truncated.resize(40);
    std::string bigFrame = sigtest::OneBitBmp(300, 120);
    bigFrame.resize(bigFrame.size() - 1);  // pixel data one byte short
    const std::string inputs[] = {
        "",
        "not a picture",
        std::string("\0\0\0\0", 4),
        truncated,
        bigFrame,
        std::string("\x89PNG\r\n\x1A\n", 8),
        notPicture,                        // a file that is not a picture
        dir_.Path(),                       // a folder
        dir_.Path() + "/no-such-file.png",  // a missing file: measured as bytes
    };
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.substr(0, 60));
        Bytes bytes = ByteSet(input);
        EXPECT_EQ(PictureWidth(bytes.get()), 0);
        EXPECT_EQ(PictureHeight(bytes.get()), 0);
    }
    EXPECT_EQ(PictureWidth(nullptr), 0);
    EXPECT_EQ(PictureHeight(nullptr), 0);
}

TEST_F(PictureSizeTest, FileExistsFollowsTheFileSystem) {
    std::string path = WriteFile("存在.txt", "x");
    EXPECT_TRUE(app::FileExists(path.c_str()));
    EXPECT_TRUE(app::FileExists(dir_.Path().c_str()));
    EXPECT_FALSE(app::FileExists((dir_.Path() + "/不存在.txt").c_str()));
    EXPECT_FALSE(app::FileExists(""));
    EXPECT_FALSE(app::FileExists(nullptr));
}

TEST_F(PictureSizeTest, ManyMeasurementsLeaveNoStartUpOrImageBehind) {
    // Every measurement starts and shuts GDI+ down and frees its block and
    // stream; a thousand in a row still measure.
    Bytes bmp = ByteSet(sigtest::OneBitBmp(8, 4));
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(PictureWidth(bmp.get()), 8) << i;
    EXPECT_EQ(PictureHeight(bmp.get()), 4);
}

}  // namespace
}  // namespace apptest
