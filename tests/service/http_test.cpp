// The service on loopback, as the desktop tool and browsers use it: the
// reply page and its markers, pictures at "/img/..." and "//img/...", the
// samples, every refusal, the cache bound, concurrent clients and clients
// that misbehave.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "service/cache.h"
#include "service/pages.h"
#include "service/server.h"
#include "support.h"

using namespace sigservice;
using sigtest::Http;

namespace {

#ifdef SIG_SERVICE_SANITIZED
constexpr int kStyleStep = 9;
#else
constexpr int kStyleStep = 1;
#endif

class ServiceHttp : public ::testing::Test {
 protected:
  void StartServer(std::uint64_t cacheBytes = 64 << 20, ServerOptions options = {}) {
    dir_ = sigtest::MakeTempDir();
    ASSERT_FALSE(dir_.empty());
    cache_ = std::make_unique<PictureCache>(dir_ + "/cache", cacheBytes);
    options.port = 0;
    options.accessLog = false;
    if (!options.threads) options.threads = 4;
    server_ = std::make_unique<Server>(options, *cache_);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    port_ = server_->Port();
    ASSERT_NE(port_, 0);
  }
  void SetUp() override { StartServer(); }
  void TearDown() override {
    server_.reset();
    cache_.reset();
    sigtest::RemoveTree(dir_);
  }
  void Restart(std::uint64_t cacheBytes, ServerOptions options = {}) {
    TearDown();
    StartServer(cacheBytes, options);
  }

  // Posts like the desktop tool and returns the scraped path ("" if none).
  std::string Post(const std::string& text, int style, int size, const std::string& ink = "%23000000",
                   const std::string& paper = "%23FFFFFF", int* status = nullptr) {
    auto reply = Http(port_, "POST", "/", sigtest::FormBody(text, style, size, ink, paper));
    if (status) *status = reply.status;
    return reply.status == 200 ? sigtest::ScrapePath(reply.body) : std::string();
  }
  std::optional<Image> Fetch(const std::string& path) {
    auto reply = Http(port_, "GET", path);
    if (reply.status != 200) return std::nullopt;
    return sigtest::DecodePng(reply.body);
  }

  std::string dir_;
  std::unique_ptr<PictureCache> cache_;
  std::unique_ptr<Server> server_;
  std::uint16_t port_ = 0;
};

bool HasInk(const Image& image, Rgb paper) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x)
      if (!(image.At(x, y) == paper)) return true;
  return false;
}

}  // namespace

TEST_F(ServiceHttp, ReplyPageCarriesTheMarkersAndARelativePath) {
  auto reply = Http(port_, "POST", "/",
                    "text=%E7%AD%BE%E5%90%8D&ziti=7&sizes=64&fontcolor=%23FF0000&colors=%23FFFFFF&if_demo=show");
  ASSERT_EQ(reply.status, 200);
  EXPECT_NE(reply.headers.find("Content-Type: text/html; charset=utf-8"), std::string::npos);
  const std::string& page = reply.body;
  std::size_t first = page.find(kImgBefore);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(page.find(kImgBefore, first + 1), std::string::npos) << "marker twice";
  EXPECT_EQ(std::string(kImgBefore), "\"img-responsive center-block\" src=\".");
  EXPECT_EQ(std::string(kImgAfter), "\" id=\"SaveImg\" ");
  std::string path = sigtest::ScrapePath(page);
  ASSERT_EQ(path.size(), 41u) << path;
  EXPECT_EQ(path.substr(0, 5), "/img/");
  EXPECT_TRUE(IsPictureName(path.substr(5, 32))) << path;
  EXPECT_EQ(path.substr(37), ".png");
  // The page is a usable form again, holding what was asked.
  EXPECT_NE(page.find("<form method=\"post\""), std::string::npos);
  EXPECT_NE(page.find("value=\"\xE7\xAD\xBE\xE5\x90\x8D\""), std::string::npos);
}

TEST_F(ServiceHttp, PictureIsServedAtSingleAndDoubleSlash) {
  std::string path = Post("Anna \xE6\x9D\x8E", 12, 64);
  ASSERT_FALSE(path.empty());
  auto single = Http(port_, "GET", path);
  auto twice = Http(port_, "GET", "/" + path);  // base address "http://host/" + "/img/..."
  ASSERT_EQ(single.status, 200);
  ASSERT_EQ(twice.status, 200);
  EXPECT_NE(single.headers.find("Content-Type: image/png"), std::string::npos);
  EXPECT_EQ(single.body, twice.body);
  EXPECT_EQ(single.body.substr(0, 8), "\x89PNG\r\n\x1A\n");
  auto head = Http(port_, "HEAD", path);
  EXPECT_EQ(head.status, 200);
  EXPECT_TRUE(head.body.empty());
  // HTTP/1.0 without Host, as the tool's downloader sends it.
  std::string raw = sigtest::RawExchange(port_, "GET /" + path + " HTTP/1.0\r\nAccept: */*\r\n\r\n");
  EXPECT_EQ(raw.rfind("HTTP/1.0 200", 0) == 0 || raw.rfind("HTTP/1.1 200", 0) == 0, true) << raw.substr(0, 40);
}

TEST_F(ServiceHttp, IdenticalRequestsAreServedFromTheCache) {
  std::string a = Post("Li Ming", 3, 64, "%23112233", "%23FFFFFF");
  const auto rendersAfterFirst = server_->Renders();
  std::string b = Post("Li Ming", 3, 64, "%23112233", "%23ffffff");
  EXPECT_EQ(a, b);
  EXPECT_EQ(server_->Renders(), rendersAfterFirst);
  EXPECT_NE(Post("Li Ming", 4, 64), a);
  int files = 0;
  sigtest::DirBytes(dir_ + "/cache", &files);
  EXPECT_EQ(files, 2);
}

TEST_F(ServiceHttp, EveryStyleRendersChineseAndLatinThroughTheService) {
  const std::string zh = "\xE6\x9D\x8E\xE6\x98\x8E\xE5\x8D\x8E";  // 李明华
  const std::string en = "Sophie Martin";
  std::set<std::uint64_t> seen[2];
  int checked = 0;
  std::vector<std::string> failures;
  std::mutex m;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int n = 1 + t * kStyleStep; n <= kStyleCount; n += 4 * kStyleStep) {
        std::uint64_t hashes[2] = {};
        std::string problem;
        for (int i = 0; i < 2; ++i) {
          std::string path = Post(i == 0 ? zh : en, n, 64);
          auto img = path.empty() ? std::nullopt : Fetch(path);
          if (!img || !HasInk(*img, {255, 255, 255}))
            problem = "no picture for text " + std::to_string(i);
          else
            hashes[i] = sigtest::PixelHash(*img);
        }
        std::lock_guard lock(m);
        ++checked;
        if (!problem.empty()) failures.push_back("style " + std::to_string(n) + ": " + problem);
        seen[0].insert(hashes[0]);
        seen[1].insert(hashes[1]);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_TRUE(failures.empty()) << failures.front();
  EXPECT_EQ(seen[0].size(), static_cast<std::size_t>(checked));
  EXPECT_EQ(seen[1].size(), static_cast<std::size_t>(checked));
}

TEST_F(ServiceHttp, SizesAndColoursAreHonoured) {
  int heights[3] = {};
  const int sizes[3] = {32, 64, 128};
  for (int i = 0; i < 3; ++i) {
    auto img = Fetch(Post("\xE7\xAD\xBE\xE5\x90\x8D Sign", 21, sizes[i], "%23FEDCBA", "%23123456"));
    ASSERT_TRUE(img);
    heights[i] = img->height;
    const Rgb paper{0x12, 0x34, 0x56};
    EXPECT_EQ(img->At(0, 0), paper);
    EXPECT_EQ(img->At(img->width - 1, img->height - 1), paper);
    int inkPixels = 0;
    for (int y = 0; y < img->height; ++y)
      for (int x = 0; x < img->width; ++x) inkPixels += img->At(x, y) == (Rgb{0xFE, 0xDC, 0xBA});
    EXPECT_GT(inkPixels, 10);
  }
  EXPECT_LT(heights[0], heights[1]);
  EXPECT_LT(heights[1], heights[2]);
}

TEST_F(ServiceHttp, SamplesAreServedForEveryStyle) {
  std::set<std::string> bodies;
  for (int n = 1; n <= kStyleCount; ++n) {
    auto reply = Http(port_, "GET", "/img/demo/" + std::to_string(n) + ".png");
    ASSERT_EQ(reply.status, 200) << n;
    auto img = sigtest::DecodePng(reply.body);
    ASSERT_TRUE(img) << n;
    EXPECT_EQ(img->width, 186);
    EXPECT_EQ(img->height, 50);
    EXPECT_EQ(img->At(0, 0), kSamplePaper);
    bodies.insert(reply.body);
  }
  EXPECT_EQ(bodies.size(), static_cast<std::size_t>(kStyleCount));
  EXPECT_EQ(Http(port_, "GET", "//img/demo/410.png").status, 200);  // the tool's joined form
}

TEST_F(ServiceHttp, FormPageWorksFromABrowser) {
  auto reply = Http(port_, "GET", "/");
  ASSERT_EQ(reply.status, 200);
  for (const char* part : {"<form method=\"post\"", "name=\"text\"", "name=\"ziti\"", "name=\"sizes\"",
                           "name=\"fontcolor\"", "name=\"colors\"", "charset=\"utf-8\""})
    EXPECT_NE(reply.body.find(part), std::string::npos) << part;
  EXPECT_EQ(reply.body.find(kImgBefore), std::string::npos);
  // What a browser posts from that form: '+' for blanks, lower-case colour.
  auto post = Http(port_, "POST", "/", "text=Anna+Lee&ziti=2&sizes=128&fontcolor=%23aa0000&colors=%23ffffff&if_demo=show");
  ASSERT_EQ(post.status, 200);
  EXPECT_TRUE(Fetch(sigtest::ScrapePath(post.body)));
}

TEST_F(ServiceHttp, BadRequestsAreRefusedWithoutMarkers) {
  const std::string ok = "&sizes=64&fontcolor=%23000000&colors=%23FFFFFF&if_demo=show";
  const std::string tooLong = sigtest::PercentEncodeAll(std::string(101, 'x'));
  struct Case {
    std::string body;
    int status;
  } cases[] = {
      {"text=&ziti=7" + ok, 400},
      {"text=" + tooLong + "&ziti=7" + ok, 400},
      {"text=%FF%FE&ziti=7" + ok, 400},
      {"text=a&ziti=0" + ok, 400},
      {"text=a&ziti=411" + ok, 400},
      {"text=a&ziti=7&sizes=7", 400},
      {"text=a&ziti=7&sizes=257", 400},
      {"text=a&ziti=7&sizes=-1", 400},
      {"text=a&ziti=7&fontcolor=%23FFF", 400},
      {"text=a&ziti=7&colors=red", 400},
      {"text=%zz&ziti=7", 400},
      {"text=a&ziti=7&x=" + std::string(16 * 1024, 'y'), 413},
  };
  for (const auto& c : cases) {
    auto reply = Http(port_, "POST", "/", c.body);
    EXPECT_EQ(reply.status, c.status) << c.body.substr(0, 60);
    EXPECT_EQ(reply.body.find(kImgBefore), std::string::npos);
    EXPECT_LT(reply.body.size(), 1024u);
  }
  // A large body announced by Content-Length is refused before it is read.
  std::string raw = sigtest::RawExchange(
      port_, "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\ntext=");
  EXPECT_EQ(raw.substr(9, 3), "413");
  // And one sent in chunks without a length is refused once it passes the bound.
  std::string chunked = "POST / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (int i = 0; i < 20; ++i) chunked += "400\r\n" + std::string(1024, 'a') + "\r\n";
  chunked += "0\r\n\r\n";
  raw = sigtest::RawExchange(port_, chunked);
  EXPECT_EQ(raw.substr(9, 3), "413");
  EXPECT_EQ(Http(port_, "PUT", "/").status, 405);
  EXPECT_EQ(Http(port_, "POST", "/img/x.png", "text=a&ziti=1").status, 404);
}

TEST_F(ServiceHttp, AFormAtTheBoundWithLargeHeadersIsServed) {
  // Browsers send cookies and long user-agent strings: 16 KiB of headers and
  // a form of exactly 16 KiB must fit the per-connection memory.
  std::string headers;
  for (int i = 0; i < 16; ++i) headers += "X-Filler-" + std::to_string(i) + ": " + std::string(1000, 'h') + "\r\n";
  std::string body = sigtest::FormBody("Bound", 5, 64) + "&pad=";
  body += std::string(kMaxFormBytes - body.size(), 'p');
  ASSERT_EQ(body.size(), kMaxFormBytes);
  auto reply = Http(port_, "POST", "/", body, headers);
  ASSERT_EQ(reply.status, 200) << reply.body.substr(0, 200);
  std::string path = sigtest::ScrapePath(reply.body);
  ASSERT_FALSE(path.empty());
  auto picture = Http(port_, "GET", path, {}, headers);
  ASSERT_EQ(picture.status, 200);
  EXPECT_TRUE(sigtest::DecodePng(picture.body));
}

TEST_F(ServiceHttp, PathsOutsideThePictureFoldersAreNotFound) {
  std::string real = Post("Anna", 1, 32);
  ASSERT_FALSE(real.empty());
  const std::string name = real.substr(5, 32);
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const std::string& path :
       {std::string("/img/../cache/") + name + ".png", std::string("/img/%2e%2e/%2e%2e/etc/passwd"),
        std::string("/img/%2E%2E%2Fcache%2F") + name + ".png", std::string("/img/demo/../../") + name + ".png",
        std::string("/img/demo/0.png"), std::string("/img/demo/411.png"), std::string("/img/demo/01.png"),
        std::string("/img/demo/1.png%00"), std::string("/img/demo/1.png%00.txt"), std::string("/img/demo/-1.png"),
        std::string("/img/") + upper + ".png", std::string("/img/") + name, std::string("/img/") + name + ".png/",
        std::string("/img/0123456789abcdef0123456789abcdef.png"), std::string("/img/"), std::string("/favicon.ico"),
        std::string("/%00"), std::string("/etc/passwd"), std::string("/index.html"), std::string("img/demo/1.png")}) {
    auto reply = Http(port_, "GET", path);
    EXPECT_TRUE(reply.status == 404 || reply.status == 400) << path << " -> " << reply.status;
    EXPECT_EQ(reply.body.find("\x89PNG"), std::string::npos) << path;
  }
  EXPECT_EQ(Http(port_, "GET", real).status, 200);
}

TEST_F(ServiceHttp, NoRequestTextReachesAHeader) {
  const std::string injected = "x%0D%0ASet-Cookie:%20evil=1%0D%0AX-Injected:%20yes";
  auto reply = Http(port_, "POST", "/", "text=" + injected + "&ziti=5&sizes=64");
  ASSERT_EQ(reply.status, 200);
  auto bad = Http(port_, "POST", "/", "text=" + injected + "&ziti=999&sizes=64");
  EXPECT_EQ(bad.status, 400);
  auto path = Http(port_, "GET", "/img/" + injected);
  EXPECT_EQ(path.status, 404);
  for (const auto* r : {&reply, &bad, &path}) {
    EXPECT_EQ(r->headers.find("evil"), std::string::npos) << r->headers;
    EXPECT_EQ(r->headers.find("X-Injected"), std::string::npos) << r->headers;
  }
}

TEST_F(ServiceHttp, CacheStaysWithinItsBoundAndLosesNothing) {
  Restart(256 * 1024);
  std::vector<std::string> paths;
  for (int i = 0; i < 60; ++i) {
    std::string path = Post("\xE7\xAD\xBE\xE5\x90\x8D " + std::to_string(i) + " Alexander Hamilton", 1 + i * 7 % 410, 128);
    ASSERT_FALSE(path.empty()) << i;
    paths.push_back(path);
    int files = 0;
    EXPECT_LE(sigtest::DirBytes(dir_ + "/cache", &files), 256u * 1024) << i;
  }
  int files = 0;
  sigtest::DirBytes(dir_ + "/cache", &files);
  EXPECT_GT(files, 0);
  EXPECT_LT(files, 60) << "nothing was evicted; the test needs bigger pictures";
  // Evicted pictures are drawn again when asked for.
  auto first = Fetch(paths.front());
  ASSERT_TRUE(first);
  EXPECT_LE(sigtest::DirBytes(dir_ + "/cache"), 256u * 1024);
}

TEST_F(ServiceHttp, CacheIndexSurvivesARestart) {
  std::string path = Post("Restart", 9, 64);
  ASSERT_FALSE(path.empty());
  // Leave a stale temporary file, as a crash mid-write would.
  FILE* f = std::fopen((dir_ + "/cache/.tmp-abc123").c_str(), "w");
  ASSERT_TRUE(f);
  std::fclose(f);
  server_.reset();
  cache_ = std::make_unique<PictureCache>(dir_ + "/cache", 64 << 20);
  EXPECT_EQ(cache_->Files(), 1u);
  EXPECT_TRUE(cache_->Get(path.substr(5, 32)));
  EXPECT_NE(access((dir_ + "/cache/.tmp-abc123").c_str(), F_OK), 0);
}

TEST_F(ServiceHttp, EightConcurrentClientsAreAllAnsweredCorrectly) {
  std::atomic<int> good{0};
  std::vector<std::string> failures;
  std::mutex m;
  std::vector<std::thread> clients;
  for (int c = 0; c < 8; ++c) {
    clients.emplace_back([&, c] {
      for (int i = 0; i < 50; ++i) {
        const std::string text = "Client " + std::to_string(c) + " \xE7\xAD\xBE " + std::to_string(i);
        std::string path = Post(text, 1 + (c * 50 + i) % 410, 64);
        auto img = path.empty() ? std::nullopt : Fetch(path);
        if (img && img->width > 0 && img->height > 64) {
          ++good;
        } else {
          std::lock_guard lock(m);
          failures.push_back(text);
        }
      }
    });
  }
  for (auto& t : clients) t.join();
  EXPECT_EQ(good.load(), 400) << (failures.empty() ? "" : failures.front());
}

TEST_F(ServiceHttp, SlowAndGreedyClientsDoNotStopOthers) {
  ServerOptions options;
  options.perIpConnections = 8;
  options.timeoutSeconds = 3;
  Restart(64 << 20, options);
  // A client trickling a body, and more idle connections from one address
  // than it may hold.
  int slow = sigtest::Connect(port_, "127.0.0.2");
  ASSERT_GE(slow, 0);
  std::string head = "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 200\r\n\r\nte";
  ASSERT_EQ(send(slow, head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
  std::vector<int> idle;
  for (int i = 0; i < 20; ++i) {
    int fd = sigtest::Connect(port_, "127.0.0.2");
    if (fd >= 0) idle.push_back(fd);
  }
  // The greedy address gets no more than its share served...
  auto greedy = Http(port_, "GET", "/", {}, {}, "127.0.0.2");
  EXPECT_NE(greedy.status, 200);
  // ...while others are answered meanwhile, at once...
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Post("Other", 2, 32).empty());
  EXPECT_EQ(Http(port_, "GET", "/img/demo/5.png").status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500)) << "others waited for the slow client";
  // ...and the idle connections are dropped after the time-out.
  std::this_thread::sleep_for(std::chrono::milliseconds(4500));
  EXPECT_EQ(Http(port_, "GET", "/", {}, {}, "127.0.0.2").status, 200);
  for (int fd : idle) close(fd);
  close(slow);
}

TEST_F(ServiceHttp, AClientTricklingBytesIsCutAtTheRequestDeadline) {
  ServerOptions options;
  options.timeoutSeconds = 30;  // the idle time-out alone would never fire
  options.requestSeconds = 2;
  Restart(64 << 20, options);
  int fd = sigtest::Connect(port_);
  ASSERT_GE(fd, 0);
  const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Padding: aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n";
  const auto start = std::chrono::steady_clock::now();
  bool cut = false;
  for (char c : request) {
    if (send(fd, &c, 1, MSG_NOSIGNAL) != 1) {
      cut = true;
      break;
    }
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 250) > 0) {
      char buf[256];
      if (recv(fd, buf, sizeof buf, 0) <= 0) {
        cut = true;
        break;
      }
    }
  }
  close(fd);
  EXPECT_TRUE(cut) << "a request trickling for " << request.size() / 4 << " s was never cut";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
  EXPECT_GE(server_->DeadlineCuts(), 1u);
  EXPECT_EQ(Http(port_, "GET", "/").status, 200);  // and the service goes on
}
