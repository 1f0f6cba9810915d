// Header texts: the caller's CRLF-separated header lines going out, and the
// reply's header block coming back. Pure functions over bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::inet {

// Splits a caller's header text into lines. CR and LF both end a line, so no
// bare CR or LF can reach the wire inside a line; empty lines, lines without
// a ':' or with nothing before it, and folded continuation lines are dropped.
std::vector<std::string> SplitHeaderLines(std::string_view text);

// The name of a header line (before the ':'), or empty.
std::string_view HeaderName(std::string_view line);
bool SameHeaderName(std::string_view a, std::string_view b);

// The header name an HttpQueryInfoA level stands for, or empty for levels
// that are not a plain reply header.
std::string_view NameOfQueryLevel(uint32_t level);

// The value (blanks trimmed) of the index-th header named name in a block
// of CRLF-ended lines whose first line is the status line.
std::optional<std::string> FindHeaderValue(std::string_view block, std::string_view name, uint32_t index);

// Parts of the block's status line "HTTP/1.1 200 OK".
std::string StatusVersion(std::string_view block);
std::string StatusCodeText(std::string_view block);
std::string StatusReason(std::string_view block);

}  // namespace platform::inet
