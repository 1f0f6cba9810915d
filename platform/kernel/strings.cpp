// lstr* functions and MulDiv.
#include <cstdint>
#include <cstring>

#include "platform/kernel/codepage.h"
#include "win/kernel.h"

WINEXPORT int lstrlenA(LPCSTR s) { return s ? static_cast<int>(std::strlen(s)) : 0; }

WINEXPORT LPSTR lstrcpyA(LPSTR d, LPCSTR s) {
    if (!d) return nullptr;
    std::strcpy(d, s ? s : "");
    return d;
}

WINEXPORT LPSTR lstrcpynA(LPSTR d, LPCSTR s, int n) {
    if (!d) return nullptr;
    if (n <= 0) return d;
    size_t len = s ? std::strlen(s) : 0;
    size_t take = len < static_cast<size_t>(n - 1) ? len : static_cast<size_t>(n - 1);
    if (take) std::memcpy(d, s, take);
    d[take] = '\0';
    return d;
}

WINEXPORT LPSTR lstrcatA(LPSTR d, LPCSTR s) {
    if (!d) return nullptr;
    std::strcat(d, s ? s : "");
    return d;
}

WINEXPORT int lstrcmpA(LPCSTR a, LPCSTR b) {
    int r = std::strcmp(a ? a : "", b ? b : "");
    return (r > 0) - (r < 0);
}

WINEXPORT int lstrcmpiA(LPCSTR a, LPCSTR b) {
    auto* p = reinterpret_cast<const unsigned char*>(a ? a : "");
    auto* q = reinterpret_cast<const unsigned char*>(b ? b : "");
    auto fold = [](unsigned char c) { return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c); };
    for (;;) {
        unsigned char c = *p, d = *q;
        if (platform::IsGbkLeadByte(c) && c == d && p[1] && q[1]) {
            // Both bytes of a double-byte character compare exactly.
            if (p[1] != q[1]) return p[1] < q[1] ? -1 : 1;
            p += 2;
            q += 2;
            continue;
        }
        unsigned char fc = fold(c), fd = fold(d);
        if (fc != fd) return fc < fd ? -1 : 1;
        if (!c) return 0;
        ++p;
        ++q;
    }
}

WINEXPORT int MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    int64_t prod = static_cast<int64_t>(nNumber) * nNumerator;
    // Rounded half away from zero, as Windows does.
    int64_t den = nDenominator;
    bool negative = (prod < 0) != (den < 0);
    uint64_t ap = prod < 0 ? static_cast<uint64_t>(-prod) : static_cast<uint64_t>(prod);
    uint64_t ad = den < 0 ? static_cast<uint64_t>(-den) : static_cast<uint64_t>(den);
    uint64_t q = (ap + ad / 2) / ad;
    if (q > (negative ? 2147483648ull : 2147483647ull)) return -1;
    return negative ? static_cast<int>(-static_cast<int64_t>(q)) : static_cast<int>(q);
}
