// The UI thread's message queue. Retrieval order follows Windows: messages
// sent from other threads, posted messages, the quit request, input, then
// WM_PAINT (made on demand from invalid regions, so it is always last and
// one per window), then WM_TIMER (also made on demand, so a late timer
// fires once, not once per missed period).
#include <algorithm>
#include <cstring>

#include "platform/backend/automation/automation.h"
#include "platform/backend/backend.h"
#include "platform/kernel/codepage.h"
#include "platform/user/user_internal.h"
#include "win/kernel.h"

namespace platform::user {

namespace {

bool InRange(UINT m, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (m >= lo && m <= hi); }

bool ForWindow(HWND target, HWND filter) {
    if (filter == 0) return true;
    if (filter == static_cast<HWND>(-1)) return target == 0;
    return target == filter || IsChild(filter, target);
}

void RunSent() {
    auto& s = S();
    for (;;) {
        std::shared_ptr<SentMsg> m;
        {
            std::lock_guard<std::mutex> lock(s.qmu);
            if (s.sent.empty()) return;
            m = s.sent.front();
            s.sent.pop_front();
        }
        m->result.set_value(Call(m->hwnd, m->msg, m->w, m->l));
    }
}

void Stamp(MSG& m) {
    m.time = GetTickCount();
    m.pt = S().cursor;
}

bool TakeQueued(std::deque<QueuedMsg>& q, MSG* out, HWND filter, UINT lo, UINT hi, bool remove, bool input) {
    auto& s = S();
    for (;;) {
        QueuedMsg found;
        {
            std::lock_guard<std::mutex> lock(s.qmu);
            auto it = std::find_if(q.begin(), q.end(), [&](const QueuedMsg& m) {
                return InRange(m.msg.message, lo, hi) && ForWindow(m.msg.hwnd, filter);
            });
            if (it == q.end()) return false;
            found = *it;
            if (remove) q.erase(it);
        }
        if (input && remove) {
            if (!PrepareInputMessage(found)) continue;  // eaten by mouse activation
            UpdateKeyState(found.msg);
        }
        if (out) *out = found.msg;
        return true;
    }
}

bool Peek(MSG* out, HWND filter, UINT lo, UINT hi, UINT flags) {
    auto& s = S();
    bool remove = (flags & PM_REMOVE) != 0;
    ProcessBackendEvents();
    ApplyPendingInvalidations();
    RunSent();
    if (TakeQueued(s.posted, out, filter, lo, hi, remove, false)) return true;
    {
        std::lock_guard<std::mutex> lock(s.qmu);
        if (s.quit && InRange(WM_QUIT, lo, hi)) {
            if (remove) s.quit = false;
            if (out) {
                *out = MSG{0, WM_QUIT, static_cast<WPARAM>(s.quit_code), 0, 0, {}};
                Stamp(*out);
            }
            return true;
        }
    }
    if (TakeQueued(s.input, out, filter, lo, hi, remove, true)) return true;
    if (InRange(WM_PAINT, lo, hi)) {
        for (int guard = 0; guard < 10000; ++guard) {
            HWND p = FindPaintWindow(filter == static_cast<HWND>(-1) ? 0 : filter);
            if (!p) break;
            auto w = Get(p);
            // A frame alone is repainted at once; it needs no WM_PAINT.
            if (w->nc_dirty && !w->internal_paint && cairo_region_num_rectangles(w->update) == 0) {
                w->nc_dirty = false;
                Call(p, WM_NCPAINT, 1, 0);
                continue;
            }
            if (out) {
                *out = MSG{p, WM_PAINT, 0, 0, 0, {}};
                Stamp(*out);
            }
            return true;
        }
    }
    if (InRange(WM_TIMER, lo, hi)) {
        uint64_t now = NowMs();
        for (auto& t : s.timers) {
            if (t.due > now || !ForWindow(t.hwnd, filter)) continue;
            if (out) {
                *out = MSG{t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), 0, {}};
                Stamp(*out);
            }
            if (remove) t.due = now + t.elapse;
            return true;
        }
    }
    return false;
}

int WaitTimeout() {
    auto& s = S();
    uint64_t now = NowMs();
    uint64_t next = now + 1000;
    for (auto& t : s.timers) next = std::min(next, t.due);
    if (s.drag.hwnd) next = std::min(next, now + 10);
    return next <= now ? 0 : static_cast<int>(next - now);
}

bool Waiting() {
    auto& s = S();
    std::lock_guard<std::mutex> lock(s.qmu);
    return s.posted.empty() && s.input.empty() && s.sent.empty() && s.pending.empty() && !s.quit;
}

}  // namespace

}  // namespace platform::user

using namespace platform;
using namespace platform::user;

WINEXPORT BOOL PeekMessageA(LPMSG msg, HWND h, UINT lo, UINT hi, UINT flags) {
    EnsureUiThread();
    if (!OnUiThread()) return FALSE;
    if (Peek(msg, h, lo, hi, flags)) {
        if (msg && (flags & PM_REMOVE)) {
            S().msg_time = msg->time;
            S().msg_pt = msg->pt;
        }
        return TRUE;
    }
    PresentDirty();
    return FALSE;
}

WINEXPORT BOOL GetMessageA(LPMSG msg, HWND h, UINT lo, UINT hi) {
    EnsureUiThread();
    if (!msg || !OnUiThread()) return -1;
    if (h && h != static_cast<HWND>(-1) && !IsWindow(h)) return -1;
    for (;;) {
        if (PeekMessageA(msg, h, lo, hi, PM_REMOVE)) return msg->message != WM_QUIT;
        if (Waiting()) {
            if (automation::Running()) automation::OnQueueIdle();
            backend::Current().Wait(WaitTimeout());
        }
    }
}

WINEXPORT BOOL WaitMessage(void) {
    EnsureUiThread();
    if (Peek(nullptr, 0, 0, 0, PM_NOREMOVE)) return TRUE;
    PresentDirty();
    if (automation::Running()) automation::OnQueueIdle();
    backend::Current().Wait(WaitTimeout());
    return TRUE;
}

WINEXPORT DWORD GetQueueStatus(UINT flags) {
    auto& s = S();
    DWORD st = 0;
    {
        std::lock_guard<std::mutex> lock(s.qmu);
        if (!s.posted.empty() || s.quit) st |= QS_POSTMESSAGE;
        if (!s.sent.empty()) st |= QS_SENDMESSAGE;
        for (auto& m : s.input) {
            if (m.msg.message >= WM_KEYFIRST && m.msg.message <= WM_KEYLAST) st |= QS_KEY;
            else if (m.msg.message == WM_MOUSEMOVE || m.msg.message == WM_NCMOUSEMOVE) st |= QS_MOUSEMOVE;
            else st |= QS_MOUSEBUTTON;
        }
    }
    if (FindPaintWindow(0)) st |= QS_PAINT;
    uint64_t now = NowMs();
    for (auto& t : s.timers)
        if (t.due <= now) st |= QS_TIMER;
    return (st & flags) << 16 | (st & flags);
}

WINEXPORT BOOL PostMessageA(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto& s = S();
    if (h == HWND_BROADCAST) {
        for (HWND t : s.toplevels) PostMessageA(t, m, w, l);
        return TRUE;
    }
    if (h && !IsWindow(h)) {
        SetLastError(1400);
        return FALSE;
    }
    QueuedMsg q;
    q.msg = MSG{h, m, w, l, GetTickCount(), s.cursor};
    {
        std::lock_guard<std::mutex> lock(s.qmu);
        s.posted.push_back(q);
    }
    if (backend::Exists()) backend::Current().Wake();
    return TRUE;
}

WINEXPORT BOOL PostThreadMessageA(DWORD, UINT m, WPARAM w, LPARAM l) { return PostMessageA(0, m, w, l); }

WINEXPORT LRESULT SendMessageA(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (h == HWND_BROADCAST) {
        for (HWND t : std::vector<HWND>(S().toplevels)) SendMessageA(t, m, w, l);
        return 0;
    }
    if (!IsWindow(h)) return 0;
    if (OnUiThread()) return Call(h, m, w, l);
    // Another thread: the UI thread runs it when it next looks at its queue.
    auto& s = S();
    auto sm = std::make_shared<SentMsg>();
    sm->hwnd = h;
    sm->msg = m;
    sm->w = w;
    sm->l = l;
    auto fut = sm->result.get_future();
    {
        std::lock_guard<std::mutex> lock(s.qmu);
        s.sent.push_back(sm);
    }
    if (backend::Exists()) backend::Current().Wake();
    return fut.get();
}

WINEXPORT BOOL SendNotifyMessageA(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (OnUiThread()) {
        SendMessageA(h, m, w, l);
        return IsWindow(h) || h == HWND_BROADCAST;
    }
    return PostMessageA(h, m, w, l);
}

WINEXPORT BOOL TranslateMessage(const MSG* m) {
    if (!m) return FALSE;
    if (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN) return FALSE;
    // Printable characters arrive as typed text (the backend's text input,
    // which also carries input-method text), so only control characters are
    // made here: Enter, Backspace, Tab, Escape and Ctrl+letter.
    int vk = static_cast<int>(m->wParam);
    int ch = 0;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    switch (vk) {
        case VK_RETURN: ch = '\r'; break;
        case VK_BACK: ch = 8; break;
        case VK_TAB: ch = '\t'; break;
        case VK_ESCAPE: ch = 27; break;
        default:
            if (ctrl && vk >= 'A' && vk <= 'Z') ch = vk - 'A' + 1;
            break;
    }
    if (!ch) return FALSE;
    UINT cm = m->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    auto& s = S();
    QueuedMsg q;
    q.msg = MSG{m->hwnd, cm, static_cast<WPARAM>(ch), m->lParam, m->time, m->pt};
    std::lock_guard<std::mutex> lock(s.qmu);
    s.posted.push_front(q);
    return TRUE;
}

WINEXPORT LRESULT DispatchMessageA(const MSG* m) {
    if (!m) return 0;
    if (m->message == WM_TIMER && m->lParam) {
        reinterpret_cast<TIMERPROC>(m->lParam)(m->hwnd, WM_TIMER, m->wParam, GetTickCount());
        return 0;
    }
    if (!m->hwnd) return 0;
    auto w = Get(m->hwnd);
    if (!w) return 0;
    return Call(m->hwnd, m->message, m->wParam, m->lParam);
}

WINEXPORT void PostQuitMessage(int code) {
    auto& s = S();
    {
        std::lock_guard<std::mutex> lock(s.qmu);
        s.quit = true;
        s.quit_code = code;
    }
    if (backend::Exists()) backend::Current().Wake();
}

WINEXPORT DWORD GetMessageTime(void) { return S().msg_time; }
WINEXPORT DWORD GetMessagePos(void) {
    POINT p = S().msg_pt;
    return static_cast<DWORD>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

WINEXPORT UINT RegisterWindowMessageA(LPCSTR name) {
    if (!name || !*name) return 0;
    auto& s = S();
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto it = s.registered_msgs.find(key);
    if (it != s.registered_msgs.end()) return it->second;
    if (s.next_registered > 0xFFFF) return 0;
    UINT id = s.next_registered++;
    s.registered_msgs[key] = id;
    return id;
}

WINEXPORT UINT_PTR SetTimer(HWND h, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    auto& s = S();
    if (h && !IsWindow(h)) return 0;
    EnsureUiThread();
    // The limits Windows applies: at least 10 ms, at most about 24.8 days.
    elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
    if (!h) {
        // Thread timers get an identifier of their own unless an existing one is reset.
        bool exists = std::any_of(s.timers.begin(), s.timers.end(),
                                  [&](const Timer& t) { return t.hwnd == 0 && t.id == id && id != 0; });
        if (!exists) id = s.next_timer_id++;
    }
    for (auto& t : s.timers)
        if (t.hwnd == h && t.id == id) {
            t.elapse = elapse;
            t.proc = proc;
            t.due = NowMs() + elapse;
            return h ? (id ? id : 1) : id;
        }
    s.timers.push_back(Timer{h, id, elapse, proc, NowMs() + elapse});
    return h ? (id ? id : 1) : id;
}

WINEXPORT BOOL KillTimer(HWND h, UINT_PTR id) {
    auto& s = S();
    auto it = std::find_if(s.timers.begin(), s.timers.end(), [&](const Timer& t) { return t.hwnd == h && t.id == id; });
    if (it == s.timers.end()) return FALSE;
    s.timers.erase(it);
    return TRUE;
}
