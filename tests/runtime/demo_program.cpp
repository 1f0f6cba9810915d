// A small compiled program that proves the start-up and exit path through
// the runtime's own main(): it starts the runtime, registers three exit
// routines, calls a core command, and ends by returning from the entry
// routine, by ExitProgram, or by a fatal error, as SIG_DEMO_END says.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "libraries/core/core_library.h"
#include "runtime/entry_table.h"
#include "runtime/main/program_main.h"

namespace {

using namespace runtime;

void ExitRoutine(int32_t index) { std::printf("exit routine %d\n", index); }
void ExitRoutineB(int32_t index) { std::printf("exit routine b %d\n", index); }
void ExitRoutineC(int32_t index) { std::printf("exit routine c %d\n", index); }

intptr_t DemoLibraryNotify(int32_t message, uintptr_t, uintptr_t) {
    std::printf("library message %d\n", message);
    return 0;
}

const LibraryInfo kDemoLibrary{.formatMarker = kLibraryFormatMarker, .notify = DemoLibraryNotify};
const LibraryInfo* const kLibraries[] = {&core::CoreLibraryInfo(), nullptr, &kDemoLibrary};
const ProgramHeader kHeader{.kind = 3, .kept3 = 93248, .libraryCount = 3, .libraries = kLibraries};

int Entry() {
    const RuntimeEntryTable& rt = EntryTable();
    rt.RuntimeService(kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
    rt.RuntimeService(kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(&ExitRoutine), 0, 0, 0, 0, 0);
    rt.RuntimeService(kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(&ExitRoutineB), 0, 0, 0, 0, 0);
    rt.RuntimeService(kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(&ExitRoutineC), 0, 0, 0, 0, 0);

    ArgRecord args[1] = {MakeIntArg(1234)};
    ArgRecord text = rt.CallCoreCommand(core::kCoreCommands[core::kToText], 1, args, 0);
    std::printf("text %s\n", ArgPointer<const char>(text));
    rt.FreeMemory(ArgPointer(text));
    ArgRecord folder = rt.CallCoreCommand(core::kCoreCommands[core::kRunDirectory], 0, nullptr, 0);
    std::printf("folder %s\n", folder.value ? "set" : "empty");
    rt.FreeMemory(ArgPointer(folder));
    std::fflush(stdout);

    const char* end = std::getenv("SIG_DEMO_END");
    if (end && !std::strcmp(end, "fatal")) rt.ReportRuntimeError(4);
    if (end && !std::strcmp(end, "exit")) rt.ExitProgram(7);
    rt.RunMessageLoop();
    std::printf("entry returns\n");
    return 0;
}

}  // namespace

const CompiledProgram runtime::kCompiledProgram = {&kHeader, &Entry};
