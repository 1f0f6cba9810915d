#include "platform/backend/sdl/x11_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace platform::backend {
namespace {

XErrorHandler g_previous = nullptr;

int Filter(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
    return g_previous ? g_previous(display, error) : 0;
}

}  // namespace

void IgnoreStaleWakeupErrors() {
    // The handler is the process's, not a display's: installed once, so a
    // second backend does not chain the filter to itself.
    static const bool installed = [] {
        g_previous = XSetErrorHandler(Filter);
        return true;
    }();
    (void)installed;
}

}  // namespace platform::backend
