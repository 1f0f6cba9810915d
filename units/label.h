// The Label unit type (type number 10).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType LabelUnitType();

}  // namespace units
