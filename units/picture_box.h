// The PicBox unit type (type number 6).
#pragma once

#include "runtime/program_data.h"

namespace units {

runtime::UnitType PictureBoxUnitType();

}  // namespace units
