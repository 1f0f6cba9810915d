#include "runtime/application.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "runtime/notify.h"
#include "runtime/runtime_error.h"
#include "windows.h"

namespace runtime {

ModulePath SplitModulePath(const std::string& path) {
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos) return {"", path};
    return {path.substr(0, cut), path.substr(cut + 1)};
}

namespace {

std::string ModuleFileName() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(0, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size() - 1) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);  // truncated: ask again with room
        if (buffer.size() > 65536) return std::string(buffer.data(), n);
    }
}

}  // namespace

Application& Application::Instance() {
    // The one application object of the process.
    static Application app;
    return app;
}

Application::Application() : windows_(DefaultWindowSubsystem()), mainThread_(std::this_thread::get_id()) {}

void Application::Reset() {
    dlls_.UnloadAll();
    heap_.ClearConstantRange();
    header_ = nullptr;
    windowState_.reset();
    windows_ = DefaultWindowSubsystem();
    table_.Clear();
    kind_ = kept2_ = kept3_ = 0;
    programFolder_.clear();
    programFile_.clear();
    startFolder_.clear();
    libraries_.clear();
    libraryData_.clear();
    exitRoutines_.clear();
    errorHandler_ = nullptr;
    handlerInProgress_ = false;
    errorCount_ = 0;
    busy_ = 0;
    mainThread_ = std::this_thread::get_id();
    exiting_ = false;
    started_ = false;
}

void Application::SetProgram(const ProgramHeader* header) { header_ = header; }

int Application::Run(const CompiledProgram& program) {
    SetProgram(program.header);
    mainThread_ = std::this_thread::get_id();
    ModulePath module = SplitModulePath(ModuleFileName());
    startFolder_ = module.folder.empty() ? std::string() : module.folder + "\\";
    int result = program.entry ? program.entry() : 0;
    ExitWork(0);
    return result;
}

void Application::StartRuntime() {
    static const ProgramHeader kEmpty{};
    const ProgramHeader& h = header_ ? *header_ : kEmpty;
    heap_.Start();
    kind_ = h.kind;
    kept2_ = h.kept2;
    kept3_ = h.kept3 + 1;
    // OLE is not needed by anything on this platform; the runtime does not start it.
    ModulePath module = SplitModulePath(ModuleFileName());
    programFolder_ = module.folder;
    programFile_ = module.file;
    if (startFolder_.empty() && !module.folder.empty()) startFolder_ = module.folder + "\\";
    if (!programFolder_.empty()) SetCurrentDirectoryA(programFolder_.c_str());
    windows_.createHiddenOwner();
    mainThread_ = std::this_thread::get_id();
    if (h.constantsLength != 0) heap_.SetConstantRange(h.constants, h.constantsLength);
    dlls_.Setup(h.dllCommands, h.dllCount, programFolder_, startFolder_);
    libraries_.clear();
    for (uint32_t i = 0; h.libraries && i < h.libraryCount; ++i) {
        const LibraryInfo* info = h.libraries[i];
        if (info && info->notify) info->notify(kLibraryStart, reinterpret_cast<uintptr_t>(&NotifyRuntime), 0);
        libraries_.push_back(info);
    }
    libraryData_.assign(libraries_.size(), 0);
    started_ = true;
    if (h.templatesLength != 0) {
        std::span<const uint8_t> segment(h.templates, h.templatesLength);
        bool ok = windows_.readTemplates ? windows_.readTemplates(segment, h)
                                         : ReadTemplatesIntoTable(segment, h, table_);
        if (!ok) ReportFatalError(FatalMessage::TemplateSegment);
    }
}

void Application::RegisterExitRoutine(ExitRoutine routine) {
    if (!routine) return;
    if (std::find(exitRoutines_.begin(), exitRoutines_.end(), routine) != exitRoutines_.end()) return;
    exitRoutines_.push_back(routine);
}

bool Application::CallErrorHandler(int32_t code, const char* message) {
    ++errorCount_;
    if (!errorHandler_ || handlerInProgress_) return false;
    handlerInProgress_ = true;
    int32_t handled = errorHandler_(code, message);
    handlerInProgress_ = false;
    return handled != 0;
}

void Application::ExitWork(int32_t code) {
    ++busy_;
    if (!IsMainThread()) {
        windows_.postExitRequest(code);
        if (!exiting_.exchange(true)) {
            std::fflush(nullptr);
            std::_Exit(code);
        }
        return;
    }
    if (exiting_.exchange(true)) return;  // a nested exit from inside the exit work
    windows_.destroyAllWindows();
    table_.Clear();
    std::vector<ExitRoutine> routines;
    routines.swap(exitRoutines_);
    for (size_t i = 0; i < routines.size(); ++i) routines[i](static_cast<int32_t>(i));
    for (size_t i = 0; i < libraries_.size(); ++i)
        if (libraries_[i] && libraries_[i]->notify) libraries_[i]->notify(kLibraryEnd, libraryData_[i], 0);
    libraries_.clear();
    libraryData_.clear();
    dlls_.UnloadAll();
    programFolder_.clear();
    programFile_.clear();
    startFolder_.clear();
    heap_.ClearConstantRange();
    windows_.destroyHiddenOwner();
    started_ = false;
}

void Application::ExitProgram(int32_t code) {
    if (!IsMainThread() && exiting_) {
        ExitWork(code);
        // The main thread is finishing the exit and ends the process.
        for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    }
    ExitWork(code);
    std::fflush(nullptr);
    std::exit(code);
}

}  // namespace runtime
