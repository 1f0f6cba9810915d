// The runtime's application object: the one place that holds the runtime's
// state (heap, folders, libraries, DLL tables, exit routines, error count,
// window hooks), with the start-up and exit work.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/dll_commands.h"
#include "runtime/heap.h"
#include "runtime/program_data.h"
#include "runtime/window_hooks.h"
#include "runtime/window_table.h"

namespace runtime {

// An exit routine is called with its position in the registration list.
using ExitRoutine = void (*)(int32_t index);
// Optional error handler: non-zero answer = the report was handled.
using ErrorHandler = int32_t (*)(int32_t code, const char* message);

// A module path split at its last backslash.
struct ModulePath {
    std::string folder;  // without a trailing backslash; empty when no backslash
    std::string file;
};
ModulePath SplitModulePath(const std::string& path);

class Application {
public:
    static Application& Instance();

    // The compiled program this process runs; set before the entry routine.
    void SetProgram(const ProgramHeader* header);
    const ProgramHeader* Program() const { return header_; }

    // Application start: computes the starting module's folder, calls the
    // entry routine, then runs the exit work with code 0. Returns the entry
    // routine's result.
    int Run(const CompiledProgram& program);

    // RuntimeService 6.
    void StartRuntime();
    bool Started() const { return started_; }

    // RuntimeService 3: appended unless already registered.
    void RegisterExitRoutine(ExitRoutine routine);
    size_t ExitRoutineCount() const { return exitRoutines_.size(); }
    // The fatal report empties the list so the exit work skips the routines.
    void DropExitRoutines() { exitRoutines_.clear(); }

    // The exit work with this code; returns on the main thread, ends the
    // process at once on another unless the main thread is already exiting.
    void ExitWork(int32_t code);
    [[noreturn]] void ExitProgram(int32_t code);

    bool CallErrorHandler(int32_t code, const char* message);
    void SetErrorHandler(ErrorHandler handler) { errorHandler_ = handler; }
    uint32_t ErrorCount() const { return errorCount_; }

    RuntimeHeap& Heap() { return heap_; }
    DllCommands& Dlls() { return dlls_; }
    WindowSubsystem& Windows() { return windows_; }
    WindowTable& Table() { return table_; }
    // The window side's live state (runtime/windowing), owned here so that
    // Reset and the exit work drop it with everything else.
    void* WindowState() const { return windowState_.get(); }
    void SetWindowState(std::shared_ptr<void> state) { windowState_ = std::move(state); }
    // The busy counter: while above 0 no event handler is called.
    int32_t Busy() const { return busy_; }
    void BusyUp() { ++busy_; }
    void BusyDown() {
        int32_t b = busy_;
        while (b > 0 && !busy_.compare_exchange_weak(b, b - 1)) {}
    }

    const std::string& ProgramFolder() const { return programFolder_; }
    const std::string& ProgramFile() const { return programFile_; }
    const std::string& StartFolder() const { return startFolder_; }
    uint32_t ProgramKind() const { return kind_; }
    const std::vector<const LibraryInfo*>& Libraries() const { return libraries_; }
    bool IsMainThread() const { return std::this_thread::get_id() == mainThread_; }
    bool Exiting() const { return exiting_; }

    // Back to the state before start-up (a process runs one program; tests
    // run several in turn).
    void Reset();

private:
    Application();

    const ProgramHeader* header_ = nullptr;
    RuntimeHeap heap_;
    DllCommands dlls_;
    WindowSubsystem windows_;
    WindowTable table_;
    std::shared_ptr<void> windowState_;

    uint32_t kind_ = 0, kept2_ = 0, kept3_ = 0;
    std::string programFolder_, programFile_, startFolder_;
    std::vector<const LibraryInfo*> libraries_;
    std::vector<uintptr_t> libraryData_;
    std::vector<ExitRoutine> exitRoutines_;

    ErrorHandler errorHandler_ = nullptr;
    bool handlerInProgress_ = false;
    std::atomic<uint32_t> errorCount_{0};

    std::atomic<int32_t> busy_{0};
    std::thread::id mainThread_;
    std::atomic<bool> exiting_{false};
    bool started_ = false;
};

}  // namespace runtime
