// CloseHandle serves handles of several areas (files, threads, events, and
// whatever other areas register); each area registers the closer of its kind.
#pragma once

#include <cstdint>

#include "platform/kernel/handle_table.h"

namespace platform {

using CloseHandler = bool (*)(uint32_t handle);
// Later registrations for the same kind replace earlier ones.
void RegisterCloseHandler(HandleKind kind, CloseHandler closer);
// Returns false (ERROR_INVALID_HANDLE) when no closer knows the handle.
bool CloseAnyHandle(uint32_t handle);

}  // namespace platform
