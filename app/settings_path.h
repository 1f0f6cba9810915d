// Where the settings file lives: "\data\setsoft.ini" in the program's
// folder, with the folders it needs.
#pragma once

#include "app/core_calls.h"

namespace app {

// True when PathIsDirectoryA reports the directory attribute (16).
bool IsDirectory(const char* path);

// Creates every missing folder of the path (a "\" is appended first when
// the path does not end in one). Failures are ignored: later file
// operations then fail quietly.
void EnsureDirectory(const char* path);

// RunDirectory + "\data\setsoft.ini", after making sure RunDirectory +
// "\data" exists.
Text SettingsFilePath();

}  // namespace app
