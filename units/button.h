// The Button unit type (type number 11).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType ButtonUnitType();

}  // namespace units
