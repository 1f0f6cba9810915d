// A readable listing of a compiled template segment, for inspection.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace templc {

// Windows, records and each unit's stored settings by name, texts in UTF-8.
// A segment the runtime would refuse is listed as the error it gives.
std::string DumpSegment(std::span<const uint8_t> segment);

}  // namespace templc
