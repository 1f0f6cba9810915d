// Any bytes as a window-template segment: read with relocation against a
// routine table, then each record's stored unit data read by its type.
// Reading must end in windows or an error, never a crash or over-read.
#include <cstddef>
#include <cstdint>
#include <span>

#include "runtime/template/segment_reader.h"
#include "runtime/template/segment_writer.h"
#include "runtime/template/stored_unit_data.h"

namespace rt = runtime::templates;

namespace {
void Routine() {}
void (*const kRoutines[16])() = {Routine, Routine, Routine, Routine, Routine, Routine,
                                 Routine, Routine, Routine, Routine, Routine, Routine,
                                 Routine, Routine, Routine, Routine};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  rt::SegmentLimits limits;
  limits.max_segment_bytes = 1 << 20;
  const rt::SegmentReadResult r = rt::ReadTemplateSegment({data, size}, kRoutines, limits);
  if (!r.ok()) {
    if (!r.windows.empty()) __builtin_trap();  // nothing half-read is handed out
    return 0;
  }
  for (const rt::WindowTemplate& w : r.windows) {
    for (const rt::TemplateRecord& rec : w.records) {
      for (const rt::EventHandler& e : rec.events)
        if (e.stored_offset != rt::kNoHandlerOffset && e.routine != Routine) __builtin_trap();
      rt::WithUnitDataType(rec.type_code, [&](auto d) { rt::ReadStoredUnitData(rec.unit_data, d); });
    }
  }
  // What was read encodes without throwing (its texts hold no NUL).
  (void)rt::EncodeTemplateSegment(r.windows);
  return 0;
}
