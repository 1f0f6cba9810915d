// The display backend on a real X server: a wake-up that SDL sends to a window
// destroyed meanwhile must not end the program, and other X errors must still
// reach the handler that was there before.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/backend/backend.h"
#include "tests/support/x_session.h"

// After our headers: Xlib's macros (Expose, None...) clash with their names.
#include <X11/Xlib.h>

namespace {

using namespace sigtest;

// A window of our own connection, created and destroyed: its id is stale.
Window StaleWindow(Display* d) {
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(d, w);
    XSync(d, False);
    return w;
}

// In a death test's child: the backend up for the rest of the process, and a
// connection of the test's own; exits with 3 when the backend cannot start.
Display* WithBackendUp() {
    std::string why;
    static auto backend = platform::backend::MakeSdl(&why);
    if (!backend) std::exit(3);
    return XOpenDisplay(nullptr);
}

void SendTo(Display* d, Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.format = 32;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
}

class X11Errors : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XToolsInstalled()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
        display_ = StartXvfb(xvfb_);
        ASSERT_FALSE(display_.empty()) << "Xvfb did not report its display";
        setenv("DISPLAY", display_.c_str(), 1);
    }
    Child xvfb_;
    std::string display_;
};

TEST_F(X11Errors, AnEventSentToADestroyedWindowIsDroppedOnceTheBackendIsUp) {
    // The fault it guards against: without the backend, Xlib ends the process.
    EXPECT_EXIT(
        {
            Display* d = XOpenDisplay(nullptr);
            SendTo(d, StaleWindow(d));
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "BadWindow");
    EXPECT_EXIT(
        {
            Display* d = WithBackendUp();
            SendTo(d, StaleWindow(d));
            SendTo(d, StaleWindow(d));
            std::fprintf(stderr, "still running\n");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "still running");
}

TEST_F(X11Errors, OtherErrorsStillReachTheHandlerBefore) {
    EXPECT_EXIT(
        {
            Display* d = WithBackendUp();
            XMapWindow(d, StaleWindow(d));
            XSync(d, False);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "BadWindow");
}

}  // namespace
