// GetSpecialFolder: a well-known folder by code, in Windows form with a
// trailing backslash so that callers can append a file name.
//
//   1 documents    2 favourites    3 desktop        4 fonts
//   5 start menu   6 programs      7 start-up       8 application data
//   9 the Windows folder   10 the system folder   11 the temporary folder
//
// On Linux these are the platform's counterparts (XDG user folders, the
// fonts and applications folders, ...); any other code gives empty text.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/values.h"

namespace os {

constexpr int32_t kFirstFolderCode = 1, kLastFolderCode = 11;

// The folder path, or empty for an unknown code or a failed lookup.
std::string SpecialFolder(int32_t code);

// The library command: GetSpecialFolder(code integer) -> text.
void CmdGetSpecialFolder(runtime::ArgRecord* result, int32_t argCount, runtime::ArgRecord* args);

}  // namespace os
