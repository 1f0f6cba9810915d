// HttpGetBytes: downloads an address with GET and hands back the body bytes,
// whatever the status and also when the transfer broke off.
#pragma once

#include <string_view>

#include "runtime/values.h"

namespace internet {

// The body as a byte set on the runtime heap (null when nothing arrived).
void* HttpGetBytes(std::string_view url);

// The library command: HttpGetBytes(url text) -> byte set.
void CmdHttpGetBytes(runtime::ArgRecord* result, int32_t argCount, runtime::ArgRecord* args);

}  // namespace internet
