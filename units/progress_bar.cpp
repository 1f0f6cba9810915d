#include "units/progress_bar.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType ProgressBarUnitType() {
    return PlaceholderUnitType("进度条", "ProcessBar", 0x84010040, 14);
}

}  // namespace units
