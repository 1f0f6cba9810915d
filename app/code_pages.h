// Code-page conversions through the operating system (DLL commands 1 and 2,
// MultiByteToWideChar and WideCharToMultiByte): GBK (936) and UTF-8 (65001)
// by way of UTF-16.
#pragma once

#include "app/core_calls.h"

namespace app {

constexpr uint32_t kCodePageGbk = 936;
constexpr uint32_t kCodePageUtf8 = 65001;

// The whole text converted; empty for an empty text or a failed conversion.
Text GbkToUtf8(const char* text);
Text Utf8ToGbk(const char* text);

// The text as UTF-16 bytes (from GBK), terminator included unless
// dropTerminator; an empty text gives an empty byte set.
Bytes TextToWideBytes(const char* text, bool dropTerminator);

// A new byte set of n bytes copied from data (empty for n = 0).
Bytes MakeBytes(const void* data, size_t n);

}  // namespace app
