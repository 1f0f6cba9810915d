// A small 1-bit BMP file built in memory, for tests that need a real
// picture to measure, download or save.
#pragma once

#include <cstdint>
#include <string>

namespace sigtest {

// w x h, bottom-up, rows padded to 4 bytes, a black and white colour table;
// the pixel bytes vary so that a copy can be told from a blank.
inline std::string OneBitBmp(int32_t w, int32_t h) {
    uint32_t row = ((static_cast<uint32_t>(w) + 31) / 32) * 4;
    uint32_t pixels = row * static_cast<uint32_t>(h);
    std::string b = "BM";
    auto u16 = [&](uint16_t v) { b.append(reinterpret_cast<const char*>(&v), 2); };
    auto u32 = [&](uint32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    u32(14 + 40 + 8 + pixels);
    u32(0);
    u32(14 + 40 + 8);
    u32(40);
    u32(static_cast<uint32_t>(w));
    u32(static_cast<uint32_t>(h));
    u16(1);
    u16(1);
    u32(0);
    u32(pixels);
    u32(2835);
    u32(2835);
    u32(2);
    u32(0);
    u32(0x00000000);
    u32(0x00FFFFFF);
    for (uint32_t i = 0; i < pixels; ++i) b += static_cast<char>(i * 7);
    return b;
}

}  // namespace sigtest
