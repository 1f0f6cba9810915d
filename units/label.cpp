#include "units/label.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType LabelUnitType() {
    return PlaceholderUnitType("标签", "Label", 0x84012040, 29);
}

}  // namespace units
