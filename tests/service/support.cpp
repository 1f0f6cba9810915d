#include "support.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <png.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "service/pages.h"

namespace sigtest {

std::optional<sigservice::Image> DecodePng(const std::string& bytes) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  sigservice::Image out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  return out;
}

int Connect(std::uint16_t port, const char* source) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (source) {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    inet_pton(AF_INET, source, &local.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
      close(fd);
      return -1;
    }
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

std::string RawExchange(std::uint16_t port, const std::string& bytes, const char* source) {
  int fd = Connect(port, source);
  if (fd < 0) return {};
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  std::string reply;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  char buf[65536];
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    reply.append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  return reply;
}

HttpReply Http(std::uint16_t port, const std::string& method, const std::string& path, const std::string& body,
               const std::string& extraHeaders, const char* source) {
  std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + extraHeaders;
  if (method == "POST")
    request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\n";
  request += "\r\n" + body;
  std::string raw = RawExchange(port, request, source);
  HttpReply reply;
  std::size_t end = raw.find("\r\n\r\n");
  if (raw.rfind("HTTP/1.", 0) != 0 || end == std::string::npos) return reply;
  reply.status = std::atoi(raw.c_str() + 9);
  reply.headers = raw.substr(0, end + 2);
  reply.body = raw.substr(end + 4);
  return reply;
}

std::string PercentEncodeAll(const std::string& text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

std::string FormBody(const std::string& text, int style, int size, const std::string& ink, const std::string& paper) {
  return "text=" + PercentEncodeAll(text) + "&ziti=" + std::to_string(style) + "&sizes=" + std::to_string(size) +
         "&fontcolor=" + ink + "&colors=" + paper + "&if_demo=show";
}

std::string ScrapePath(const std::string& page) {
  std::size_t a = page.find(sigservice::kImgBefore);
  if (a == std::string::npos) return {};
  a += sigservice::kImgBefore.size();
  std::size_t b = page.find(sigservice::kImgAfter, a);
  if (b == std::string::npos) return {};
  return page.substr(a, b - a);
}

std::uint64_t PixelHash(const sigservice::Image& image) {
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&](std::uint8_t b) {
    h ^= b;
    h *= 1099511628211ull;
  };
  for (int i = 0; i < 4; ++i) mix(static_cast<std::uint8_t>(image.width >> (8 * i)));
  for (int i = 0; i < 4; ++i) mix(static_cast<std::uint8_t>(image.height >> (8 * i)));
  for (std::uint8_t b : image.rgb) mix(b);
  return h;
}

std::string MakeTempDir() {
  char tmpl[] = "/tmp/sigservice-test-XXXXXX";
  char* dir = mkdtemp(tmpl);
  return dir ? dir : "";
}

void RemoveTree(const std::string& dir) {
  if (dir.empty()) return;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      std::string path = dir + "/" + name;
      struct stat st {};
      if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        RemoveTree(path);
      else
        unlink(path.c_str());
    }
    closedir(d);
  }
  rmdir(dir.c_str());
}

std::uint64_t DirBytes(const std::string& dir, int* files) {
  std::uint64_t total = 0;
  int count = 0;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string path = dir + "/" + e->d_name;
      struct stat st {};
      if (lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        total += static_cast<std::uint64_t>(st.st_size);
        ++count;
      }
    }
    closedir(d);
  }
  if (files) *files = count;
  return total;
}

}  // namespace sigtest
