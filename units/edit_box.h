// The EditBox unit type (type number 5).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType EditBoxUnitType();

}  // namespace units
