// The "dump" step: one JSON object per line for a window and every window
// under it, so a test or a support request can see the tree as the program
// built it without a display.
#pragma once

#include <string>
#include <string_view>

#include "win/types.h"

namespace platform::automation {

// A JSON string literal (quotes included) for UTF-8 text; control
// characters, quotes and backslashes are escaped.
std::string JsonString(std::string_view utf8);

// One line (without the newline) describing a native window.
std::string DescribeWindow(HWND h);

// Writes h and its descendants, depth first, each parent's children from the
// top of the z-order down. *why tells why on failure.
bool DumpWindowTree(HWND h, const std::string& path, std::string* why);

}  // namespace platform::automation
