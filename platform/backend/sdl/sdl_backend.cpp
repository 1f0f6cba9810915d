// The SDL backend: one borderless SDL window per top-level window. The window
// system draws frames and captions itself, so only pixels, input, the mouse
// pointer, text input and the clipboard pass through here.
#include <SDL.h>
#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/backend/backend.h"
#include "platform/backend/sdl/sdl_api.h"
#include "platform/backend/sdl/x11_errors.h"
#include "platform/backend/sdl/x11_shape.h"
#include "win/user.h"

namespace platform::backend {
namespace {

int VkFromScancode(SDL_Scancode sc, bool* extended) {
    *extended = false;
    bool num = (SdlFns().SDL_GetModState() & KMOD_NUM) != 0;
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc == SDL_SCANCODE_0) return '0';
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) {
        if (num) return VK_NUMPAD1 + (sc - SDL_SCANCODE_KP_1);
        static const int nav[9] = {VK_END, VK_DOWN, VK_NEXT, VK_LEFT, VK_CLEAR, VK_RIGHT, VK_HOME, VK_UP, VK_PRIOR};
        return nav[sc - SDL_SCANCODE_KP_1];
    }
    switch (sc) {
        case SDL_SCANCODE_KP_0: return num ? VK_NUMPAD0 : VK_INSERT;
        case SDL_SCANCODE_KP_PERIOD: return num ? VK_DECIMAL : VK_DELETE;
        case SDL_SCANCODE_KP_DIVIDE: *extended = true; return VK_DIVIDE;
        case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
        case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
        case SDL_SCANCODE_KP_PLUS: return VK_ADD;
        case SDL_SCANCODE_KP_ENTER: *extended = true; return VK_RETURN;
        case SDL_SCANCODE_RETURN: return VK_RETURN;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_BACKSPACE: return VK_BACK;
        case SDL_SCANCODE_TAB: return VK_TAB;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_MINUS: return VK_OEM_MINUS;
        case SDL_SCANCODE_EQUALS: return VK_OEM_PLUS;
        case SDL_SCANCODE_LEFTBRACKET: return VK_OEM_4;
        case SDL_SCANCODE_RIGHTBRACKET: return VK_OEM_6;
        case SDL_SCANCODE_BACKSLASH: return VK_OEM_5;
        case SDL_SCANCODE_SEMICOLON: return VK_OEM_1;
        case SDL_SCANCODE_APOSTROPHE: return VK_OEM_7;
        case SDL_SCANCODE_GRAVE: return VK_OEM_3;
        case SDL_SCANCODE_COMMA: return VK_OEM_COMMA;
        case SDL_SCANCODE_PERIOD: return VK_OEM_PERIOD;
        case SDL_SCANCODE_SLASH: return VK_OEM_2;
        case SDL_SCANCODE_CAPSLOCK: return VK_CAPITAL;
        case SDL_SCANCODE_NUMLOCKCLEAR: return VK_NUMLOCK;
        case SDL_SCANCODE_SCROLLLOCK: return VK_SCROLL;
        case SDL_SCANCODE_PAUSE: return VK_PAUSE;
        case SDL_SCANCODE_INSERT: *extended = true; return VK_INSERT;
        case SDL_SCANCODE_DELETE: *extended = true; return VK_DELETE;
        case SDL_SCANCODE_HOME: *extended = true; return VK_HOME;
        case SDL_SCANCODE_END: *extended = true; return VK_END;
        case SDL_SCANCODE_PAGEUP: *extended = true; return VK_PRIOR;
        case SDL_SCANCODE_PAGEDOWN: *extended = true; return VK_NEXT;
        case SDL_SCANCODE_LEFT: *extended = true; return VK_LEFT;
        case SDL_SCANCODE_RIGHT: *extended = true; return VK_RIGHT;
        case SDL_SCANCODE_UP: *extended = true; return VK_UP;
        case SDL_SCANCODE_DOWN: *extended = true; return VK_DOWN;
        case SDL_SCANCODE_LSHIFT: return VK_LSHIFT;
        case SDL_SCANCODE_RSHIFT: return VK_RSHIFT;
        case SDL_SCANCODE_LCTRL: return VK_LCONTROL;
        case SDL_SCANCODE_RCTRL: *extended = true; return VK_RCONTROL;
        case SDL_SCANCODE_LALT: return VK_LMENU;
        case SDL_SCANCODE_RALT: *extended = true; return VK_RMENU;
        case SDL_SCANCODE_APPLICATION: return VK_APPS;
        default: return 0;
    }
}

class Sdl final : public Backend {
public:
    ~Sdl() override {
        for (auto& [id, c] : cursors_) SdlFns().SDL_FreeCursor(c);
        if (custom_) SdlFns().SDL_FreeCursor(custom_);
        {
            std::lock_guard<std::mutex> lock(wake_mu_);
            for (auto& [h, w] : windows_) SdlFns().SDL_DestroyWindow(w.win);
        }
        SdlFns().SDL_Quit();
    }
    bool Init(std::string* why) {
        SdlFns().SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SdlFns().SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
        SdlFns().SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        // The display's own framebuffer: an accelerated one would re-create
        // each native window on first drawing, dropping the shapes set on it.
        SdlFns().SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (SdlFns().SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
            *why = SdlFns().SDL_GetError();
            return false;
        }
        // With no display server SDL falls back to drivers that show nothing;
        // windows nobody can see or close would leave the program hanging.
        const char* driver = SdlFns().SDL_GetCurrentVideoDriver();
        const char* asked = std::getenv("SDL_VIDEODRIVER");
        if (driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) &&
            !(asked && std::strcmp(asked, driver) == 0)) {
            *why = std::string("no display server; only the ") + driver + " video driver is available";
            SdlFns().SDL_Quit();
            return false;
        }
        if (std::strcmp(driver ? driver : "", "x11") == 0) IgnoreStaleWakeupErrors();
        wake_ = SdlFns().SDL_RegisterEvents(1);
        SdlFns().SDL_StartTextInput();
        return true;
    }
    const char* Name() const override { return "sdl"; }

    void CreateWindow(uint32_t h, int x, int y, int w, int ht, bool topmost) override {
        Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
        if (topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
        SDL_Window* win = SdlFns().SDL_CreateWindow("", x, y, w, ht, flags);
        if (!win) return;
        windows_[h] = Win{win, x, y};
        by_id_[SdlFns().SDL_GetWindowID(win)] = h;
    }
    void DestroyWindow(uint32_t h) override {
        auto it = windows_.find(h);
        if (it == windows_.end()) return;
        by_id_.erase(SdlFns().SDL_GetWindowID(it->second.win));
        {
            // A wake-up being sent from another thread reads the window SDL
            // chose to send it to; it must not be freed meanwhile.
            std::lock_guard<std::mutex> lock(wake_mu_);
            SdlFns().SDL_DestroyWindow(it->second.win);
        }
        windows_.erase(it);
    }
    void ShowWindow(uint32_t h, bool show, bool activate) override {
        auto* w = Find(h);
        if (!w) return;
        if (show) {
            SdlFns().SDL_ShowWindow(w->win);
            if (activate) SdlFns().SDL_RaiseWindow(w->win);
        } else {
            SdlFns().SDL_HideWindow(w->win);
        }
    }
    void MoveWindow(uint32_t h, int x, int y, int w, int ht) override {
        auto* win = Find(h);
        if (!win) return;
        win->x = x;
        win->y = y;
        SdlFns().SDL_SetWindowPosition(win->win, x, y);
        SdlFns().SDL_SetWindowSize(win->win, std::max(w, 1), std::max(ht, 1));
    }
    void RaiseWindow(uint32_t h) override {
        auto* w = Find(h);
        if (w && (SdlFns().SDL_GetWindowFlags(w->win) & SDL_WINDOW_SHOWN)) SdlFns().SDL_RaiseWindow(w->win);
    }
    void SetTitle(uint32_t h, const std::string& utf8) override {
        auto* w = Find(h);
        if (w) SdlFns().SDL_SetWindowTitle(w->win, utf8.c_str());
    }
    void Present(uint32_t h, cairo_surface_t* s) override {
        auto* w = Find(h);
        if (!w) return;
        SDL_Surface* ws = SdlFns().SDL_GetWindowSurface(w->win);
        if (!ws) return;
        int sw = cairo_image_surface_get_width(s), sh = cairo_image_surface_get_height(s);
        int cw = std::min(sw, ws->w), ch = std::min(sh, ws->h);
        SdlFns().SDL_ConvertPixels(cw, ch, SDL_PIXELFORMAT_RGB888, cairo_image_surface_get_data(s),
                          cairo_image_surface_get_stride(s), ws->format->format, ws->pixels, ws->pitch);
        SdlFns().SDL_UpdateWindowSurface(w->win);
    }

    void SetShape(uint32_t h, cairo_surface_t* mask) override {
        auto* w = Find(h);
        if (!w) return;
        if (!mask) {
            ApplyX11Shape(w->win, nullptr, 0, 0, 0);
            return;
        }
        cairo_surface_flush(mask);
        if (cairo_image_surface_get_format(mask) != CAIRO_FORMAT_A8) return;
        ApplyX11Shape(w->win, cairo_image_surface_get_data(mask), cairo_image_surface_get_width(mask),
                      cairo_image_surface_get_height(mask), cairo_image_surface_get_stride(mask));
    }

    void Wait(int timeout_ms) override { SdlFns().SDL_WaitEventTimeout(nullptr, std::max(timeout_ms, 0)); }
    void Wake() override {
        SDL_Event e{};
        e.type = wake_;
        std::lock_guard<std::mutex> lock(wake_mu_);
        SdlFns().SDL_PushEvent(&e);
    }

    void SetCursor(SystemCursor c) override {
        static const SDL_SystemCursor map[] = {
            SDL_SYSTEM_CURSOR_ARROW,    SDL_SYSTEM_CURSOR_IBEAM,    SDL_SYSTEM_CURSOR_WAIT,   SDL_SYSTEM_CURSOR_CROSSHAIR,
            SDL_SYSTEM_CURSOR_ARROW,    SDL_SYSTEM_CURSOR_SIZENWSE, SDL_SYSTEM_CURSOR_SIZENESW, SDL_SYSTEM_CURSOR_SIZEWE,
            SDL_SYSTEM_CURSOR_SIZENS,   SDL_SYSTEM_CURSOR_SIZEALL,  SDL_SYSTEM_CURSOR_NO,     SDL_SYSTEM_CURSOR_HAND,
            SDL_SYSTEM_CURSOR_WAITARROW, SDL_SYSTEM_CURSOR_ARROW};
        static_assert(std::size(map) == static_cast<size_t>(SystemCursor::Count));
        int i = static_cast<int>(c);
        auto it = cursors_.find(i);
        if (it == cursors_.end()) it = cursors_.emplace(i, SdlFns().SDL_CreateSystemCursor(map[i])).first;
        if (it->second) SdlFns().SDL_SetCursor(it->second);
    }
    void SetCursorImage(const uint32_t* argb, int w, int h, int hx, int hy) override {
        SDL_Surface* s = SdlFns().SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), w, h, 32, w * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
        if (!s) return;
        SDL_Cursor* c = SdlFns().SDL_CreateColorCursor(s, hx, hy);
        SdlFns().SDL_FreeSurface(s);
        if (!c) return;
        SdlFns().SDL_SetCursor(c);
        if (custom_) SdlFns().SDL_FreeCursor(custom_);
        custom_ = c;
    }
    void SetClipboardText(const std::string& utf8) override { SdlFns().SDL_SetClipboardText(utf8.c_str()); }
    std::string GetClipboardText() override {
        char* t = SdlFns().SDL_GetClipboardText();
        std::string s = t ? t : "";
        SdlFns().SDL_free(t);
        return s;
    }
    void StartTextInput() override { SdlFns().SDL_StartTextInput(); }
    void StopTextInput() override { SdlFns().SDL_StopTextInput(); }
    void ScreenSize(int* w, int* h) override {
        SDL_DisplayMode m;
        if (SdlFns().SDL_GetDesktopDisplayMode(0, &m) == 0) {
            *w = m.w;
            *h = m.h;
        } else {
            *w = 1280;
            *h = 1024;
        }
    }
    bool IsDisplay() const override { return true; }

protected:
    bool PollNative(Event* out) override {
        SDL_Event e;
        while (SdlFns().SDL_PollEvent(&e)) {
            if (Translate(e, out)) return true;
        }
        return false;
    }

private:
    struct Win {
        SDL_Window* win;
        int x, y;
    };
    Win* Find(uint32_t h) {
        auto it = windows_.find(h);
        return it == windows_.end() ? nullptr : &it->second;
    }
    uint32_t Hwnd(Uint32 id) {
        auto it = by_id_.find(id);
        return it == by_id_.end() ? 0 : it->second;
    }
    bool Local(Uint32 id, int lx, int ly, Event* out) {
        uint32_t h = Hwnd(id);
        auto* w = Find(h);
        if (!w) return false;
        out->window = h;
        out->x = w->x + lx;
        out->y = w->y + ly;
        last_x_ = out->x;
        last_y_ = out->y;
        return true;
    }

    bool Translate(const SDL_Event& e, Event* out) {
        *out = Event{};
        switch (e.type) {
            case SDL_MOUSEMOTION:
                out->type = EventType::MouseMove;
                return Local(e.motion.windowID, e.motion.x, e.motion.y, out);
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
                if (e.button.button > 3) return false;
                out->type = EventType::MouseButton;
                out->button = e.button.button;
                out->down = e.type == SDL_MOUSEBUTTONDOWN;
                return Local(e.button.windowID, e.button.x, e.button.y, out);
            case SDL_MOUSEWHEEL:
                out->type = EventType::MouseWheel;
                out->delta = e.wheel.y * 120 * (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1);
                out->x = last_x_;
                out->y = last_y_;
                out->window = Hwnd(e.wheel.windowID);
                return out->delta != 0;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                bool ext = false;
                int vk = VkFromScancode(e.key.keysym.scancode, &ext);
                if (!vk) return false;
                out->type = EventType::Key;
                out->vk = vk;
                out->extended = ext;
                out->scancode = 0;
                out->down = e.type == SDL_KEYDOWN;
                out->window = Hwnd(e.key.windowID);
                return true;
            }
            case SDL_TEXTINPUT:
                out->type = EventType::Text;
                out->text = e.text.text;
                out->window = Hwnd(e.text.windowID);
                return true;
            case SDL_WINDOWEVENT: {
                uint32_t h = Hwnd(e.window.windowID);
                if (!h) return false;
                out->window = h;
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE: out->type = EventType::CloseRequest; return true;
                    case SDL_WINDOWEVENT_FOCUS_GAINED: out->type = EventType::FocusGained; return true;
                    case SDL_WINDOWEVENT_FOCUS_LOST: out->type = EventType::FocusLost; return true;
                    case SDL_WINDOWEVENT_EXPOSED:
                    case SDL_WINDOWEVENT_SHOWN:
                    case SDL_WINDOWEVENT_SIZE_CHANGED: out->type = EventType::Expose; return true;
                    case SDL_WINDOWEVENT_MOVED: {
                        auto* w = Find(h);
                        if (!w || (w->x == e.window.data1 && w->y == e.window.data2)) return false;
                        w->x = e.window.data1;
                        w->y = e.window.data2;
                        out->type = EventType::Moved;
                        out->x = w->x;
                        out->y = w->y;
                        return true;
                    }
                    default: return false;
                }
            }
            default: return false;
        }
    }

    std::map<uint32_t, Win> windows_;
    std::map<Uint32, uint32_t> by_id_;
    std::map<int, SDL_Cursor*> cursors_;
    SDL_Cursor* custom_ = nullptr;
    Uint32 wake_ = 0;
    // Held around posting a wake-up and around destroying a window (see DestroyWindow).
    std::mutex wake_mu_;
    int last_x_ = 0, last_y_ = 0;
};

}  // namespace

std::unique_ptr<Backend> MakeSdl(std::string* why) {
    if (!LoadSdl(why)) return nullptr;
    auto b = std::make_unique<Sdl>();
    if (!b->Init(why)) return nullptr;
    return b;
}

}  // namespace platform::backend
