// StoredUnitData of any unit type: the first byte picks the type, the rest
// is the stream. A stream that is read must write back and read again to
// the same values.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

#include "runtime/template/stored_unit_data.h"

namespace rt = runtime::templates;

namespace {
constexpr uint32_t kTypes[] = {0x10001, 0x10005, 0x10006, 0x10009, 0x1000A, 0x1000B,
                               0x1000E, 0x10012, 0x10013, 0x1001C, 0x1001F};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t type = kTypes[data[0] % std::size(kTypes)];
  const std::span<const uint8_t> stream(data + 1, size - 1);
  rt::WithUnitDataType(type, [&](auto d) {
    using T = decltype(d);
    if (!rt::ReadStoredUnitData(stream, d)) return;
    const std::vector<uint8_t> written = rt::WriteStoredUnitData(d);
    T again;
    if (!rt::ReadStoredUnitData(written, again) || rt::WriteStoredUnitData(again) != written)
      __builtin_trap();
  });
  return 0;
}
