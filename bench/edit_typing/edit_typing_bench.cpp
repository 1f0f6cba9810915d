// Typing into a multi-line edit box that holds 100 KB of text: the cost of one
// keystroke (the character inserted, the box re-wrapped and repainted) against
// laying the box's visible text out once with pango. The ratio is printed at
// the end; the target is at most 2.
#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <map>
#include <string>

#include "win/commctrl.h"
#include "win/gdi.h"
#include "win/testhooks.h"
#include "win/user.h"

namespace {

constexpr int kBoxW = 400, kBoxH = 300;

std::string HundredKb() {
    std::string s;
    const char* words[] = {"signature ", "designer ", "text ", "colour ", "\xd6\xd0\xce\xc4 ", "line ", "box "};
    int i = 0;
    while (s.size() < 100 * 1024) {
        s += words[i % 7];
        if (++i % 40 == 0) s += "\r\n";
    }
    return s;
}

struct Box {
    HWND top = 0, edit = 0;
    Box() {
        setenv("SIGDESIGNER_BACKEND", "headless", 1);
        top = CreateWindowExA(0, "EDIT", "", WS_POPUP | WS_VISIBLE, 0, 0, kBoxW + 20, kBoxH + 20, 0, 0, 0, nullptr);
        edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | WS_VSCROLL, 0, 0, kBoxW, kBoxH, top, 0,
                               0, nullptr);
        std::string t = HundredKb();
        SetWindowTextA(edit, t.c_str());
        SetFocus(edit);
        SendMessageA(edit, EM_SETSEL, t.size() / 2, t.size() / 2);
        SendMessageA(edit, EM_SCROLLCARET, 0, 0);
        UpdateWindow(edit);
    }
    // The text the box shows: its visible lines.
    std::string Visible() {
        int first = static_cast<int>(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
        int lines = kBoxH / 15 + 1;
        std::string out;
        for (int i = first; i < first + lines; ++i) {
            char buf[1024];
            WORD cap = sizeof buf - 1;
            std::memcpy(buf, &cap, sizeof cap);
            LRESULT n = SendMessageA(edit, EM_GETLINE, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf));
            out.append(buf, static_cast<size_t>(n));
            out += "\n";
        }
        return out;
    }
};

Box& TheBox() {
    static Box b;
    return b;
}

std::map<std::string, double> g_times;

void BM_Keystroke(benchmark::State& state) {
    Box& b = TheBox();
    const char keys[] = "abcdefghij ";
    size_t k = 0;
    for (auto _ : state) {
        SendMessageA(b.edit, WM_CHAR, static_cast<WPARAM>(keys[k++ % (sizeof keys - 1)]), 1);
        UpdateWindow(b.edit);
    }
}
BENCHMARK(BM_Keystroke)->Iterations(10000);

void BM_LayoutVisibleTextOnce(benchmark::State& state) {
    Box& b = TheBox();
    std::string utf8;
    {
        // The same text the box shows, in UTF-8 for pango (GBK "中文" spelled out).
        std::string v = b.Visible();
        for (size_t i = 0; i < v.size(); ++i) {
            if (static_cast<unsigned char>(v[i]) == 0xd6 && i + 3 < v.size()) {
                utf8 += "\xe4\xb8\xad\xe6\x96\x87";
                i += 3;
            } else {
                utf8 += v[i];
            }
        }
    }
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kBoxW, kBoxH);
    cairo_t* cr = cairo_create(s);
    PangoFontDescription* fd = pango_font_description_from_string("Sans");
    pango_font_description_set_absolute_size(fd, 12 * PANGO_SCALE);
    for (auto _ : state) {
        PangoLayout* l = pango_cairo_create_layout(cr);
        pango_layout_set_font_description(l, fd);
        pango_layout_set_width(l, kBoxW * PANGO_SCALE);
        pango_layout_set_wrap(l, PANGO_WRAP_WORD);
        pango_layout_set_text(l, utf8.c_str(), static_cast<int>(utf8.size()));
        int w = 0, h = 0;
        pango_layout_get_pixel_size(l, &w, &h);
        benchmark::DoNotOptimize(w + h);
        g_object_unref(l);
    }
    pango_font_description_free(fd);
    cairo_destroy(cr);
    cairo_surface_destroy(s);
}
BENCHMARK(BM_LayoutVisibleTextOnce);

class Recorder : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (auto& r : runs) g_times[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Recorder rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    double key = 0, layout = 0;
    for (auto& [name, t] : g_times) {
        if (name.rfind("BM_Keystroke", 0) == 0) key = t;
        if (name.rfind("BM_LayoutVisibleTextOnce", 0) == 0) layout = t;
    }
    if (key > 0 && layout > 0)
        std::printf("keystroke / visible-text layout = %.2f (target <= 2)\n", key / layout);
    benchmark::Shutdown();
    return 0;
}
