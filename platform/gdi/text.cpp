// Fonts and text through pango and fontconfig. Face names arrive in GBK; the
// classic Chinese UI faces ("宋体" and friends), the GUI font and any face that
// is not installed resolve to the installed CJK family, so Chinese text
// always has glyphs.
#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/gdi/gdi_internal.h"
#include "platform/kernel/codepage.h"
#include "win/user.h"

namespace platform::gdi {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::mutex g_font_mu;

PangoFontMap* FontMap() {
    // One shared map: fontconfig's scan happens once, whichever thread draws.
    static PangoFontMap* map = pango_cairo_font_map_new();
    return map;
}

const std::set<std::string>& Families() {
    static std::set<std::string> fams = [] {
        std::set<std::string> s;
        PangoFontFamily** list = nullptr;
        int n = 0;
        pango_font_map_list_families(FontMap(), &list, &n);
        for (int i = 0; i < n; ++i) s.insert(Lower(pango_font_family_get_name(list[i])));
        g_free(list);
        return s;
    }();
    return fams;
}

const std::string& CjkFamily() {
    static std::string fam = [] {
        for (const char* f : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC", "Droid Sans Fallback",
                              "AR PL UMing CN"})
            if (Families().count(Lower(f))) return std::string(f);
        return std::string("Sans");
    }();
    return fam;
}

// Windows UI and Chinese face names (UTF-8) that stand for the CJK family.
bool IsUiFace(const std::string& lower) {
    static const char* const names[] = {"",
                                        "宋体",
                                        "新宋体",
                                        "黑体",
                                        "微软雅黑",
                                        "楷体",
                                        "楷体_gb2312",
                                        "仿宋",
                                        "仿宋_gb2312",
                                        "simsun",
                                        "nsimsun",
                                        "simhei",
                                        "microsoft yahei",
                                        "ms sans serif",
                                        "ms shell dlg",
                                        "ms shell dlg 2",
                                        "system",
                                        "tahoma",
                                        "fixedsys"};
    for (const char* n : names)
        if (lower == n) return true;
    return false;
}

PangoContext* Context() {
    thread_local PangoContext* ctx = [] {
        PangoContext* c = pango_font_map_create_context(FontMap());
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(c, o);
        cairo_font_options_destroy(o);
        return c;
    }();
    return ctx;
}

// Ascent + descent of a family at 1000 px, for converting a cell height to an em size.
double CellRatio(const std::string& family) {
    static std::map<std::string, double> cache;
    std::lock_guard<std::mutex> lock(g_font_mu);
    auto it = cache.find(family);
    if (it != cache.end()) return it->second;
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, family.c_str());
    pango_font_description_set_absolute_size(d, 1000 * PANGO_SCALE);
    PangoFontMetrics* m = pango_context_get_metrics(Context(), d, nullptr);
    double r = (pango_font_metrics_get_ascent(m) + pango_font_metrics_get_descent(m)) / double(PANGO_SCALE) / 1000.0;
    pango_font_metrics_unref(m);
    pango_font_description_free(d);
    if (!(r > 0.5 && r < 3)) r = 1.2;
    cache[family] = r;
    return r;
}

}  // namespace

std::string ResolveFamily(const std::string& face_utf8) {
    std::string l = Lower(face_utf8);
    if (IsUiFace(l)) return CjkFamily();
    if (l == "monospace" || l == "courier" || l == "courier new") return "Monospace";
    std::lock_guard<std::mutex> lock(g_font_mu);
    if (Families().count(l)) return face_utf8;
    return CjkFamily();
}

PangoFontDescription* UiFontDescription(bool bold) {
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, CjkFamily().c_str());
    pango_font_description_set_absolute_size(d, 12 * PANGO_SCALE);
    if (bold) pango_font_description_set_weight(d, PANGO_WEIGHT_BOLD);
    return d;
}

}  // namespace platform::gdi

using namespace platform;
using namespace platform::gdi;

WINEXPORT HFONT CreateFontIndirectA(const LOGFONTA* lf) {
    if (!lf) return 0;
    auto f = std::make_shared<Font>();
    f->lf = *lf;
    f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
    std::string face = GbkToUtf8(std::string_view(f->lf.lfFaceName, strnlen(f->lf.lfFaceName, LF_FACESIZE)));
    f->family_utf8 = ResolveFamily(face);
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, f->family_utf8.c_str());
    double px = 12;
    LONG h = lf->lfHeight;
    if (h < 0 && h > -2000) px = -h;
    else if (h > 0 && h < 2000) px = h / CellRatio(f->family_utf8);
    pango_font_description_set_absolute_size(d, px * PANGO_SCALE);
    int w = lf->lfWeight <= 0 ? 400 : std::clamp<int>(lf->lfWeight, 100, 1000);
    pango_font_description_set_weight(d, static_cast<PangoWeight>(w));
    if (lf->lfItalic) pango_font_description_set_style(d, PANGO_STYLE_ITALIC);
    f->desc = d;
    static std::atomic<uint64_t> serials{0};
    f->serial = ++serials;
    return Fonts().Add(f);
}

WINEXPORT HFONT CreateFontA(int h, int w, int esc, int orient, int weight, DWORD italic, DWORD underline,
                            DWORD strike, DWORD charset, DWORD outp, DWORD clipp, DWORD quality, DWORD pitch,
                            LPCSTR face) {
    LOGFONTA lf{};
    lf.lfHeight = h;
    lf.lfWidth = w;
    lf.lfEscapement = esc;
    lf.lfOrientation = orient;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic != 0);
    lf.lfUnderline = static_cast<BYTE>(underline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(strike != 0);
    lf.lfCharSet = static_cast<BYTE>(charset);
    lf.lfOutPrecision = static_cast<BYTE>(outp);
    lf.lfClipPrecision = static_cast<BYTE>(clipp);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitch);
    if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

namespace {

std::shared_ptr<Font> DcFont(DC& dc) {
    auto f = Fonts().Get(dc.st.font);
    if (!f) f = Fonts().Get(GetStockObject(SYSTEM_FONT));
    return f;
}

// A layout of UTF-8 text in the DC's font; underline_at (a UTF-8 byte index)
// underlines one character, for the & prefix of DrawText.
PangoLayout* MakeLayout(const Font& f, const std::string& utf8, int underline_at = -1) {
    PangoLayout* l = pango_layout_new(Context());
    pango_layout_set_font_description(l, f.desc);
    pango_layout_set_text(l, utf8.data(), static_cast<int>(utf8.size()));
    PangoAttrList* attrs = nullptr;
    if (f.lf.lfUnderline || f.lf.lfStrikeOut || underline_at >= 0) {
        attrs = pango_attr_list_new();
        if (f.lf.lfUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (f.lf.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        if (underline_at >= 0 && underline_at < static_cast<int>(utf8.size())) {
            PangoAttribute* a = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            a->start_index = static_cast<guint>(underline_at);
            const char* next = g_utf8_next_char(utf8.data() + underline_at);
            a->end_index = static_cast<guint>(next - utf8.data());
            pango_attr_list_insert(attrs, a);
        }
        pango_layout_set_attributes(l, attrs);
        pango_attr_list_unref(attrs);
    }
    return l;
}

// Windows repaint the same texts over and over; converting each through
// iconv again costs more than laying it out, so recent results are kept.
std::string ToUtf8(LPCSTR s, int c) {
    if (!s || c <= 0) return {};
    std::string_view in(s, static_cast<size_t>(c));
    if (std::all_of(in.begin(), in.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x80; }))
        return std::string(in);
    thread_local std::map<std::string, std::string, std::less<>> cache;
    auto it = cache.find(in);
    if (it != cache.end()) return it->second;
    if (cache.size() >= 2048) cache.clear();
    std::string out = GbkToUtf8(in);
    cache.emplace(std::string(in), out);
    return out;
}

// Windows repaint the same labels in the same fonts over and over, and
// itemising and shaping a text costs more than drawing it. Laid-out texts are
// kept per thread (layouts belong to the thread's pango context), keyed by
// the font's serial and the text; the colour is set at drawing time, so one
// layout serves any colour. The caller must not change the layout.
PangoLayout* SharedLayout(const Font& f, const std::string& utf8) {
    struct Cache {
        std::unordered_map<std::string, PangoLayout*> map;
        ~Cache() { Clear(); }
        void Clear() {
            for (auto& e : map) g_object_unref(e.second);
            map.clear();
        }
    };
    thread_local Cache cache;
    std::string key(reinterpret_cast<const char*>(&f.serial), sizeof f.serial);
    key += utf8;
    auto it = cache.map.find(key);
    if (it != cache.map.end()) return it->second;
    if (cache.map.size() >= 1024) cache.Clear();
    PangoLayout* l = MakeLayout(f, utf8);
    cache.map.emplace(std::move(key), l);
    return l;
}

int LayoutBaseline(PangoLayout* l) { return pango_layout_get_baseline(l) / PANGO_SCALE; }

void DrawLayout(DC& dc, cairo_t* cr, PangoLayout* l, int x, int y, int w, int h, bool opaque) {
    if (opaque) {
        SetSource(cr, dc.st.bk_color);
        cairo_rectangle(cr, x, y, w, h);
        cairo_fill(cr);
    }
    SetSource(cr, dc.st.text_color);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, l);
    cairo_new_path(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
}

}  // namespace

WINEXPORT BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* in_rc, LPCSTR s, UINT c, const INT*) {
    auto dc = Dcs().Get(hdc);
    if (!dc) return FALSE;
    RECT clamped{};
    const RECT* rc = nullptr;
    if (in_rc) {
        clamped = *in_rc;
        for (LONG* v : {&clamped.left, &clamped.top, &clamped.right, &clamped.bottom})
            *v = std::clamp<LONG>(*v, -1000000, 1000000);
        rc = &clamped;
    }
    x = std::clamp(x, -1000000, 1000000);
    y = std::clamp(y, -1000000, 1000000);
    if (c > (1u << 24)) return FALSE;
    auto f = DcFont(*dc);
    if (!f) return FALSE;
    cairo_t* cr = Prepare(*dc);
    if (!cr) return TRUE;
    if (rc && (options & ETO_OPAQUE)) {
        SetSource(cr, dc->st.bk_color);
        cairo_rectangle(cr, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top);
        cairo_fill(cr);
    }
    std::string u = ToUtf8(s, static_cast<int>(c));
    if (u.empty()) {
        Finish(*dc);
        return TRUE;
    }
    PangoLayout* l = SharedLayout(*f, u);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(l, &w, &h);
    UINT a = dc->st.text_align;
    if (a & TA_UPDATECP) {
        x = dc->st.cur.x;
        y = dc->st.cur.y;
    }
    int left = x;
    if ((a & TA_CENTER) == TA_CENTER) left = x - w / 2;
    else if (a & TA_RIGHT) left = x - w;
    int top = y;
    if ((a & TA_BASELINE) == TA_BASELINE) top = y - LayoutBaseline(l);
    else if (a & TA_BOTTOM) top = y - h;
    if (a & TA_UPDATECP) dc->st.cur.x = (a & TA_RIGHT) ? x - w : x + w;
    cairo_save(cr);
    if (rc && (options & ETO_CLIPPED)) {
        cairo_rectangle(cr, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top);
        cairo_clip(cr);
    }
    DrawLayout(*dc, cr, l, left, top, w, h, dc->st.bk_mode == OPAQUE && !(options & ETO_OPAQUE));
    cairo_restore(cr);
    Finish(*dc);
    return TRUE;
}

WINEXPORT BOOL TextOutA(HDC hdc, int x, int y, LPCSTR s, int c) {
    if (c < 0) return FALSE;
    return ExtTextOutA(hdc, x, y, 0, nullptr, s, static_cast<UINT>(c), nullptr);
}

WINEXPORT BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR s, int c, LPSIZE sz) {
    auto dc = Dcs().Get(hdc);
    if (!dc || !sz || c < 0 || (c > 0 && !s)) return FALSE;
    auto f = DcFont(*dc);
    if (!f) return FALSE;
    std::string u = ToUtf8(s, c);
    PangoLayout* l = SharedLayout(*f, u.empty() ? std::string("A") : u);
    int w = 0, h = 0;
    pango_layout_get_pixel_size(l, &w, &h);
    *sz = SIZE{u.empty() ? 0 : w, h};
    return TRUE;
}

WINEXPORT BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA tm) {
    auto dc = Dcs().Get(hdc);
    if (!dc || !tm) return FALSE;
    auto f = DcFont(*dc);
    if (!f) return FALSE;
    PangoLayout* l = MakeLayout(*f, "Ay");
    int w = 0, h = 0;
    pango_layout_get_pixel_size(l, &w, &h);
    int base = LayoutBaseline(l);
    g_object_unref(l);
    PangoFontMetrics* m = pango_context_get_metrics(Context(), f->desc, nullptr);
    int avg = pango_font_metrics_get_approximate_char_width(m) / PANGO_SCALE;
    pango_font_metrics_unref(m);
    PangoLayout* wide = MakeLayout(*f, "W");
    int ww = 0, wh = 0;
    pango_layout_get_pixel_size(wide, &ww, &wh);
    g_object_unref(wide);
    PangoLayout* cjk = MakeLayout(*f, "\xe5\xad\x97");  // a full-width character
    int cw = 0, ch = 0;
    pango_layout_get_pixel_size(cjk, &cw, &ch);
    g_object_unref(cjk);
    std::memset(tm, 0, sizeof *tm);
    tm->tmHeight = h;
    tm->tmAscent = base;
    tm->tmDescent = h - base;
    double em = pango_font_description_get_size(f->desc) / double(PANGO_SCALE);
    tm->tmInternalLeading = std::max(0, h - static_cast<int>(std::lround(em)));
    tm->tmExternalLeading = 0;
    tm->tmAveCharWidth = avg > 0 ? std::min(avg, ww) : ww;
    tm->tmMaxCharWidth = std::max(ww, cw);
    tm->tmWeight = f->lf.lfWeight ? f->lf.lfWeight : FW_NORMAL;
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFF;
    tm->tmDefaultChar = '?';
    tm->tmBreakChar = ' ';
    tm->tmItalic = f->lf.lfItalic;
    tm->tmUnderlined = f->lf.lfUnderline;
    tm->tmStruckOut = f->lf.lfStrikeOut;
    tm->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS | 0x06;  // TMPF_VECTOR | TMPF_TRUETYPE
    tm->tmCharSet = GB2312_CHARSET;
    return TRUE;
}

WINEXPORT int GetTextFaceA(HDC hdc, int c, LPSTR name) {
    auto dc = Dcs().Get(hdc);
    if (!dc) return 0;
    auto f = DcFont(*dc);
    if (!f) return 0;
    std::string face = f->lf.lfFaceName;
    if (!name) return static_cast<int>(face.size()) + 1;
    if (c <= 0) return 0;
    size_t n = std::min(face.size(), static_cast<size_t>(c - 1));
    std::memcpy(name, face.data(), n);
    name[n] = 0;
    return static_cast<int>(n);
}

namespace {

// Removes & prefixes ("&&" is a literal &); returns the GBK byte index of the
// underlined character or -1.
std::string StripPrefix(const std::string& gbk, int* underline, bool hide) {
    std::string out;
    *underline = -1;
    for (size_t i = 0; i < gbk.size(); ++i) {
        unsigned char ch = static_cast<unsigned char>(gbk[i]);
        if (IsGbkLeadByte(ch) && i + 1 < gbk.size()) {
            out += gbk[i];
            out += gbk[++i];
            continue;
        }
        if (ch == '&') {
            if (i + 1 < gbk.size() && gbk[i + 1] == '&') {
                out += '&';
                ++i;
            } else if (i + 1 < gbk.size() && !hide) {
                *underline = static_cast<int>(out.size());
            }
            continue;
        }
        out += gbk[i];
    }
    return out;
}

}  // namespace

WINEXPORT int DrawTextA(HDC hdc, LPCSTR text, int count, LPRECT out_rc, UINT fmt) {
    auto dc = Dcs().Get(hdc);
    if (!dc || !out_rc) return 0;
    // Work on a copy kept within a million pixels, so absurd rectangles stay in range.
    RECT clamped = *out_rc;
    for (LONG* v : {&clamped.left, &clamped.top, &clamped.right, &clamped.bottom}) *v = std::clamp<LONG>(*v, -1000000, 1000000);
    RECT* rc = &clamped;
    if (!text) count = 0;
    if (count < 0) count = static_cast<int>(std::strlen(text));
    if (count > (1 << 24)) return 0;
    auto f = DcFont(*dc);
    if (!f) return 0;
    std::string gbk(text ? text : "", static_cast<size_t>(count));
    // Line ends: one line for DT_SINGLELINE; CR LF, CR and LF otherwise.
    std::string norm;
    for (size_t i = 0; i < gbk.size(); ++i) {
        char ch = gbk[i];
        if (IsGbkLeadByte(static_cast<unsigned char>(ch)) && i + 1 < gbk.size()) {
            norm += ch;
            norm += gbk[++i];
            continue;
        }
        if (ch == '\r' || ch == '\n') {
            if (fmt & DT_SINGLELINE) continue;
            if (ch == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') ++i;
            norm += '\n';
            continue;
        }
        if (ch == '\t' && !(fmt & DT_EXPANDTABS)) ch = ' ';
        norm += ch;
    }
    int ul = -1;
    if (!(fmt & DT_NOPREFIX)) norm = StripPrefix(norm, &ul, (fmt & DT_HIDEPREFIX) != 0);
    std::string u = GbkToUtf8(norm);
    int ul8 = ul >= 0 ? static_cast<int>(GbkToUtf8(std::string_view(norm).substr(0, std::min<size_t>(ul, norm.size()))).size()) : -1;
    PangoLayout* l = MakeLayout(*f, u, ul8);
    // Widths beyond a million pixels are as good as unlimited and keep the arithmetic in range.
    int rw = rc->right - rc->left, rh = rc->bottom - rc->top;
    PangoAlignment align = (fmt & DT_CENTER) ? PANGO_ALIGN_CENTER : ((fmt & DT_RIGHT) ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT);
    pango_layout_set_alignment(l, align);
    if ((fmt & DT_WORDBREAK) && !(fmt & DT_SINGLELINE) && rw > 0) {
        pango_layout_set_width(l, rw * PANGO_SCALE);
        pango_layout_set_wrap(l, PANGO_WRAP_WORD);
    } else if ((fmt & DT_END_ELLIPSIS) && rw > 0) {
        pango_layout_set_width(l, rw * PANGO_SCALE);
        pango_layout_set_ellipsize(l, PANGO_ELLIPSIZE_END);
    }
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(l, &ink, &logical);
    int lw = u.empty() ? 0 : logical.width, lh = logical.height;
    int lx = logical.x;  // non-zero when pango aligned lines inside a set width
    if (fmt & DT_CALCRECT) {
        out_rc->left = rc->left;
        out_rc->top = rc->top;
        out_rc->right = rc->left + lw;
        out_rc->bottom = rc->top + lh;
        g_object_unref(l);
        return lh;
    }
    int x = rc->left;
    if (pango_layout_get_width(l) < 0) {
        if (fmt & DT_CENTER) x = rc->left + (rw - lw) / 2;
        else if (fmt & DT_RIGHT) x = rc->right - lw;
    }
    int y = rc->top;
    if (fmt & DT_SINGLELINE) {
        if (fmt & DT_VCENTER) y = rc->top + (rh - lh) / 2;
        else if (fmt & DT_BOTTOM) y = rc->bottom - lh;
    }
    cairo_t* cr = Prepare(*dc);
    if (cr) {
        cairo_save(cr);
        if (!(fmt & DT_NOCLIP)) {
            cairo_rectangle(cr, rc->left, rc->top, std::max(rw, 0), std::max(rh, 0));
            cairo_clip(cr);
        }
        if (dc->st.bk_mode == OPAQUE && lw > 0) {
            SetSource(cr, dc->st.bk_color);
            cairo_rectangle(cr, x + lx, y, lw, lh);
            cairo_fill(cr);
        }
        if (!u.empty()) DrawLayout(*dc, cr, l, x, y, 0, 0, false);
        cairo_restore(cr);
        Finish(*dc);
    }
    g_object_unref(l);
    return (y - rc->top) + lh;
}
