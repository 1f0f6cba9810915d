// Test hooks: synthetic input through the backend's event queue, waiting,
// and captures of top-level surfaces.
#include <cstring>

#include "platform/backend/backend.h"
#include "platform/kernel/codepage.h"
#include "platform/user/user_internal.h"
#include "win/kernel.h"
#include "win/testhooks.h"

using namespace platform;
using namespace platform::user;

namespace {

BOOL Inject(backend::Event e) {
    backend::Current().Inject(std::move(e));
    return TRUE;
}

// Virtual keys to the scan codes a PC keyboard sends, for the lParam of key messages.
int ScanCode(UINT vk) {
    switch (vk) {
        case VK_ESCAPE: return 0x01;
        case VK_BACK: return 0x0E;
        case VK_TAB: return 0x0F;
        case VK_RETURN: return 0x1C;
        case VK_CONTROL: case VK_LCONTROL: return 0x1D;
        case VK_SHIFT: case VK_LSHIFT: return 0x2A;
        case VK_MENU: case VK_LMENU: return 0x38;
        case VK_SPACE: return 0x39;
        case VK_LEFT: return 0x4B;
        case VK_RIGHT: return 0x4D;
        case VK_UP: return 0x48;
        case VK_DOWN: return 0x50;
        case VK_DELETE: return 0x53;
        default:
            if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
                static const int pad[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
                return pad[vk - VK_NUMPAD0];
            }
            if (vk >= VK_F1 && vk <= VK_F10) return 0x3B + static_cast<int>(vk - VK_F1);
            return 0;
    }
}

bool Pump() {
    MSG m;
    bool any = false;
    while (PeekMessageA(&m, 0, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));  // leave it for the program's loop
            return false;
        }
        any = true;
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return any;
}

cairo_surface_t* Snapshot(HWND h) {
    auto w = Get(h);
    if (!w || w->parent || !w->surface) return nullptr;
    UpdateWindow(h);
    cairo_surface_flush(w->surface);
    return w->surface;
}

}  // namespace

WINEXPORT BOOL SigTestMouseMove(int x, int y) {
    backend::Event e;
    e.type = backend::EventType::MouseMove;
    e.x = x;
    e.y = y;
    return Inject(e);
}

WINEXPORT BOOL SigTestMouseButton(int x, int y, int button, BOOL down) {
    if (button < 1 || button > 3) return FALSE;
    backend::Event e;
    e.type = backend::EventType::MouseButton;
    e.x = x;
    e.y = y;
    e.button = button;
    e.down = down != 0;
    return Inject(e);
}

WINEXPORT BOOL SigTestClick(int x, int y, int button) {
    return SigTestMouseMove(x, y) && SigTestMouseButton(x, y, button, TRUE) && SigTestMouseButton(x, y, button, FALSE);
}

WINEXPORT BOOL SigTestMouseWheel(int x, int y, int delta) {
    backend::Event e;
    e.type = backend::EventType::MouseWheel;
    e.x = x;
    e.y = y;
    e.delta = delta;
    return Inject(e);
}

WINEXPORT BOOL SigTestKey(UINT vk, BOOL down) {
    if (vk == 0 || vk > 255) return FALSE;
    backend::Event e;
    e.type = backend::EventType::Key;
    e.vk = static_cast<int>(vk);
    e.scancode = ScanCode(vk);
    e.extended = vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_DELETE ||
                 vk == VK_INSERT || vk == VK_HOME || vk == VK_END || vk == VK_PRIOR || vk == VK_NEXT || vk == VK_DIVIDE;
    e.down = down != 0;
    return Inject(e);
}

WINEXPORT BOOL SigTestKeyPress(UINT vk) { return SigTestKey(vk, TRUE) && SigTestKey(vk, FALSE); }

WINEXPORT BOOL SigTestTypeText(LPCSTR gbk) {
    if (!gbk) return FALSE;
    backend::Event e;
    e.type = backend::EventType::Text;
    e.text = GbkToUtf8(gbk);
    return Inject(e);
}

WINEXPORT BOOL SigTestCloseRequest(HWND h) {
    if (!IsWindow(h)) return FALSE;
    backend::Event e;
    e.type = backend::EventType::CloseRequest;
    e.window = h;
    return Inject(e);
}

WINEXPORT BOOL SigTestWaitIdle(DWORD timeout_ms) {
    uint64_t end = NowMs() + timeout_ms;
    for (;;) {
        bool any = Pump();
        MSG m;
        auto& s = S();
        bool quit;
        {
            std::lock_guard<std::mutex> lock(s.qmu);
            quit = s.quit;
        }
        if (quit) return TRUE;
        if (!any && !PeekMessageA(&m, 0, 0, 0, PM_NOREMOVE)) return TRUE;
        if (NowMs() >= end) return FALSE;
    }
}

WINEXPORT HWND SigTestWaitForWindow(LPCSTR title, DWORD timeout_ms) {
    uint64_t end = NowMs() + timeout_ms;
    for (;;) {
        Pump();
        for (HWND h : S().toplevels) {
            auto w = Get(h);
            if (!w || !(w->style & WS_VISIBLE)) continue;
            if (!title || w->text == title) return h;
        }
        if (NowMs() >= end) return 0;
        backend::Current().Wait(10);
    }
}

WINEXPORT BOOL SigTestCaptureWindow(HWND h, LPCSTR path) {
    if (!path) return FALSE;
    cairo_surface_t* s = Snapshot(h);
    if (!s) return FALSE;
    auto w = Get(h);
    int ww = cairo_image_surface_get_width(s), wh = cairo_image_surface_get_height(s);
    cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, ww, wh);
    cairo_t* cr = cairo_create(out);
    if (w->shape) {
        int n = cairo_region_num_rectangles(w->shape);
        for (int i = 0; i < n; ++i) {
            cairo_rectangle_int_t r;
            cairo_region_get_rectangle(w->shape, i, &r);
            cairo_rectangle(cr, r.x, r.y, r.width, r.height);
        }
        cairo_clip(cr);
    }
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_status_t st = cairo_surface_write_to_png(out, path);
    cairo_surface_destroy(out);
    return st == CAIRO_STATUS_SUCCESS;
}

WINEXPORT COLORREF SigTestWindowPixel(HWND h, int x, int y) {
    cairo_surface_t* s = Snapshot(h);
    if (!s) return CLR_INVALID;
    int ww = cairo_image_surface_get_width(s), wh = cairo_image_surface_get_height(s);
    if (x < 0 || y < 0 || x >= ww || y >= wh) return CLR_INVALID;
    uint32_t v;
    std::memcpy(&v, cairo_image_surface_get_data(s) + static_cast<size_t>(y) * cairo_image_surface_get_stride(s) +
                        static_cast<size_t>(x) * 4,
                4);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

WINEXPORT LPCSTR SigTestBackendName(void) { return backend::Current().Name(); }
