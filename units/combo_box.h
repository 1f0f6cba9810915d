// The ComboBox unit type (type number 14).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType ComboBoxUnitType();

}  // namespace units
