#include "units/scroll_bar.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType ScrollBarUnitType() {
    return PlaceholderUnitType("纵向滚动条", "VScrollBar", 0x80020040, 14);
}

}  // namespace units
