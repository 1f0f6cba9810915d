// The picture cache on its own and across a restart of the service: writers
// at once, the in-memory copies of recent pictures against eviction, and a
// picture served from disk by a service that never drew it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "service/cache.h"
#include "service/server.h"
#include "support.h"

using namespace sigservice;

namespace {

std::string NameOf(int i) {
  char name[33];
  std::snprintf(name, sizeof name, "%032x", i);
  return name;
}

// Distinct bytes per picture, so a mix-up between two names shows.
std::string BytesOf(int i, std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t k = 0; k < size; ++k) bytes[k] = static_cast<char>((i * 131 + static_cast<int>(k) * 7) & 0xFF);
  return bytes;
}

class ServiceCache : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = sigtest::MakeTempDir();
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { sigtest::RemoveTree(dir_); }
  std::string dir_;
};

}  // namespace

TEST_F(ServiceCache, WritersAtOnceLoseNothingAndKeepTheBound) {
  constexpr std::uint64_t kBound = 200 * 1024;
  constexpr std::size_t kSize = 5000;
  PictureCache cache(dir_ + "/cache", kBound);
  std::vector<std::thread> writers;
  std::atomic<int> refused{0};
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&, t] {
      for (int i = 0; i < 60; ++i) {
        // Every fourth name is written by all threads, the others by one.
        const int n = i % 4 == 0 ? i : t * 1000 + i;
        if (!cache.Put(NameOf(n), BytesOf(n, kSize))) ++refused;
      }
    });
  }
  for (auto& w : writers) w.join();
  EXPECT_EQ(refused, 0);
  int files = 0;
  EXPECT_LE(sigtest::DirBytes(dir_ + "/cache", &files), kBound);
  EXPECT_EQ(static_cast<std::size_t>(files), cache.Files()) << "a temporary file was left behind";
  EXPECT_EQ(cache.Bytes(), static_cast<std::uint64_t>(files) * kSize);
  // Whatever is still held is whole and is the picture of its own name.
  int held = 0;
  for (int t = 0; t < 4; ++t) {
    for (int i = 0; i < 60; ++i) {
      const int n = i % 4 == 0 ? i : t * 1000 + i;
      if (auto bytes = cache.Get(NameOf(n))) {
        ++held;
        EXPECT_EQ(*bytes, BytesOf(n, kSize)) << n;
      }
    }
  }
  EXPECT_GT(held, 0);
}

TEST_F(ServiceCache, MemoryCopiesNeverOutliveTheFiles) {
  // Room for three pictures: the fourth evicts the first although it is
  // still among the recent ones kept in memory.
  constexpr std::size_t kSize = 1000;
  PictureCache cache(dir_ + "/cache", 3 * kSize);
  for (int n = 1; n <= 3; ++n) ASSERT_TRUE(cache.Put(NameOf(n), BytesOf(n, kSize)));
  ASSERT_TRUE(cache.Get(NameOf(1)));  // a use: 2 is now the least recent
  ASSERT_TRUE(cache.Put(NameOf(4), BytesOf(4, kSize)));
  EXPECT_FALSE(cache.Get(NameOf(2)));
  for (int n : {1, 3, 4}) {
    auto bytes = cache.Get(NameOf(n));
    ASSERT_TRUE(bytes) << n;
    EXPECT_EQ(*bytes, BytesOf(n, kSize)) << n;
  }
  // Written again after its eviction, the name serves the new bytes.
  ASSERT_TRUE(cache.Put(NameOf(2), BytesOf(20, kSize)));
  auto again = cache.Get(NameOf(2));
  ASSERT_TRUE(again);
  EXPECT_EQ(*again, BytesOf(20, kSize));
  EXPECT_LE(sigtest::DirBytes(dir_ + "/cache"), 3 * kSize);
}

TEST_F(ServiceCache, AFullCacheReusesTheEvictedFileWhole) {
  constexpr std::size_t kSize = 1000;
  const std::string dir = dir_ + "/cache";
  PictureCache cache(dir, 3 * kSize);
  for (int n = 1; n <= 3; ++n) ASSERT_TRUE(cache.Put(NameOf(n), BytesOf(n, kSize)));
  struct stat before {};
  ASSERT_EQ(stat((dir + "/" + NameOf(1) + ".png").c_str(), &before), 0);
  // Smaller than the picture it replaces: nothing of the old one may remain.
  ASSERT_TRUE(cache.Put(NameOf(4), BytesOf(4, kSize / 2)));
  struct stat after {};
  ASSERT_EQ(stat((dir + "/" + NameOf(4) + ".png").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the evicted picture's file was not taken over";
  EXPECT_EQ(after.st_size, static_cast<off_t>(kSize / 2));
  EXPECT_NE(access((dir + "/" + NameOf(1) + ".png").c_str(), F_OK), 0);
  EXPECT_FALSE(cache.Get(NameOf(1)));
  auto bytes = cache.Get(NameOf(4));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, BytesOf(4, kSize / 2));
  // Larger than the one it replaces: two go, one file is taken over.
  ASSERT_TRUE(cache.Put(NameOf(5), BytesOf(5, 2 * kSize)));
  int files = 0;
  EXPECT_LE(sigtest::DirBytes(dir, &files), 3 * kSize);
  EXPECT_EQ(static_cast<std::size_t>(files), cache.Files()) << "a temporary file was left behind";
  bytes = cache.Get(NameOf(5));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, BytesOf(5, 2 * kSize));
}

TEST_F(ServiceCache, ReadersOfAFullCacheNeverGetAnotherPicturesBytes) {
  // Room for more pictures than the memory copies hold, so some reads go to
  // the files while writers keep taking evicted files over.
  constexpr std::size_t kSize = 3000;
  constexpr int kNames = 120;
  constexpr std::uint64_t kBound = 48 * kSize;
  PictureCache cache(dir_ + "/cache", kBound);
  auto bytesOf = [&](int n) { return BytesOf(n, kSize + static_cast<std::size_t>(n % 7) * 100); };
  std::atomic<bool> stop{false};
  std::atomic<int> wrong{0}, served{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 4; ++round)
        for (int n = t; n < kNames; n += 2) cache.Put(NameOf(n), bytesOf(n));
    });
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (unsigned k = static_cast<unsigned>(t); !stop; k = k * 1103515245u + 12345u) {
        const int n = static_cast<int>(k % kNames);
        if (auto bytes = cache.Get(NameOf(n))) {
          ++served;
          if (*bytes != bytesOf(n)) ++wrong;
        }
      }
    });
  threads[0].join();
  threads[1].join();
  stop = true;
  threads[2].join();
  threads[3].join();
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(served, 0);
  int files = 0;
  EXPECT_LE(sigtest::DirBytes(dir_ + "/cache", &files), kBound);
  EXPECT_EQ(static_cast<std::size_t>(files), cache.Files()) << "a temporary file was left behind";
}

// The service as a process would run it: its own cache over the folder and a
// server on a free port.
struct Service {
  static ServerOptions Options() {
    ServerOptions options;
    options.port = 0;
    options.accessLog = false;
    return options;
  }
  explicit Service(const std::string& dir) : cache(dir, 64 << 20), server(Options(), cache) {
    std::string error;
    started = server.Start(&error);
    EXPECT_TRUE(started) << error;
  }
  PictureCache cache;
  Server server;
  bool started = false;
};

TEST_F(ServiceCache, APictureIsServedFromDiskAfterARestart) {
  std::string path, original;
  {
    Service first(dir_ + "/cache");
    ASSERT_TRUE(first.started);
    auto page = sigtest::Http(first.server.Port(), "POST", "/", sigtest::FormBody("Restart \xE6\x9D\x8E", 77, 48));
    ASSERT_EQ(page.status, 200);
    path = sigtest::ScrapePath(page.body);
    ASSERT_FALSE(path.empty());
    auto picture = sigtest::Http(first.server.Port(), "GET", path);
    ASSERT_EQ(picture.status, 200);
    original = picture.body;
  }
  // A new process knows neither the request nor the bytes: only the file.
  Service second(dir_ + "/cache");
  ASSERT_TRUE(second.started);
  auto picture = sigtest::Http(second.server.Port(), "GET", path);
  ASSERT_EQ(picture.status, 200);
  EXPECT_EQ(picture.body, original);
  EXPECT_EQ(second.server.Renders(), 0u);
  EXPECT_TRUE(sigtest::DecodePng(picture.body));
}
