// A full repaint of a 975 x 707 window holding 450 child windows (text and
// bitmaps), against drawing the same content with cairo and pango directly
// into one surface. The ratio of the two is the window system's overhead.
#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/support/measure.h"
#include "win/testhooks.h"
#include "win/user.h"

namespace {

constexpr int kW = 975, kH = 707, kCols = 15, kRows = 30;
constexpr int kCellW = kW / kCols, kCellH = kH / kRows;  // 65 x 23
constexpr int kIcon = 16;
// "标签" (GBK) and its UTF-8 form for the reference.
constexpr char kLabelGbk[] = "\xb1\xea\xc7\xa9";
constexpr char kLabelUtf8[] = "\xe6\xa0\x87\xe7\xad\xbe";

HBITMAP g_icon = 0;
HFONT g_font = 0;

LRESULT CellProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m != WM_PAINT) return DefWindowProcA(h, m, w, l);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    int id = GetDlgCtrlID(h);
    RECT r{0, 0, kCellW, kCellH};
    if (id % 2 == 0) {
        SelectObject(dc, g_font);
        SetBkMode(dc, TRANSPARENT);
        char text[32];
        std::snprintf(text, sizeof text, "%s%d", kLabelGbk, id);
        TextOutA(dc, 2, 2, text, static_cast<int>(std::strlen(text)));
    } else {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, g_icon);
        BitBlt(dc, 2, 3, kIcon, kIcon, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    (void)r;
    EndPaint(h, &ps);
    return 0;
}

HWND Build() {
    static HWND top = 0;
    if (top) return top;
    setenv("SIGDESIGNER_BACKEND", "headless", 1);
    WNDCLASSA wc{};
    wc.lpfnWndProc = CellProc;
    wc.hbrBackground = static_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "BenchCell";
    RegisterClassA(&wc);
    wc.lpfnWndProc = DefWindowProcA;
    wc.hbrBackground = static_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "BenchTop";
    RegisterClassA(&wc);
    LOGFONTA lf{};
    lf.lfHeight = -12;
    std::memcpy(lf.lfFaceName, "\xcb\xce\xcc\xe5", 5);
    g_font = CreateFontIndirectA(&lf);
    g_icon = CreateCompatibleBitmap(0, kIcon, kIcon);
    HDC mem = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(mem, g_icon);
    for (int y = 0; y < kIcon; ++y)
        for (int x = 0; x < kIcon; ++x) SetPixel(mem, x, y, RGB(x * 16, y * 16, 128));
    SelectObject(mem, old);
    DeleteDC(mem);
    top = CreateWindowExA(0, "BenchTop", "bench", WS_POPUP | WS_VISIBLE, 0, 0, kW, kH, 0, 0, 0, nullptr);
    for (int i = 0; i < kCols * kRows; ++i) {
        int x = (i % kCols) * kCellW, y = (i / kCols) * kCellH;
        CreateWindowExA(0, "BenchCell", "", WS_CHILD | WS_VISIBLE, x + 1, y + 1, kCellW - 2, kCellH - 2, top,
                        static_cast<HMENU>(i + 1), 0, nullptr);
    }
    SigTestWaitIdle(10000);
    return top;
}

void SystemFrame(HWND top) {
    InvalidateRect(top, nullptr, TRUE);
    UpdateWindow(top);
}

void BM_WindowSystemRepaint(benchmark::State& state) {
    HWND top = Build();
    for (auto _ : state) SystemFrame(top);
    benchmark::DoNotOptimize(SigTestWindowPixel(top, 5, 5));
}

// The same pixels drawn straight with cairo and pango: the face-coloured
// background, 450 white cells, text in half of them and a 16 x 16 bitmap in the other half.
struct Direct {
    cairo_surface_t* s = nullptr;
    cairo_surface_t* icon = nullptr;
    PangoFontMap* map = nullptr;
    PangoContext* ctx = nullptr;
    PangoFontDescription* fd = nullptr;

    Direct() {
        Build();  // the same fonts resolved, so both sides start warm
        s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kW, kH);
        icon = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kIcon, kIcon);
        cairo_t* c = cairo_create(icon);
        for (int y = 0; y < kIcon; ++y)
            for (int x = 0; x < kIcon; ++x) {
                cairo_set_source_rgb(c, x * 16 / 255.0, y * 16 / 255.0, 128 / 255.0);
                cairo_rectangle(c, x, y, 1, 1);
                cairo_fill(c);
            }
        cairo_destroy(c);
        map = pango_cairo_font_map_new();
        ctx = pango_font_map_create_context(map);
        fd = pango_font_description_from_string("WenQuanYi Micro Hei");
        pango_font_description_set_absolute_size(fd, 12 * PANGO_SCALE);
    }
    ~Direct() {
        pango_font_description_free(fd);
        g_object_unref(ctx);
        g_object_unref(map);
        cairo_surface_destroy(icon);
        cairo_surface_destroy(s);
    }
    void Frame() {
        cairo_t* cr = cairo_create(s);
        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
        cairo_set_source_rgb(cr, 212 / 255.0, 208 / 255.0, 200 / 255.0);
        cairo_paint(cr);
        for (int i = 0; i < kCols * kRows; ++i) {
            int x = (i % kCols) * kCellW + 1, y = (i / kCols) * kCellH + 1;
            cairo_save(cr);
            cairo_rectangle(cr, x, y, kCellW - 2, kCellH - 2);
            cairo_clip(cr);
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_paint(cr);
            int id = i + 1;
            if (id % 2 == 0) {
                char text[32];
                std::snprintf(text, sizeof text, "%s%d", kLabelUtf8, id);
                PangoLayout* l = pango_layout_new(ctx);
                pango_layout_set_font_description(l, fd);
                pango_layout_set_text(l, text, -1);
                cairo_set_source_rgb(cr, 0, 0, 0);
                cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
                cairo_move_to(cr, x + 2, y + 2);
                pango_cairo_show_layout(cr, l);
                cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
                g_object_unref(l);
            } else {
                cairo_set_source_surface(cr, icon, x + 2, y + 3);
                cairo_rectangle(cr, x + 2, y + 3, kIcon, kIcon);
                cairo_fill(cr);
            }
            cairo_restore(cr);
        }
        cairo_destroy(cr);
        cairo_surface_flush(s);
    }
};

void BM_CairoDirect(benchmark::State& state) {
    Direct d;
    for (auto _ : state) d.Frame();
}

BENCHMARK(BM_CairoDirect)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_WindowSystemRepaint)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

// The figure the target is stated in. Other work on the machine comes and
// goes within seconds, so the two sides are timed in short alternating
// rounds (thread CPU time, the order swapped every round) and each round
// gives a ratio; the median of many rounds decides, not one run.
struct Paired : benchsupport::Spread {
    int rounds = 0;
};

Paired MeasurePaired(int rounds, int frames) {
    HWND top = Build();
    Direct d;
    for (int i = 0; i < 3; ++i) {  // warm both
        d.Frame();
        SystemFrame(top);
    }
    std::vector<double> ratios;
    for (int r = 0; r < rounds; ++r) {
        double t_direct = 0, t_system = 0;
        for (int half = 0; half < 2; ++half) {
            bool system_now = (half == 0) == (r % 2 == 0);
            double t0 = benchsupport::ThreadCpuSeconds();
            for (int f = 0; f < frames; ++f) system_now ? SystemFrame(top) : d.Frame();
            double t = benchsupport::ThreadCpuSeconds() - t0;
            (system_now ? t_system : t_direct) = t;
        }
        if (t_direct > 0) ratios.push_back(t_system / t_direct);
    }
    Paired p;
    static_cast<benchsupport::Spread&>(p) = benchsupport::SpreadOf(ratios);
    p.rounds = static_cast<int>(ratios.size());
    return p;
}

}  // namespace

// Runs both as plain benchmarks (absolute times), then the paired rounds.
// PAINT_BENCH_ROUNDS changes the number of rounds (default 41, 10 frames each).
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    int rounds = 41;
    if (const char* e = std::getenv("PAINT_BENCH_ROUNDS")) rounds = std::max(1, std::atoi(e));
    Paired p = MeasurePaired(rounds, 10);
    std::printf("window system / direct cairo, CPU time, median of %d paired rounds: %.2fx "
                "(quartiles %.2fx-%.2fx, range %.2fx-%.2fx; target at most 1.5x)\n",
                p.rounds, p.median, p.q1, p.q3, p.low, p.high);
    benchmark::Shutdown();
    return 0;
}
