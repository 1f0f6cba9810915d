// Address splitting as InternetCrackUrlA does it, in pointer and copy form,
// plus the header and wire-encoding helpers that see outside text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/inet/header_text.h"
#include "platform/inet/url_parts.h"
#include "win/wininet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    uint8_t mode = data[0];
    std::string url(reinterpret_cast<const char*>(data + 1), size - 1);

    // Pointer form: every part must lie inside the address.
    URL_COMPONENTSA u{};
    u.dwStructSize = sizeof u;
    u.dwSchemeLength = u.dwHostNameLength = u.dwUserNameLength = u.dwPasswordLength = u.dwUrlPathLength =
        u.dwExtraInfoLength = 1;
    const char* begin = url.c_str();
    const char* end = begin + std::strlen(begin);
    if (InternetCrackUrlA(begin, (mode & 1) ? static_cast<DWORD>(url.size()) : 0, 0, &u)) {
        const char* parts[] = {u.lpszScheme, u.lpszHostName, u.lpszUserName, u.lpszPassword, u.lpszUrlPath,
                               u.lpszExtraInfo};
        DWORD lens[] = {u.dwSchemeLength, u.dwHostNameLength, u.dwUserNameLength, u.dwPasswordLength,
                        u.dwUrlPathLength, u.dwExtraInfoLength};
        for (int i = 0; i < 6; ++i)
            if (parts[i] < begin || parts[i] + lens[i] > end) __builtin_trap();
    }

    // Copy form with small, exact buffers, decoding or not.
    std::vector<char> bufs(6 * 16);
    URL_COMPONENTSA c{};
    c.dwStructSize = sizeof c;
    DWORD cap = 1 + (mode >> 4);
    c.lpszScheme = &bufs[0];
    c.dwSchemeLength = cap;
    c.lpszHostName = &bufs[16];
    c.dwHostNameLength = cap;
    c.lpszUserName = &bufs[32];
    c.dwUserNameLength = cap;
    c.lpszPassword = &bufs[48];
    c.dwPasswordLength = cap;
    c.lpszUrlPath = &bufs[64];
    c.dwUrlPathLength = cap;
    c.lpszExtraInfo = &bufs[80];
    c.dwExtraInfoLength = cap;
    InternetCrackUrlA(begin, 0, (mode & 2) ? ICU_DECODE : 0, &c);

    std::string wire = platform::inet::EncodeForWire(url);
    for (char ch : wire)
        if (static_cast<unsigned char>(ch) <= 0x20 || static_cast<unsigned char>(ch) >= 0x7F) __builtin_trap();
    (void)platform::inet::PercentDecode(url);
    for (const std::string& line : platform::inet::SplitHeaderLines(url))
        if (line.find_first_of("\r\n") != std::string::npos) __builtin_trap();
    (void)platform::inet::FindHeaderValue(url, "Set-Cookie", mode);
    (void)platform::inet::StatusReason(url);
    return 0;
}
