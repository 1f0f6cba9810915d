// The automation runner: with SIGDESIGNER_AUTOMATION=FILE the platform runs
// the script's steps itself, on the UI thread, each time the thread is about
// to wait for messages -- in the program's own loop and in any modal loop --
// so the program needs no part in it.
#pragma once

#include <atomic>

namespace platform::automation {

extern std::atomic<bool> g_running;
extern std::atomic<bool> g_started;

void Start();

// Called once the display backend exists: reads the environment, parses the
// whole script and, on a syntax error, reports every one and exits with 3.
inline void StartOnce() {
    if (!g_started.load(std::memory_order_acquire)) Start();
}

// True while steps remain.
inline bool Running() { return g_running.load(std::memory_order_relaxed); }

// The UI thread found nothing to deliver and is about to wait: run steps
// until one has queued input or must wait.
void OnQueueIdle();

}  // namespace platform::automation
