// The image-size functions of GDI+: start-up bookkeeping, images as handles
// that keep a measured size, loading from files and from our memory streams.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/imaging/gdiplus_internal.h"
#include "platform/imaging/image_header.h"
#include "platform/imaging/ole_stream.h"
#include "platform/kernel/handle_table.h"
#include "win/gdiplus.h"

using namespace Gdiplus;

namespace platform {
namespace {

struct GdipImageObject {
    ImageHeader header;
};

HandleTable<GdipImageObject>& Images() {
    static auto* t = new HandleTable<GdipImageObject>(HandleKind::GdiplusImage);
    return *t;
}

// Start-up is counted by token: images may be used while any start-up is in
// effect.
struct Startups {
    std::mutex mu;
    std::set<ULONG_PTR> tokens;
    ULONG_PTR next = 1;
};

Startups& State() {
    static auto* s = new Startups;
    return *s;
}

// A file is measured from its first bytes; no header we read needs more than
// this before its pixel data starts.
constexpr size_t kFileHeadBytes = size_t{16} << 20;
// Longest path the wide functions take, in UTF-16 units.
constexpr size_t kMaxPathUnits = 32767;

GpImage* ToPointer(uint32_t handle) { return reinterpret_cast<GpImage*>(static_cast<uintptr_t>(handle)); }

std::shared_ptr<GdipImageObject> Lookup(GpImage* image) {
    const auto value = reinterpret_cast<uintptr_t>(image);
    if (value == 0 || value > UINT32_MAX) return nullptr;
    return Images().Get(static_cast<uint32_t>(value));
}

GpStatus AddImage(const ImageHeader& header, GpImage** image) {
    auto obj = std::make_shared<GdipImageObject>();
    obj->header = header;
    const uint32_t h = Images().Add(std::move(obj));
    if (!h) return OutOfMemory;
    *image = ToPointer(h);
    return Ok;
}

Status NotificationHook(ULONG_PTR* token) {
    if (!token) return InvalidParameter;
    *token = 1;
    return Ok;
}
void NotificationUnhook(ULONG_PTR) {}

// NUL-terminated UTF-16 to UTF-8; false for an unpaired surrogate or a name
// without a terminator within the longest path.
bool WideToUtf8(const WCHAR* s, std::string* out) {
    out->clear();
    for (size_t i = 0;; ++i) {
        if (i > kMaxPathUnits) return false;
        uint32_t c = s[i];
        if (c == 0) return true;
        if (c >= 0xD800 && c <= 0xDBFF) {
            const uint32_t low = s[i + 1];
            if (low < 0xDC00 || low > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            return false;
        }
        if (c < 0x80) {
            out->push_back(char(c));
        } else if (c < 0x800) {
            out->push_back(char(0xC0 | (c >> 6)));
            out->push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out->push_back(char(0xE0 | (c >> 12)));
            out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out->push_back(char(0x80 | (c & 0x3F)));
        } else {
            out->push_back(char(0xF0 | (c >> 18)));
            out->push_back(char(0x80 | ((c >> 12) & 0x3F)));
            out->push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out->push_back(char(0x80 | (c & 0x3F)));
        }
    }
}

// The kernel's path rules on a UTF-8 name: a drive prefix is dropped and
// either separator becomes '/'. (In UTF-8 a '\' byte is always the character.)
std::string PosixPathFromWindows(std::string path) {
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
        path.erase(0, 2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

GpStatus StatusFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP: return FileNotFound;
        case EACCES:
        case EPERM:
        case EISDIR: return AccessDenied;
        case ENOMEM: return OutOfMemory;
        default: return Win32Error;
    }
}

// Reads the file's first bytes and learns its full length.
GpStatus ReadFileHead(const std::string& path, std::vector<uint8_t>* head, uint64_t* size) {
    // Non-blocking, so that opening a FIFO cannot wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return StatusFromErrno(errno);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return AccessDenied;  // a folder or a device is no picture file
    }
    const uint64_t length = uint64_t(st.st_size);
    head->resize(size_t(std::min<uint64_t>(length, kFileHeadBytes)));
    size_t got = 0;
    while (got < head->size()) {
        const ssize_t n = read(fd, head->data() + got, head->size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            close(fd);
            return Win32Error;
        }
        if (n == 0) break;  // the file shrank while we read it
        got += size_t(n);
    }
    close(fd);
    *size = got < head->size() ? got : length;
    head->resize(got);
    return Ok;
}

bool Running() { return !State().tokens.empty(); }

}  // namespace

size_t LiveGdiplusImageCount() { return Images().Count(); }
}  // namespace platform

using namespace platform;

WINEXPORT GpStatus GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, GdiplusStartupOutput* output) {
    if (!token || !input) return InvalidParameter;
    if (input->GdiplusVersion != 1 && input->GdiplusVersion != 2) return UnsupportedGdiplusVersion;
    if (input->SuppressBackgroundThread && !output) return InvalidParameter;
    Startups& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (output) {
        output->NotificationHook = input->SuppressBackgroundThread ? NotificationHook : nullptr;
        output->NotificationUnhook = input->SuppressBackgroundThread ? NotificationUnhook : nullptr;
    }
    const ULONG_PTR t = s.next++;
    s.tokens.insert(t);
    *token = t;
    return Ok;
}

WINEXPORT void GdiplusShutdown(ULONG_PTR token) {
    Startups& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!s.tokens.erase(token) || !s.tokens.empty()) return;
    // No image outlives GDI+: later use of one is refused, not followed.
    std::vector<uint32_t> live;
    Images().ForEach([&](uint32_t h, const std::shared_ptr<GdipImageObject>&) { live.push_back(h); });
    for (uint32_t h : live) Images().Remove(h);
}

WINEXPORT GpStatus GdipLoadImageFromFile(const WCHAR* filename, GpImage** image) {
    if (image) *image = nullptr;
    Startups& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!Running()) return GdiplusNotInitialized;
    if (!filename || !image) return InvalidParameter;
    std::string utf8;
    if (!WideToUtf8(filename, &utf8) || utf8.empty()) return InvalidParameter;
    std::vector<uint8_t> head;
    uint64_t size = 0;
    const GpStatus read = ReadFileHead(PosixPathFromWindows(std::move(utf8)), &head, &size);
    if (read != Ok) return read;
    ImageHeader header;
    if (!ReadImageHeader({head, size}, &header)) return OutOfMemory;
    return AddImage(header, image);
}

WINEXPORT GpStatus GdipLoadImageFromStream(IStream* stream, GpImage** image) {
    if (image) *image = nullptr;
    Startups& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!Running()) return GdiplusNotInitialized;
    if (!stream || !image) return InvalidParameter;
    bool measured = false;
    ImageHeader header;
    if (!UseStreamRemainder(stream, [&](std::span<const uint8_t> bytes) {
            measured = ReadImageHeader(ImageBytes::Whole(bytes), &header);
        }))
        return InvalidParameter;
    if (!measured) return OutOfMemory;
    return AddImage(header, image);
}

WINEXPORT GpStatus GdipGetImageWidth(GpImage* image, UINT* width) {
    Startups& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!Running()) return GdiplusNotInitialized;
    auto obj = Lookup(image);
    if (!obj || !width) return InvalidParameter;
    *width = obj->header.width;
    return Ok;
}

WINEXPORT GpStatus GdipGetImageHeight(GpImage* image, UINT* height) {
    Startups& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!Running()) return GdiplusNotInitialized;
    auto obj = Lookup(image);
    if (!obj || !height) return InvalidParameter;
    *height = obj->header.height;
    return Ok;
}

WINEXPORT GpStatus GdipDisposeImage(GpImage* image) {
    Startups& s = State();
    std::lock_guard<std::mutex> lock(s.mu);
    if (!Running()) return GdiplusNotInitialized;
    const auto value = reinterpret_cast<uintptr_t>(image);
    if (value == 0 || value > UINT32_MAX || !Images().Remove(static_cast<uint32_t>(value))) return InvalidParameter;
    return Ok;
}
