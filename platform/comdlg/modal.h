// A small modal window for the common dialogs: controls, a command handler,
// Enter and Escape as OK and Cancel, the owner disabled while it runs.
#pragma once

#include <functional>

#include "win/user.h"

namespace platform::comdlg {

extern const char* const kLabelClass;  // a plain text label

struct ModalWindow;
using CommandFn = LRESULT (*)(ModalWindow& m, int id, int code);

struct ModalWindow {
    ModalWindow(HWND owner, const char* caption, int w, int h, CommandFn fn, void* data);
    ~ModalWindow();
    HWND Control(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id);
    // Runs until End; true when ended with ok.
    bool Run();
    void End(bool ok);

    HWND hwnd = 0;
    HWND owner = 0;
    void* data = nullptr;
    CommandFn fn = nullptr;
    std::function<void(HDC)> paint;  // extra drawing on the window's client area
    std::function<void(int, int)> click;  // left clicks on the client area
    bool done = false;
    bool ok = false;
    bool owner_was_enabled = false;
};

}  // namespace platform::comdlg
