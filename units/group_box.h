// The GroupBox unit type (type number 9).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType GroupBoxUnitType();

}  // namespace units
