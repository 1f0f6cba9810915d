#include "libraries/picture/gif_player.h"

#include <algorithm>
#include <chrono>

namespace picture {
namespace {

// 0x00BBGGRR to the canvas's 0xAARRGGBB, opaque.
uint32_t CanvasColour(uint32_t colorref) {
  return 0xFF000000u | ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

}  // namespace

GifPlayer::GifPlayer(uint32_t background) : background_(CanvasColour(background)) {
  SetClock({});
}

GifPlayer::~GifPlayer() { Stop(); }

void GifPlayer::SetClock(Clock clock) {
  if (!clock.now)
    clock.now = [] {
      return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    };
  if (!clock.sleep)
    clock.sleep = [this](uint32_t ms) {
      std::unique_lock lock(stateMutex_);
      stateChanged_.wait_for(lock, std::chrono::milliseconds(ms),
                             [this] { return state_.load() != State::Running; });
    };
  clock_ = std::move(clock);
}

bool GifPlayer::Load(std::span<const uint8_t> bytes, std::string* error, const DecodeLimits& limits) {
  Stop();
  canvas_.reset();
  single_ = false;
  state_ = State::Idle;
  stream_.assign(bytes.begin(), bytes.end());
  if (!walker_.Open(stream_, limits, error)) return false;
  screen_ = walker_.screen();
  if (walker_.Next(&frame_, error) != GifWalker::Step::Image) return false;
  canvas_ = std::make_unique<GifCanvas>(screen_.width, screen_.height, background_);
  single_ = walker_.LastImageOfPass();
  if (single_) {
    canvas_->Compose(frame_);
  } else {
    walker_.Rewind();
  }
  return true;
}

bool GifPlayer::Start(FrameReady onFrame) {
  if (!canvas_ || single_) return false;
  {
    std::lock_guard lock(stateMutex_);
    if (state_ == State::Running || state_ == State::StopRequested) return false;
  }
  if (thread_.joinable()) thread_.join();
  {
    std::lock_guard guard(canvasGuard_);
    walker_.Rewind();
    canvas_->Reset();
  }
  state_ = State::Running;
  thread_ = std::thread([this, onFrame = std::move(onFrame)] { Run(onFrame); });
  return true;
}

void GifPlayer::Stop() {
  {
    std::lock_guard lock(stateMutex_);
    if (state_ == State::Running) state_ = State::StopRequested;
  }
  stateChanged_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool GifPlayer::WithCanvas(const std::function<void(const GifCanvas&)>& paint) {
  std::lock_guard guard(canvasGuard_);
  if (!canvas_) return false;
  paint(*canvas_);
  return true;
}

uint32_t GifPlayer::Advance() {
  std::lock_guard guard(canvasGuard_);
  return AdvanceLocked();
}

uint32_t GifPlayer::AdvanceLocked() {
  if (!canvas_) return kDefaultDelayMs;
  if (single_) return kDefaultDelayMs;
  if (walker_.Next(&frame_, nullptr) != GifWalker::Step::Image) return kDefaultDelayMs;
  canvas_->Compose(frame_);
  return frame_.delay ? uint32_t(frame_.delay) * 10 : kDefaultDelayMs;
}

void GifPlayer::WaitFrom(uint64_t start, uint32_t delay) {
  while (state_.load() == State::Running) {
    const uint64_t elapsed = clock_.now() - start;
    if (elapsed >= delay) return;
    clock_.sleep(uint32_t(std::min<uint64_t>(kPollMs, delay - elapsed)));
  }
}

void GifPlayer::Run(FrameReady onFrame) {
  while (state_.load() == State::Running) {
    const uint64_t start = clock_.now();
    uint32_t delay;
    {
      std::lock_guard guard(canvasGuard_);
      delay = AdvanceLocked();
      if (onFrame) onFrame(*canvas_);
    }
    WaitFrom(start, delay);
  }
  {
    std::lock_guard lock(stateMutex_);
    state_ = State::Stopped;
  }
  stateChanged_.notify_all();
}

}  // namespace picture
