// X errors that SDL's own wake-up can cause, kept apart from the rest of the
// backend for the same reason as the shapes: the X11 headers' macros.
#pragma once

namespace platform::backend {

// SDL wakes a waiting event loop, when another thread posts, by sending an
// event to one of its windows over a second connection. The server may read
// that after the loop has destroyed the window, and Xlib's default answer to
// the BadWindow is to end the process. Installed after SDL's video start, this
// drops exactly those errors (the posted event is queued either way, so
// nothing is lost) and hands every other one to the handler before it.
void IgnoreStaleWakeupErrors();

}  // namespace platform::backend
