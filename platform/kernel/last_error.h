// The calling thread's last-error value, shared by every platform area.
#pragma once

#include <cstdint>

namespace platform {

void SetLastErrorCode(uint32_t code);
uint32_t LastErrorCode();
// Maps an errno value to the nearest Win32 error code.
uint32_t ErrorFromErrno(int err);
// Sets the last error from errno and returns false, for one-line failure paths.
bool FailWithErrno();

}  // namespace platform
