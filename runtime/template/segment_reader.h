// Reading the window-template data segment into window templates.
//
// One entry point, ReadTemplateSegment, takes the segment's bytes and the
// application's routine table and gives either every window, with each
// handler relocated to its routine, or one error that says where and why
// reading stopped. Nothing half-read is handed out: the caller adds the
// windows to its window table only on success and otherwise raises the
// fatal error that a malformed segment calls for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/template/window_template.h"

namespace runtime::templates {

// Caller-settable bounds; the defaults are far above what a program stores.
struct SegmentLimits {
  size_t max_segment_bytes = 16u << 20;
  uint32_t max_windows = 4096;
  uint32_t max_records_per_window = 65536;
};

enum class SegmentFault : uint8_t {
  TooLarge,           // segment above max_segment_bytes
  Truncated,          // a field reaches past the end of its block
  BadWindowMap,       // map length not a multiple of 8, or too many windows
  BadWindowId,        // invalid or repeated WindowId
  TooManyRecords,     // record count above the limit or the block's room
  BadRecordsBlock,    // block shorter than the id and offset tables
  BadRecordOffset,    // record start outside the block
  BadRecordLength,    // record length 0, past the block, or records overlapping in total
  BadUnitId,          // invalid, repeated, or of the wrong kind for its place
  UnterminatedText,   // zero-terminated text with no NUL inside its record
  BadCount,           // child or event count larger than the record
  BadParent,          // parent or child naming no unit of the window
  TrailingBytes,      // bytes after the last window
  BadHandler,         // handler offset outside the routine table
};

struct SegmentError {
  SegmentFault fault = SegmentFault::Truncated;
  size_t offset = 0;        // byte in the segment where the fault was found
  WindowId window = 0;      // the window being read, 0 before any
  UnitId unit = 0;          // the record being read, 0 outside records
  std::string Describe() const;  // ASCII, for logs and test output
};

struct SegmentReadResult {
  std::vector<WindowTemplate> windows;  // empty whenever error is set
  std::optional<SegmentError> error;
  bool ok() const { return !error.has_value(); }
};

// Reads and checks the segment, then relocates every handler: a stored
// offset k becomes routines[k], kNoHandlerOffset becomes null, and any other
// offset is a BadHandler error.
SegmentReadResult ReadTemplateSegment(std::span<const uint8_t> segment,
                                      std::span<const CompiledRoutine> routines,
                                      const SegmentLimits& limits = {});

// The same reading without relocation: handlers keep their stored offsets
// and null routines. For tools and tests that look at stored data.
SegmentReadResult ParseTemplateSegment(std::span<const uint8_t> segment,
                                       const SegmentLimits& limits = {});

const char* SegmentFaultName(SegmentFault fault);

}  // namespace runtime::templates
