// In-process test hooks. Input goes through the same path as a user's: the
// events enter the display backend's queue and become window messages when
// the UI thread next looks at its queue. Positions are screen coordinates.
// Call these on the UI thread.
#pragma once

#include "win/types.h"

// button: 1 left, 2 middle, 3 right.
WINEXPORT BOOL SigTestMouseMove(int x, int y);
WINEXPORT BOOL SigTestMouseButton(int x, int y, int button, BOOL down);
// Move, press and release.
WINEXPORT BOOL SigTestClick(int x, int y, int button);
// delta in WHEEL_DELTA units (120 per notch); positive is away from the user.
WINEXPORT BOOL SigTestMouseWheel(int x, int y, int delta);
WINEXPORT BOOL SigTestKey(UINT vk, BOOL down);
// Press and release.
WINEXPORT BOOL SigTestKeyPress(UINT vk);
// Typed text (GBK), as an input method would deliver it.
WINEXPORT BOOL SigTestTypeText(LPCSTR gbk);
// Asks a top-level window to close, as the desktop's close request does.
WINEXPORT BOOL SigTestCloseRequest(HWND hwnd);

// Dispatches messages until none is waiting (timers that are not due do not
// count) or timeout_ms passes. A quit message stays queued and ends the wait.
// Returns TRUE when the queue became idle.
WINEXPORT BOOL SigTestWaitIdle(DWORD timeout_ms);
// Dispatches messages until a visible top-level window with this title (GBK,
// exact) exists; NULL matches any new visible window. Returns it, or 0.
WINEXPORT HWND SigTestWaitForWindow(LPCSTR title, DWORD timeout_ms);

// Paints what is pending and writes the top-level window (frame included) as
// a PNG; pixels outside a window region are transparent.
WINEXPORT BOOL SigTestCaptureWindow(HWND hwnd, LPCSTR png_path);
// The colour of one pixel of a top-level window's surface (window
// coordinates), after painting what is pending; CLR_INVALID outside.
WINEXPORT COLORREF SigTestWindowPixel(HWND hwnd, int x, int y);
// The name of the backend in use: "sdl" or "headless".
WINEXPORT LPCSTR SigTestBackendName(void);
