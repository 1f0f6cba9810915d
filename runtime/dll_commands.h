// DLL commands: the program's declared operating-system routines, resolved
// by library and export name on first call, cached, and called with the
// caller's arguments. Four parallel tables indexed by command number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/program_data.h"
#include "win/types.h"

namespace runtime {

// The module functions resolution uses; the kernel's by default, a recording
// one in tests that check the search order.
struct ModuleLoader {
    HMODULE (*load)(const char* name);
    void* (*find)(HMODULE module, const char* exportName);  // name or MAKEINTRESOURCE-style ordinal
    void (*unload)(HMODULE module);
};
ModuleLoader KernelModuleLoader();

// Most arguments a DLL command can take.
constexpr uint32_t kMaxDllArguments = 12;

// The export name, or the ordinal for "#k" (k mod 65536); -1 when not "#k".
int32_t ParseOrdinal(const char* exportName);

// Libraries tried in this order for a declaration without a library name.
extern const char* const kBuiltinDllLibraries[6];

class DllCommands {
public:
    // Sizes the tables to the declarations (zero-filled); no declarations
    // leave them empty.
    void Setup(const DllDeclaration* declarations, uint32_t count, std::string programFolder,
               std::string startFolder, ModuleLoader loader = KernelModuleLoader());
    // Unloads each library recorded for a resolved command, empties the tables.
    void UnloadAll();

    // The address of command n, resolving it on first use; a failure is the
    // fatal report (nothing cached).
    void* Resolve(uint32_t n);
    // Checks the argument count against the declaration (runtime error 6),
    // then calls the routine with that many pointer-width arguments.
    uint64_t Call(uint32_t n, uint32_t argCount, const uintptr_t* args);

    uint32_t Count() const { return static_cast<uint32_t>(libraries_.size()); }
    bool IsResolved(uint32_t n) const { return n < addresses_.size() && addresses_[n] != nullptr; }
    HMODULE ModuleOf(uint32_t n) const { return n < modules_.size() ? modules_[n] : 0; }

private:
    HMODULE LoadRelative(const std::string& name);

    // The four tables.
    std::vector<const char*> libraries_;
    std::vector<const char*> exports_;
    std::vector<void*> addresses_;
    std::vector<HMODULE> modules_;
    std::vector<uint32_t> parameterCounts_;
    std::string dllFolder_;  // never set by this program; kept for the search order
    std::string programFolder_;
    std::string startFolder_;
    ModuleLoader loader_{};
};

// Calls an address with n pointer-width arguments (n <= kMaxDllArguments).
uint64_t CallWithArguments(void* address, uint32_t n, const uintptr_t* args);

}  // namespace runtime
