// The signature service's base address: where the form is posted and what
// the scraped picture path is appended to.
#pragma once

#include "app/core_calls.h"

namespace app {

constexpr char kDefaultServiceAddress[] = "http://127.0.0.1:8731/";
constexpr char kServiceAddressVariable[] = "SIGDESIGNER_SERVICE";

// kDefaultServiceAddress, unless the environment variable names another
// http or https base address; the result always ends in "/".
Text ServiceBaseAddress();

// True when `address` can serve as a base: "http://" or "https://" (any
// letter case), a host of letters, digits, "-", "." or "_", an optional
// port 1-65535, an optional path; printable ASCII without blanks, and no
// user name, query or fragment.
bool IsUsableServiceAddress(std::string_view address);

}  // namespace app
