// Started by the settings test from a copy placed in a temporary program
// folder: starts a runtime with the program's DLL declarations and prints
// what SettingsFilePath gives (GBK) and whether its folder is now a folder.
#include <cstdio>

#include "app/core_calls.h"
#include "app/settings_path.h"
#include "compiled_program.h"
#include "libraries/core/core_library.h"
#include "runtime/application.h"

int main() {
    const runtime::LibraryInfo* libraries[] = {&core::CoreLibraryInfo()};
    runtime::ProgramHeader header{.kind = compiled_program::kProgramKind,
                                  .libraryCount = 1,
                                  .libraries = libraries,
                                  .dllCount = compiled_program::kDllCount,
                                  .dllCommands = compiled_program::kDllCommands};
    runtime::Application::Instance().SetProgram(&header);
    app::Rt().RuntimeService(runtime::kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
    {
        app::Text first = app::SettingsFilePath();
        app::Text second = app::SettingsFilePath();
        app::Text run = app::CoreText(core::kRunDirectory, {});
        app::Text data = app::Text::Join({run.view(), "\\data"});
        std::printf("%s\n%s\n%d\n", first.get() ? first.get() : "", second.get() ? second.get() : "",
                    app::IsDirectory(data.get()) ? 1 : 0);
    }
    std::fflush(stdout);
    runtime::Application::Instance().Reset();
    return 0;
}
