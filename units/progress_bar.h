// The ProcessBar unit type (type number 19).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType ProgressBarUnitType();

}  // namespace units
