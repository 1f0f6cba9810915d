// Encoding window templates in the stored segment format: the template
// compiler's output, and the inverse of ParseTemplateSegment for tests.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/template/window_template.h"

namespace runtime::templates {

// Windows in map order, records in their stored order, each record laid out
// right after the previous one. Handlers are written as their stored
// offsets; the live-object placeholders of the window map are written as 0.
// Throws std::invalid_argument for what cannot be stored (a NUL inside a
// zero-terminated text).
std::vector<uint8_t> EncodeTemplateSegment(std::span<const WindowTemplate> windows);

// One record's L bytes (without the leading length word).
std::vector<uint8_t> EncodeRecordBody(const TemplateRecord& record);

}  // namespace runtime::templates
