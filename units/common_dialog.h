// The CommonDlg unit type (type number 31).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType CommonDialogUnitType();

}  // namespace units
