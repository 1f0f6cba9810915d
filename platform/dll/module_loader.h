// How LoadLibraryA finds a library file (rules in win/kernel.h).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The file a library name names, as an absolute POSIX path (the link itself
// for a system DLL name, not its target), or "" when there is none.
std::string FindLibraryFile(std::string_view gbkName);
// The platform library's own file.
std::string PlatformLibraryPath();

}  // namespace platform
