#include "platform/backend/sdl/x11_shape.h"

#include <SDL_syswm.h>

#include "platform/backend/sdl/sdl_api.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

#include <vector>

namespace platform::backend {

bool ApplyX11Shape(SDL_Window* window, const uint8_t* mask, int width, int height, int stride) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!window || !SdlFns().SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    Display* display = info.info.x11.display;
    ::Window xwindow = info.info.x11.window;
    int event_base = 0, error_base = 0;
    if (!display || !XShapeQueryExtension(display, &event_base, &error_base)) return false;
    if (!mask) {
        XShapeCombineMask(display, xwindow, ShapeBounding, 0, 0, None, ShapeSet);
        XFlush(display);
        return true;
    }
    // Each row's runs of covered pixels, top to bottom and left to right:
    // the order the server's banded form expects.
    std::vector<XRectangle> rects;
    for (int y = 0; y < height && y <= 32767; ++y) {
        const uint8_t* row = mask + static_cast<size_t>(y) * static_cast<size_t>(stride);
        int x = 0;
        while (x < width && x <= 32767) {
            while (x < width && row[x] < 128) ++x;
            int start = x;
            while (x < width && row[x] >= 128) ++x;
            if (x > start)
                rects.push_back(XRectangle{static_cast<short>(start), static_cast<short>(y),
                                           static_cast<unsigned short>(x - start), 1});
        }
    }
    // No rectangles at all leaves nothing of the window on screen, as an
    // empty region should.
    XShapeCombineRectangles(display, xwindow, ShapeBounding, 0, 0, rects.data(), static_cast<int>(rects.size()),
                            ShapeSet, YXBanded);
    XFlush(display);
    return true;
}

}  // namespace platform::backend
