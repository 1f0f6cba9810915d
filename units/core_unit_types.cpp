#include "units/core_unit_types.h"

#include "libraries/core/core_library.h"
#include "units/button.h"
#include "units/colour_picker.h"
#include "units/combo_box.h"
#include "units/common_dialog.h"
#include "units/edit_box.h"
#include "units/group_box.h"
#include "units/label.h"
#include "units/picture_box.h"
#include "units/progress_bar.h"
#include "units/scroll_bar.h"
#include "units/window_unit.h"

namespace units {

void InstallCoreUnitTypes() {
    core::InstallCoreUnitType(1, WindowUnitType());
    core::InstallCoreUnitType(5, EditBoxUnitType());
    core::InstallCoreUnitType(6, PictureBoxUnitType());
    core::InstallCoreUnitType(9, GroupBoxUnitType());
    core::InstallCoreUnitType(10, LabelUnitType());
    core::InstallCoreUnitType(11, ButtonUnitType());
    core::InstallCoreUnitType(14, ComboBoxUnitType());
    core::InstallCoreUnitType(18, ScrollBarUnitType());
    core::InstallCoreUnitType(19, ProgressBarUnitType());
    core::InstallCoreUnitType(28, ColourPickerUnitType());
    core::InstallCoreUnitType(31, CommonDialogUnitType());
}

}  // namespace units
