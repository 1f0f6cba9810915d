// Text: fonts from LOGFONTA (the GBK face "宋体" and the GUI font reach an
// installed CJK face), measuring, and DrawText's layout flags with GBK text.
#include <string>

#include "platform/kernel/codepage.h"
#include "tests/platform/gdi/canvas.h"

using namespace sigtest;

namespace {

std::string Gbk(const char* utf8) { return platform::Utf8ToGbk(utf8); }

HFONT Song(int height) {
    LOGFONTA lf{};
    lf.lfHeight = height;
    lf.lfCharSet = GB2312_CHARSET;
    std::string face = Gbk("宋体");
    std::memcpy(lf.lfFaceName, face.data(), face.size());
    return CreateFontIndirectA(&lf);
}

}  // namespace

TEST(Text, ChineseFacesAndTheGuiFontDrawChineseGlyphs) {
    for (HFONT f : {Song(-16), static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))}) {
        Canvas c(120, 40);
        SelectObject(c.dc, f);
        SetBkMode(c.dc, TRANSPARENT);
        std::string t = Gbk("中文字");
        EXPECT_TRUE(TextOutA(c.dc, 2, 2, t.c_str(), static_cast<int>(t.size())));
        RECT ink = c.Ink();
        EXPECT_GT(ink.right - ink.left, 20) << "three full-width glyphs";
        SIZE sz;
        EXPECT_TRUE(GetTextExtentPoint32A(c.dc, t.c_str(), static_cast<int>(t.size()), &sz));
        TEXTMETRICA tm;
        EXPECT_TRUE(GetTextMetricsA(c.dc, &tm));
        EXPECT_EQ(sz.cy, tm.tmHeight);
        EXPECT_GE(sz.cx, 3 * tm.tmAveCharWidth);
        EXPECT_LE(ink.right, 2 + sz.cx + 1);
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    }
}

TEST(Text, CellHeightAndCharacterHeightOfLogfont) {
    Canvas c(10, 10);
    HFONT neg = Song(-20), pos = Song(20);
    TEXTMETRICA a, b;
    SelectObject(c.dc, neg);
    GetTextMetricsA(c.dc, &a);
    SelectObject(c.dc, pos);
    GetTextMetricsA(c.dc, &b);
    EXPECT_GT(a.tmHeight, b.tmHeight) << "a negative height is the em size, a positive one the cell";
    EXPECT_NEAR(b.tmHeight, 20, 2);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(neg);
    DeleteObject(pos);
}

TEST(Text, TextOutAlignmentAndOpaqueBackground) {
    Canvas c(200, 40);
    SelectObject(c.dc, Song(-16));
    std::string t = "Hello";
    SIZE sz;
    GetTextExtentPoint32A(c.dc, t.c_str(), 5, &sz);
    SetBkColor(c.dc, RGB(255, 255, 0));
    SetBkMode(c.dc, OPAQUE);
    SetTextAlign(c.dc, TA_RIGHT);
    TextOutA(c.dc, 150, 5, t.c_str(), 5);
    RECT ink = c.Ink();
    EXPECT_EQ(ink.right, 150);
    EXPECT_EQ(ink.left, 150 - sz.cx) << "the opaque box is the text extent";
    EXPECT_EQ(ink.bottom - ink.top, sz.cy);
    EXPECT_EQ(c.At(150 - sz.cx, 5), RGB(255, 255, 0));
}

TEST(Text, DrawTextHorizontalAndVerticalPlacement) {
    std::string t = Gbk("签名ABC");
    struct Case {
        UINT fmt;
        char h, v;  // l/c/r and t/c/b
    } cases[] = {{DT_LEFT | DT_TOP | DT_SINGLELINE, 'l', 't'},
                 {DT_CENTER | DT_VCENTER | DT_SINGLELINE, 'c', 'c'},
                 {DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, 'r', 'b'}};
    for (auto& k : cases) {
        Canvas c(200, 80);
        SelectObject(c.dc, Song(-14));
        SetBkMode(c.dc, OPAQUE);
        SetBkColor(c.dc, RGB(0, 255, 0));  // the opaque box shows the text rectangle exactly
        RECT calc{0, 0, 0, 0};
        int h = DrawTextA(c.dc, t.c_str(), -1, &calc, k.fmt | DT_CALCRECT);
        int tw = calc.right, th = calc.bottom;
        EXPECT_EQ(h, th);
        EXPECT_EQ(c.Ink().right, -1) << "DT_CALCRECT draws nothing";
        RECT r{10, 10, 190, 70};
        DrawTextA(c.dc, t.c_str(), -1, &r, k.fmt);
        RECT ink = c.Ink();
        int want_x = k.h == 'l' ? 10 : (k.h == 'c' ? 10 + (180 - tw) / 2 : 190 - tw);
        int want_y = k.v == 't' ? 10 : (k.v == 'c' ? 10 + (60 - th) / 2 : 70 - th);
        EXPECT_EQ(ink.left, want_x) << k.h;
        EXPECT_EQ(ink.top, want_y) << k.v;
        EXPECT_EQ(ink.right - ink.left, tw);
    }
}

TEST(Text, WordBreakWrapsGbkTextWithinTheWidth) {
    Canvas c(300, 300);
    SelectObject(c.dc, Song(-14));
    std::string t = Gbk("艺术签名设计软件可以把一行文字变成漂亮的签名图片");
    RECT one{0, 0, 0, 0};
    DrawTextA(c.dc, t.c_str(), -1, &one, DT_SINGLELINE | DT_CALCRECT);
    RECT wrap{0, 0, 100, 0};
    int h = DrawTextA(c.dc, t.c_str(), -1, &wrap, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(h, 3 * one.bottom) << "several lines";
    EXPECT_LE(wrap.right, 100) << "no line is wider than the rectangle";
    RECT r{0, 0, 100, 300};
    DrawTextA(c.dc, t.c_str(), -1, &r, DT_WORDBREAK);
    RECT ink = c.Ink();
    EXPECT_LE(ink.right, 100);
    EXPECT_GT(ink.bottom, 2 * one.bottom);
    // Line breaks in the text make lines without DT_WORDBREAK and none with DT_SINGLELINE.
    std::string two = "ab\r\ncd";
    RECT m{0, 0, 0, 0}, s{0, 0, 0, 0};
    DrawTextA(c.dc, two.c_str(), -1, &m, DT_CALCRECT);
    DrawTextA(c.dc, two.c_str(), -1, &s, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(m.bottom, 2 * s.bottom);
}

TEST(Text, PrefixCharactersUnlessNoPrefix) {
    Canvas c(200, 40);
    SelectObject(c.dc, Song(-14));
    RECT a{0, 0, 0, 0}, b{0, 0, 0, 0}, n{0, 0, 0, 0};
    DrawTextA(c.dc, "&Save", -1, &a, DT_CALCRECT | DT_SINGLELINE);
    DrawTextA(c.dc, "Save", -1, &b, DT_CALCRECT | DT_SINGLELINE);
    DrawTextA(c.dc, "&Save", -1, &n, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(a.right, b.right) << "the & is not shown";
    EXPECT_GT(n.right, b.right) << "DT_NOPREFIX shows it";
    RECT amp{0, 0, 0, 0}, one{0, 0, 0, 0};
    DrawTextA(c.dc, "a&&b", -1, &amp, DT_CALCRECT | DT_SINGLELINE);
    DrawTextA(c.dc, "a&b", -1, &one, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(amp.right, one.right) << "&& is a literal &";
    // The prefixed letter is underlined: ink reaches below the baseline of plain "S".
    RECT r{0, 0, 200, 40};
    DrawTextA(c.dc, "&S", -1, &r, DT_SINGLELINE);
    RECT with = c.Ink();
    Canvas d(200, 40);
    SelectObject(d.dc, Song(-14));
    DrawTextA(d.dc, "S", -1, &r, DT_SINGLELINE);
    EXPECT_GT(with.bottom, d.Ink().bottom);
}
