// Plays an animated GIF: decodes frame after frame on a thread of its own and
// composes them on a canvas shared with the window's painting under one guard.
// The window side is a callback, and the clock and the waits can be replaced,
// so the timing can be checked without sleeping.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "libraries/picture/gif_canvas.h"
#include "libraries/picture/gif_stream.h"

namespace picture {

class GifPlayer {
 public:
  enum class State { Idle, Running, StopRequested, Stopped };

  struct Clock {
    // Milliseconds from any fixed point.
    std::function<uint64_t()> now;
    // Waits up to `ms`; may return early. The default wakes at once on a stop.
    std::function<void(uint32_t ms)> sleep;
  };

  // Called on the animation thread after each frame, with the canvas held.
  using FrameReady = std::function<void(const GifCanvas&)>;

  static constexpr uint32_t kDefaultDelayMs = 50;
  static constexpr uint32_t kPollMs = 10;

  // background: the colour behind the animation, 0x00BBGGRR.
  explicit GifPlayer(uint32_t background = 0xFFFFFF);
  ~GifPlayer();
  GifPlayer(const GifPlayer&) = delete;
  GifPlayer& operator=(const GifPlayer&) = delete;

  // Keeps a private copy of the stream and decodes the first image. A stream
  // of one image stays on the canvas and never starts a thread. Stops a
  // running animation first.
  bool Load(std::span<const uint8_t> bytes, std::string* error = nullptr, const DecodeLimits& limits = {});
  bool loaded() const { return canvas_ != nullptr; }
  bool singleImage() const { return single_; }
  int32_t width() const { return screen_.width; }
  int32_t height() const { return screen_.height; }

  void SetClock(Clock clock);

  // Starts the thread: does nothing (false) without a loaded stream, for a
  // single image, or while running. Rewinds the walk and clears the canvas.
  bool Start(FrameReady onFrame);
  // Requests the stop when running and waits until the thread has ended.
  void Stop();
  State state() const { return state_.load(); }

  // Runs `paint` with the canvas held (the window's painting); false before a load.
  bool WithCanvas(const std::function<void(const GifCanvas&)>& paint);

  // One step of the animation on the calling thread: composes the next frame
  // and returns how long it stays, in ms. A frame that fails is skipped and
  // the default delay runs. For a thread-less walk (the inspection tool).
  uint32_t Advance();

 private:
  uint32_t AdvanceLocked();
  void Run(FrameReady onFrame);
  void WaitFrom(uint64_t start, uint32_t delay);

  GifScreen screen_;
  std::vector<uint8_t> stream_;  // private copy of the whole stream
  GifWalker walker_;
  GifFrame frame_;
  bool single_ = false;
  uint32_t background_;
  std::unique_ptr<GifCanvas> canvas_;

  Clock clock_;
  std::mutex canvasGuard_;
  std::mutex stateMutex_;
  std::condition_variable stateChanged_;
  std::atomic<State> state_{State::Idle};
  std::thread thread_;
};

}  // namespace picture
