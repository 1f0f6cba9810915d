// The VScrollBar unit type (type number 18).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType ScrollBarUnitType();

}  // namespace units
