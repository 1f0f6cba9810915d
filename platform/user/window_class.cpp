// Window classes. Every class is process-wide (the program is one module),
// so the control classes register here like any other.
#include <cctype>
#include <cstring>

#include "platform/user/user_internal.h"
#include "win/kernel.h"

namespace platform::user {
namespace {

std::string Key(const std::string& n) {
    std::string k = n;
    for (char& c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return k;
}

}  // namespace

std::shared_ptr<WndClass> FindClass(LPCSTR name) {
    if (!name) return nullptr;
    auto& s = S();
    if (IS_INTRESOURCE(name)) {
        ATOM a = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
        for (auto& [k, c] : s.classes)
            if (c->atom == a) return c;
        return nullptr;
    }
    auto it = s.classes.find(Key(name));
    return it == s.classes.end() ? nullptr : it->second;
}

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

WINEXPORT ATOM RegisterClassExA(const WNDCLASSEXA* wc) {
    if (!wc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) || !wc->lpfnWndProc ||
        wc->cbClsExtra < 0 || wc->cbWndExtra < 0 || wc->cbClsExtra > 40000 || wc->cbWndExtra > 40000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    EnsureUiThread();
    auto& s = S();
    std::string name = wc->lpszClassName;
    if (name.empty() || name.size() > 255) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (s.classes.count(key)) {
        SetLastError(1410);  // ERROR_CLASS_ALREADY_EXISTS
        return 0;
    }
    auto c = std::make_shared<WndClass>();
    c->name = name;
    c->atom = s.next_atom++;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->wnd_extra = wc->cbWndExtra;
    c->inst = wc->hInstance;
    c->icon = wc->hIcon;
    c->icon_sm = wc->hIconSm;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) c->menu = wc->lpszMenuName;
    c->extra.assign(static_cast<size_t>(wc->cbClsExtra), 0);
    s.classes[key] = c;
    return c->atom;
}

WINEXPORT ATOM RegisterClassA(const WNDCLASSA* wc) {
    if (!wc) return 0;
    WNDCLASSEXA ex{sizeof(WNDCLASSEXA), wc->style, wc->lpfnWndProc, wc->cbClsExtra, wc->cbWndExtra, wc->hInstance,
                   wc->hIcon, wc->hCursor, wc->hbrBackground, wc->lpszMenuName, wc->lpszClassName, 0};
    return RegisterClassExA(&ex);
}

WINEXPORT BOOL UnregisterClassA(LPCSTR name, HINSTANCE) {
    auto c = FindClass(name);
    if (!c) return FALSE;
    auto& s = S();
    bool used = false;
    s.wnds.ForEach([&](uint32_t, const std::shared_ptr<Wnd>& w) { used |= w->cls == c; });
    if (used) {
        SetLastError(1412);  // ERROR_CLASS_HAS_WINDOWS
        return FALSE;
    }
    for (auto it = s.classes.begin(); it != s.classes.end(); ++it)
        if (it->second == c) {
            s.classes.erase(it);
            break;
        }
    return TRUE;
}

WINEXPORT BOOL GetClassInfoExA(HINSTANCE, LPCSTR name, WNDCLASSEXA* out) {
    auto c = FindClass(name);
    if (!c || !out) return FALSE;
    out->cbSize = sizeof(WNDCLASSEXA);
    out->style = c->style;
    out->lpfnWndProc = c->proc;
    out->cbClsExtra = static_cast<int>(c->extra.size());
    out->cbWndExtra = c->wnd_extra;
    out->hInstance = c->inst;
    out->hIcon = c->icon;
    out->hCursor = c->cursor;
    out->hbrBackground = c->background;
    out->lpszMenuName = c->menu.empty() ? nullptr : c->menu.c_str();
    out->lpszClassName = c->name.c_str();
    out->hIconSm = c->icon_sm;
    return TRUE;
}

WINEXPORT BOOL GetClassInfoA(HINSTANCE inst, LPCSTR name, WNDCLASSA* out) {
    WNDCLASSEXA ex;
    if (!out || !GetClassInfoExA(inst, name, &ex)) return FALSE;
    *out = WNDCLASSA{ex.style, ex.lpfnWndProc, ex.cbClsExtra, ex.cbWndExtra, ex.hInstance,
                     ex.hIcon, ex.hCursor, ex.hbrBackground, ex.lpszMenuName, ex.lpszClassName};
    return TRUE;
}

WINEXPORT int GetClassNameA(HWND hWnd, LPSTR out, int n) {
    auto w = Get(hWnd);
    if (!w || !out || n <= 0) return 0;
    int len = std::min<int>(static_cast<int>(w->cls->name.size()), n - 1);
    std::memcpy(out, w->cls->name.data(), static_cast<size_t>(len));
    out[len] = 0;
    return len;
}

WINEXPORT ULONG_PTR GetClassLongPtrA(HWND hWnd, int i) {
    auto w = Get(hWnd);
    if (!w) return 0;
    auto& c = *w->cls;
    switch (i) {
        case GCL_HBRBACKGROUND: return c.background;
        case GCL_HCURSOR: return c.cursor;
        case GCL_HICON: return c.icon;
        case GCL_HICONSM: return c.icon_sm;
        case GCL_HMODULE: return c.inst;
        case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c.wnd_extra);
        case GCL_CBCLSEXTRA: return c.extra.size();
        case GCL_WNDPROC: return reinterpret_cast<ULONG_PTR>(c.proc);
        case GCL_STYLE: return c.style;
        case GCW_ATOM: return c.atom;
        default:
            if (i >= 0 && static_cast<size_t>(i) + sizeof(LONG) <= c.extra.size()) {
                LONG v;
                std::memcpy(&v, &c.extra[static_cast<size_t>(i)], sizeof v);
                return static_cast<ULONG_PTR>(static_cast<DWORD>(v));
            }
            SetLastError(1413);  // ERROR_INVALID_INDEX
            return 0;
    }
}

WINEXPORT ULONG_PTR SetClassLongPtrA(HWND hWnd, int i, LONG_PTR v) {
    auto w = Get(hWnd);
    if (!w) return 0;
    auto& c = *w->cls;
    ULONG_PTR old = GetClassLongPtrA(hWnd, i);
    switch (i) {
        case GCL_HBRBACKGROUND: c.background = static_cast<HBRUSH>(v); break;
        case GCL_HCURSOR: c.cursor = static_cast<HCURSOR>(v); break;
        case GCL_HICON: c.icon = static_cast<HICON>(v); break;
        case GCL_HICONSM: c.icon_sm = static_cast<HICON>(v); break;
        case GCL_WNDPROC: c.proc = reinterpret_cast<WNDPROC>(v); break;
        case GCL_STYLE: c.style = static_cast<UINT>(v); break;
        default:
            if (i >= 0 && static_cast<size_t>(i) + sizeof(LONG) <= c.extra.size()) {
                LONG l = static_cast<LONG>(v);
                std::memcpy(&c.extra[static_cast<size_t>(i)], &l, sizeof l);
                break;
            }
            SetLastError(1413);
            return 0;
    }
    return old;
}

WINEXPORT DWORD GetClassLongA(HWND hWnd, int i) { return static_cast<DWORD>(GetClassLongPtrA(hWnd, i)); }
WINEXPORT DWORD SetClassLongA(HWND hWnd, int i, LONG v) {
    if (i == GCL_WNDPROC) return 0;  // a procedure does not fit in 32 bits
    return static_cast<DWORD>(SetClassLongPtrA(hWnd, i, v));
}
