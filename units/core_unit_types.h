// Fills the core library's 51-slot type table with this folder's unit types.
// Call once before the runtime starts (the program's executable and tests).
#pragma once

namespace units {

void InstallCoreUnitTypes();

}  // namespace units
