// The in-memory form of the window templates read from the program's
// window-template data segment.
//
// Records are kept field by field rather than as raw bytes: the loader and
// the property services reach left, flags or the live-object word by name,
// and the 64-bit handler addresses produced by relocation have no room in
// the stored 32-bit words. Encoding these structures again gives the stored
// bytes back (segment_writer.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace runtime::templates {

using WindowId = uint32_t;
using UnitId = uint32_t;

// A compiled routine of the application, as its routine table holds it. The
// runtime casts it to the handler signature before calling.
using CompiledRoutine = void (*)();

// Stored handler word meaning "no handler".
inline constexpr uint32_t kNoHandlerOffset = 0xFFFFFFFFu;

// Record flag bits of units (menu items use bit 0 for hidden, see below).
inline constexpr uint32_t kUnitVisible = 0x1;
inline constexpr uint32_t kUnitDisabled = 0x2;
inline constexpr uint32_t kUnitTabStop = 0x4;
inline constexpr uint32_t kMenuHidden = 0x1;
inline constexpr uint32_t kMenuDisabled = 0x2;
inline constexpr uint32_t kMenuChecked = 0x4;

enum class RecordKind : uint8_t { WindowUnit = 0, Unit = 1, MenuItem = 2 };

// A valid identifier has non-zero low 24 bits and a non-zero 0x0F000000 group.
constexpr bool IsValidId(uint32_t id) {
  return (id & 0x00FFFFFFu) != 0 && (id & 0x0F000000u) != 0;
}

// The kind a record has by its UnitId's top four bits; false for any other.
constexpr bool RecordKindOf(UnitId id, RecordKind& kind) {
  switch (id >> 28) {
    case 0: kind = RecordKind::WindowUnit; return true;
    case 1: kind = RecordKind::Unit; return true;
    case 2: kind = RecordKind::MenuItem; return (id & 0x0F000000u) == 0x06000000u;
    default: return false;
  }
}

struct EventHandler {
  int32_t event = 0;  // >= 0 the unit type's own events, < 0 shared events
  // As stored: an index into the application's routine table, or kNoHandlerOffset.
  uint32_t stored_offset = kNoHandlerOffset;
  // After relocation: the routine, or null for no handler.
  CompiledRoutine routine = nullptr;
};

struct TemplateRecord {
  UnitId id = 0;
  RecordKind kind = RecordKind::Unit;
  uint32_t type_code = 0;
  // The first, when non-zero, names a unit of the same type whose handlers
  // this one uses; the others are carried unread.
  std::array<uint32_t, 5> reserved{};
  std::string name;         // GBK, empty for the window unit
  std::string second_name;  // GBK, carried unread

  // --- window unit and ordinary units ---
  uint32_t live_object = 0;  // 32-bit handle of the live unit while loaded
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t cursor_handle = 0;  // 32-bit cursor handle while loaded
  UnitId parent = 0;           // 0 = the window itself
  std::vector<UnitId> children;
  std::vector<uint8_t> mouse_pointer;  // 4 zero bytes = default pointer
  std::string tag;                     // GBK
  uint32_t word_a = 0;
  uint32_t flags = 0;  // kUnitVisible / kUnitDisabled / kUnitTabStop, or kMenu* for menu items
  uint32_t word_b = 0;
  std::vector<EventHandler> events;
  std::array<uint32_t, 5> reserved_after{};
  std::vector<uint8_t> unit_data;  // StoredUnitData of the unit's type

  // --- menu items only ---
  std::array<uint32_t, 2> menu_words{};
  std::string caption;  // GBK
  EventHandler menu_handler;  // event 0, the item's single handler

  bool IsMenuItem() const { return kind == RecordKind::MenuItem; }
};

struct WindowTemplate {
  WindowId id = 0;
  uint32_t word1 = 0;  // carried, not used by loading
  uint32_t word2 = 0;  // carried, not used by loading
  std::string text1;
  std::string text2;
  // Record 0 is the window unit; the loader creates units from the last back.
  std::vector<TemplateRecord> records;

  const TemplateRecord* Find(UnitId unit) const;
  TemplateRecord* Find(UnitId unit);
};

}  // namespace runtime::templates
