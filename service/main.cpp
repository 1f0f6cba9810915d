// sigservice: renders signature pictures for the desktop tool and for
// browsers. See --help.
#include <fontconfig/fontconfig.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "service/cache.h"
#include "service/renderer.h"
#include "service/server.h"

namespace {

constexpr const char* kHelp =
    "Usage: sigservice [options]\n"
    "Renders signature pictures in 410 lettering styles over HTTP.\n"
    "\n"
    "  --port N            port to listen on (default 8731; 0 picks a free one,\n"
    "                      printed on the first line of standard output)\n"
    "  --bind ADDR         numeric IPv4 or IPv6 address (default 127.0.0.1)\n"
    "  --cache-dir DIR     folder for rendered pictures (default\n"
    "                      $XDG_CACHE_HOME/sigservice, else ~/.cache/sigservice)\n"
    "  --cache-max-mb N    size bound of that folder in MiB (default 256)\n"
    "  --threads N         worker threads (default: one per core, at least 2)\n"
    "  --max-connections N connections served at once (default 256)\n"
    "  --per-ip N          connections from one address at once (default 32)\n"
    "  --timeout S         seconds an idle connection is kept (default 10)\n"
    "  --request-timeout S seconds one request may take, however slowly its\n"
    "                      bytes trickle in (default 30)\n"
    "  --quiet             no access log\n"
    "  --write-demos DIR   write the 410 style samples as DIR/1.png .. DIR/410.png\n"
    "                      and exit\n"
    "  --help              this text\n"
    "\n"
    "POST / with text, ziti (1-410), sizes (8-256), fontcolor and colors (#RRGGBB)\n"
    "answers a page holding the picture; GET /img/NAME.png serves it and\n"
    "GET /img/demo/N.png the sample of style N. Every picture is at most\n"
    "4096 x 1024 pixels. One access-log line per request goes to standard error;\n"
    "SIGTERM or SIGINT stops the service cleanly.\n";

bool ParseNumber(const char* text, unsigned long max, unsigned long* out) {
  std::string_view s(text);
  unsigned long v = 0;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || p != s.data() + s.size() || v > max) return false;
  *out = v;
  return true;
}

int WriteDemos(const std::string& dir) {
  mkdir(dir.c_str(), 0755);
  for (int n = 1; n <= sigservice::kStyleCount; ++n) {
    std::string png = sigservice::EncodePng(sigservice::RenderSample(n));
    std::string path = dir + "/" + std::to_string(n) + ".png";
    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(png.data(), 1, png.size(), f) == png.size();
    ok = (f && std::fclose(f) == 0) && ok;
    if (!ok || png.empty()) {
      std::fprintf(stderr, "sigservice: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  std::printf("wrote %d samples to %s\n", sigservice::kStyleCount, dir.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  sigservice::ServerOptions options;
  std::string cacheDir = sigservice::DefaultCacheDir();
  unsigned long cacheMb = 256;
  std::string demosDir;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "sigservice: %s needs a value (see --help)\n", argv[i]);
        std::exit(2);
      }
      return argv[++i];
    };
    auto number = [&](unsigned long min, unsigned long max) {
      const char* name = argv[i];
      const char* text = value();
      unsigned long v = 0;
      if (!ParseNumber(text, max, &v) || v < min) {
        std::fprintf(stderr, "sigservice: %s wants a number from %lu to %lu\n", name, min, max);
        std::exit(2);
      }
      return v;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (arg == "--port") {
      options.port = static_cast<std::uint16_t>(number(0, 65535));
    } else if (arg == "--bind") {
      options.bind = value();
    } else if (arg == "--cache-dir") {
      cacheDir = value();
    } else if (arg == "--cache-max-mb") {
      cacheMb = number(1, 1 << 20);
    } else if (arg == "--threads") {
      options.threads = static_cast<unsigned>(number(1, 256));
    } else if (arg == "--max-connections") {
      options.maxConnections = static_cast<unsigned>(number(1, 100000));
    } else if (arg == "--per-ip") {
      options.perIpConnections = static_cast<unsigned>(number(0, 100000));
    } else if (arg == "--timeout") {
      options.timeoutSeconds = static_cast<unsigned>(number(1, 3600));
    } else if (arg == "--request-timeout") {
      options.requestSeconds = static_cast<unsigned>(number(1, 3600));
    } else if (arg == "--quiet") {
      options.accessLog = false;
    } else if (arg == "--write-demos") {
      demosDir = value();
    } else {
      std::fprintf(stderr, "sigservice: unknown option %s (see --help)\n", argv[i]);
      return 2;
    }
  }

  FcInit();
  if (auto missing = sigservice::MissingFamilies(); !missing.empty()) {
    for (const auto& family : missing) std::fprintf(stderr, "sigservice: font family \"%s\" is not installed\n", family.c_str());
    std::fprintf(stderr, "sigservice: install the font packages listed in deps/debian-packages.txt\n");
    return 3;
  }
  if (!demosDir.empty()) return WriteDemos(demosDir);

  // A full disk must show up as a failed write, not end the process.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);  // before any thread starts, so sigwait gets them

  try {
    sigservice::PictureCache cache(cacheDir, static_cast<std::uint64_t>(cacheMb) << 20);
    sigservice::Server server(options, cache);
    std::string error;
    if (!server.Start(&error)) {
      std::fprintf(stderr, "sigservice: %s\n", error.c_str());
      return 1;
    }
    const bool v6 = options.bind.find(':') != std::string::npos;
    std::printf("sigservice listening on http://%s%s%s:%u/ (cache %s, %lu MiB)\n", v6 ? "[" : "", options.bind.c_str(),
                v6 ? "]" : "", server.Port(), cache.Dir().c_str(), cacheMb);
    std::fflush(stdout);
    int sig = 0;
    sigwait(&stop, &sig);
    std::fprintf(stderr, "sigservice: %s received, stopping\n", sig == SIGINT ? "SIGINT" : "SIGTERM");
    server.Stop();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "sigservice: %s\n", e.what());
    return 1;
  }
  return 0;
}
