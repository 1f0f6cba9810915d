#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "libraries/picture/gif_player.h"
#include "tests/libraries/picture/fixture_writer.h"

namespace picture {
namespace {

using testing::Bytes;
using testing::GifFrameSpec;

// A frame filling the screen with one palette index.
GifFrameSpec Solid(uint8_t index, uint16_t delay, int disposal = 0) {
  GifFrameSpec f;
  f.width = 4;
  f.height = 3;
  f.indices.assign(12, index);
  f.control = true;
  f.delay = delay;
  f.disposal = disposal;
  return f;
}

Bytes Animation(std::vector<GifFrameSpec> frames) {
  return testing::MakeGif(4, 3, testing::TestPalette(8), frames);
}

// Virtual time: sleeping advances it at once, so no test waits for real.
struct FakeTime {
  std::atomic<uint64_t> now{1000};
  std::mutex m;
  std::vector<uint64_t> frameTimes;
  std::vector<uint32_t> firstPixels;
  std::condition_variable enough;

  GifPlayer::Clock Clock() {
    return {[this] { return now.load(); }, [this](uint32_t ms) { now += ms; }};
  }
  GifPlayer::FrameReady OnFrame() {
    return [this](const GifCanvas& c) {
      std::lock_guard lock(m);
      frameTimes.push_back(now.load());
      firstPixels.push_back(c.pixels()[0]);
      enough.notify_all();
    };
  }
  void WaitFrames(size_t n) {
    std::unique_lock lock(m);
    ASSERT_TRUE(enough.wait_for(lock, std::chrono::seconds(10), [&] { return firstPixels.size() >= n; }));
  }
};

uint32_t Colour(uint8_t index) {
  const auto c = testing::TestPalette(8)[index];
  return 0xFF000000u | (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

TEST(GifPlayer, PlaysFramesInOrderAndLoopsPastTheTrailer) {
  GifPlayer player;
  FakeTime time;
  player.SetClock(time.Clock());
  ASSERT_TRUE(player.Load(Animation({Solid(1, 10), Solid(2, 10), Solid(3, 10)})));
  EXPECT_FALSE(player.singleImage());
  ASSERT_TRUE(player.Start(time.OnFrame()));
  time.WaitFrames(8);
  player.Stop();
  EXPECT_EQ(player.state(), GifPlayer::State::Stopped);
  const uint32_t want[] = {Colour(1), Colour(2), Colour(3), Colour(1), Colour(2), Colour(3), Colour(1), Colour(2)};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(time.firstPixels[i], want[i]) << i;
}

TEST(GifPlayer, DelayZeroRunsAsFiftyMilliseconds) {
  for (auto [delay, expected] : {std::pair<uint16_t, uint64_t>{0, 50}, {10, 100}, {3, 30}}) {
    GifPlayer player;
    FakeTime time;
    player.SetClock(time.Clock());
    ASSERT_TRUE(player.Load(Animation({Solid(1, delay), Solid(2, delay)})));
    ASSERT_TRUE(player.Start(time.OnFrame()));
    time.WaitFrames(5);
    player.Stop();
    for (size_t i = 1; i < 5; ++i) EXPECT_EQ(time.frameTimes[i] - time.frameTimes[i - 1], expected) << delay;
  }
}

TEST(GifPlayer, DisposalIsUndoneBeforeTheNextFrame) {
  // Frame 2 covers only the top-left pixel with disposal 2; frame 3 covers
  // one other pixel, so the top-left one is back to frame 1's colour.
  GifFrameSpec dot = Solid(5, 1, 2);
  dot.width = dot.height = 1;
  dot.indices = {5};
  GifFrameSpec other = Solid(6, 1);
  other.left = 3;
  other.top = 2;
  other.width = other.height = 1;
  other.indices = {6};
  GifPlayer player(0x0000FF);  // red behind the animation
  FakeTime time;
  player.SetClock(time.Clock());
  ASSERT_TRUE(player.Load(Animation({Solid(1, 1), dot, other})));
  ASSERT_TRUE(player.Start(time.OnFrame()));
  time.WaitFrames(3);
  player.Stop();
  EXPECT_EQ(time.firstPixels[1], Colour(5));
  EXPECT_EQ(time.firstPixels[2], Colour(1));
}

TEST(GifPlayer, SingleImageNeverStartsAThread) {
  GifPlayer player;
  ASSERT_TRUE(player.Load(Animation({Solid(4, 10)})));
  EXPECT_TRUE(player.singleImage());
  EXPECT_FALSE(player.Start([](const GifCanvas&) { ADD_FAILURE() << "a frame was played"; }));
  EXPECT_EQ(player.state(), GifPlayer::State::Idle);
  uint32_t shown = 0;
  ASSERT_TRUE(player.WithCanvas([&](const GifCanvas& c) { shown = c.pixels()[0]; }));
  EXPECT_EQ(shown, Colour(4));
}

TEST(GifPlayer, StartDoesNothingWithoutAStreamOrWhileRunning) {
  GifPlayer player;
  EXPECT_FALSE(player.Start(nullptr));
  EXPECT_FALSE(player.Load(Bytes{'G', 'I', 'F'}));
  EXPECT_FALSE(player.Start(nullptr));
  FakeTime time;
  player.SetClock(time.Clock());
  ASSERT_TRUE(player.Load(Animation({Solid(1, 1), Solid(2, 1)})));
  ASSERT_TRUE(player.Start(time.OnFrame()));
  EXPECT_FALSE(player.Start(nullptr));
  player.Stop();
  player.Stop();  // stopping a stopped player is harmless
  ASSERT_TRUE(player.Start(time.OnFrame()));  // and it can start again
  player.Stop();
}

TEST(GifPlayer, StopIsHonouredDuringALongDelay) {
  // The real clock and a 100-second frame: the stop must not wait it out.
  GifPlayer player;
  ASSERT_TRUE(player.Load(Animation({Solid(1, 10000), Solid(2, 10000)})));
  std::atomic<int> frames{0};
  ASSERT_TRUE(player.Start([&](const GifCanvas&) { ++frames; }));
  while (frames.load() == 0) std::this_thread::yield();
  const auto before = std::chrono::steady_clock::now();
  player.Stop();
  const auto took = std::chrono::steady_clock::now() - before;
  EXPECT_LT(took, std::chrono::seconds(2));
  EXPECT_EQ(frames.load(), 1);
  EXPECT_EQ(player.state(), GifPlayer::State::Stopped);
}

TEST(GifPlayer, PaintingWaitsForTheFrameInProgress) {
  // The frame callback holds the canvas; painting must not see it meanwhile.
  GifPlayer player;
  FakeTime time;
  player.SetClock(time.Clock());
  ASSERT_TRUE(player.Load(Animation({Solid(1, 1), Solid(2, 1)})));
  std::atomic<bool> inFrame{false};
  std::atomic<bool> overlap{false};
  std::atomic<int> frames{0};
  ASSERT_TRUE(player.Start([&](const GifCanvas&) {
    inFrame = true;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
    inFrame = false;
    ++frames;
  }));
  for (int i = 0; i < 200; ++i)
    player.WithCanvas([&](const GifCanvas&) {
      if (inFrame) overlap = true;
    });
  while (frames.load() < 3) std::this_thread::yield();
  player.Stop();
  EXPECT_FALSE(overlap.load());
}

TEST(GifPlayer, DestroyingARunningPlayerStopsIt) {
  FakeTime time;
  {
    GifPlayer player;
    player.SetClock(time.Clock());
    ASSERT_TRUE(player.Load(Animation({Solid(1, 1), Solid(2, 1)})));
    ASSERT_TRUE(player.Start(time.OnFrame()));
    time.WaitFrames(2);
  }
  // The destructor joined the thread: no frame arrives afterwards.
  size_t after;
  {
    std::lock_guard lock(time.m);
    after = time.firstPixels.size();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::lock_guard lock(time.m);
  EXPECT_EQ(time.firstPixels.size(), after);
}

TEST(GifPlayer, LoadingAnotherStreamStopsTheAnimation) {
  GifPlayer player;
  FakeTime time;
  player.SetClock(time.Clock());
  ASSERT_TRUE(player.Load(Animation({Solid(1, 1), Solid(2, 1)})));
  ASSERT_TRUE(player.Start(time.OnFrame()));
  time.WaitFrames(2);
  ASSERT_TRUE(player.Load(Animation({Solid(3, 1)})));
  EXPECT_NE(player.state(), GifPlayer::State::Running);
  EXPECT_TRUE(player.singleImage());
}

TEST(GifPlayer, AdvanceStepsWithoutAThread) {
  GifPlayer player;
  ASSERT_TRUE(player.Load(Animation({Solid(1, 0), Solid(2, 7)})));
  EXPECT_EQ(player.Advance(), 50u);
  EXPECT_EQ(player.Advance(), 70u);
  uint32_t shown = 0;
  player.WithCanvas([&](const GifCanvas& c) { shown = c.pixels()[5]; });
  EXPECT_EQ(shown, Colour(2));
}

}  // namespace
}  // namespace picture
