// Splitting a web address the way the web access routine needs it: the host
// to connect to, the port, and the path (query included) to request.
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

// Lower-cased host after "https://" or "http://" (an address without either
// is taken as http); with keepPort false, cut at its first colon.
Text HostOfAddress(const char* address, bool keepPort);
// The number after the host's last colon, else 443 for an address starting
// with "https" and 80 otherwise. Non-digits give 0.
int32_t PortOfAddress(const char* address);
// Everything from the first "/" after the host, letter case kept; "/" when
// there is none.
Text PathOfAddress(const char* address);

}  // namespace app
