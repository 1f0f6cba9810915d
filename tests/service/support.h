#pragma once
// Helpers shared by the service tests: a PNG reader (libpng's simplified
// interface, independent of the service's writer) and a bare HTTP/1.1 client
// on sockets, so tests can send exactly the bytes they mean to.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "service/renderer.h"

namespace sigtest {

std::optional<sigservice::Image> DecodePng(const std::string& bytes);

struct HttpReply {
  int status = 0;
  std::string headers;  // the raw header block
  std::string body;
};

// One request on a fresh connection; source picks the local address
// (e.g. "127.0.0.2"). Empty status on a network failure.
HttpReply Http(std::uint16_t port, const std::string& method, const std::string& path, const std::string& body = {},
               const std::string& extraHeaders = {}, const char* source = nullptr);
// Raw bytes in, whole reply out (until the server closes or 10 s pass).
std::string RawExchange(std::uint16_t port, const std::string& bytes, const char* source = nullptr);
// A connected socket, or -1.
int Connect(std::uint16_t port, const char* source = nullptr);

std::string FormBody(const std::string& text, int style, int size, const std::string& ink = "%23000000",
                     const std::string& paper = "%23FFFFFF");
std::string PercentEncodeAll(const std::string& text);  // every byte as %XX, as the desktop tool sends it
// The picture path the desktop tool would cut out of a page, or "".
std::string ScrapePath(const std::string& page);

std::uint64_t PixelHash(const sigservice::Image& image);
std::string MakeTempDir();
void RemoveTree(const std::string& dir);
std::uint64_t DirBytes(const std::string& dir, int* files = nullptr);

}  // namespace sigtest
