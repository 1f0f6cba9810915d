#include "units/edit_box.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType EditBoxUnitType() {
    return PlaceholderUnitType("编辑框", "EditBox", 0x80000040, 29);
}

}  // namespace units
