#include "units/colour_picker.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType ColourPickerUnitType() {
    return PlaceholderUnitType("颜色选择器", "ColorPicker", 0x80000040, 10);
}

}  // namespace units
