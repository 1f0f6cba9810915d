#include "units/button.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType ButtonUnitType() {
    return PlaceholderUnitType("按钮", "Button", 0x80000840, 14);
}

}  // namespace units
