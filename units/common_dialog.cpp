#include "units/common_dialog.h"

#include "units/placeholder_unit.h"

namespace units {

// Until this type's own unit class exists, windows that use it still load.
runtime::UnitType CommonDialogUnitType() {
    return PlaceholderUnitType("通用对话框", "CommonDlg", 0x80008040, 30);
}

}  // namespace units
