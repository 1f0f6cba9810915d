// The ColorPicker unit type (type number 28).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType ColourPickerUnitType();

}  // namespace units
