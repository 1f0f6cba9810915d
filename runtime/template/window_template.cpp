#include "runtime/template/window_template.h"

#include <utility>

namespace runtime::templates {

// The window unit is always record 0 and is asked for most often, so it is
// found without a search; the rest by a linear search of the ids.
const TemplateRecord* WindowTemplate::Find(UnitId unit) const {
  if (!records.empty() && records.front().id == unit) return &records.front();
  for (const TemplateRecord& r : records)
    if (r.id == unit) return &r;
  return nullptr;
}

TemplateRecord* WindowTemplate::Find(UnitId unit) {
  return const_cast<TemplateRecord*>(std::as_const(*this).Find(unit));
}

}  // namespace runtime::templates
