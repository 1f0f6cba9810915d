#include "units/group_box.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType GroupBoxUnitType() {
    return PlaceholderUnitType("分组框", "GroupBox", 0x840140C0, 13);
}

}  // namespace units
