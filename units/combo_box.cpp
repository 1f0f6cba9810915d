#include "units/combo_box.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType ComboBoxUnitType() {
    return PlaceholderUnitType("组合框", "ComboBox", 0x80000240, 25);
}

}  // namespace units
