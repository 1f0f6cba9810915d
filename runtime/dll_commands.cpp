#include "runtime/dll_commands.h"

#include <cstdlib>
#include <cstring>

#include "runtime/runtime_error.h"
#include "windows.h"

namespace runtime {

const char* const kBuiltinDllLibraries[6] = {"Kernel32.dll", "Gdi32.dll", "User32.dll",
                                             "Advapi32.dll", "Mpr.dll",   "Shell32.dll"};

namespace {

HMODULE KernelLoad(const char* name) { return LoadLibraryA(name); }
void* KernelFind(HMODULE module, const char* name) { return reinterpret_cast<void*>(GetProcAddress(module, name)); }
void KernelUnload(HMODULE module) { FreeLibrary(module); }

// Win32 passes an ordinal as a "name" pointer whose value is below 65536.
const char* OrdinalAsName(int32_t ordinal) {
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(static_cast<uint16_t>(ordinal)));
}

}  // namespace

ModuleLoader KernelModuleLoader() { return ModuleLoader{KernelLoad, KernelFind, KernelUnload}; }

int32_t ParseOrdinal(const char* exportName) {
    if (!exportName || exportName[0] != '#') return -1;
    const char* p = exportName + 1;
    if (*p < '0' || *p > '9') return -1;
    uint32_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) value = (value * 10 + static_cast<uint32_t>(*p - '0')) & 0xFFFF;
    return *p ? -1 : static_cast<int32_t>(value);
}

void DllCommands::Setup(const DllDeclaration* declarations, uint32_t count, std::string programFolder,
                        std::string startFolder, ModuleLoader loader) {
    UnloadAll();
    loader_ = loader;
    programFolder_ = std::move(programFolder);
    startFolder_ = std::move(startFolder);
    if (!declarations || count == 0) return;
    libraries_.resize(count);
    exports_.resize(count);
    addresses_.assign(count, nullptr);
    modules_.assign(count, 0);
    parameterCounts_.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        libraries_[i] = declarations[i].library ? declarations[i].library : "";
        exports_[i] = declarations[i].exportName ? declarations[i].exportName : "";
        parameterCounts_[i] = declarations[i].parameterCount;
    }
}

void DllCommands::UnloadAll() {
    // Each resolved command holds one reference on its library.
    for (HMODULE m : modules_)
        if (m && loader_.unload) loader_.unload(m);
    libraries_.clear();
    exports_.clear();
    addresses_.clear();
    modules_.clear();
    parameterCounts_.clear();
}

HMODULE DllCommands::LoadRelative(const std::string& name) {
    if (!dllFolder_.empty())
        if (HMODULE m = loader_.load((dllFolder_ + name).c_str())) return m;
    if (HMODULE m = loader_.load((programFolder_ + "\\" + name).c_str())) return m;
    if (!startFolder_.empty())
        if (HMODULE m = loader_.load((startFolder_ + name).c_str())) return m;
    return 0;
}

void* DllCommands::Resolve(uint32_t n) {
    if (n >= addresses_.size()) ReportDllResolutionFailure("", "#" + std::to_string(n));
    if (addresses_[n]) return addresses_[n];
    const std::string library = libraries_[n];
    const char* exportName = exports_[n];
    int32_t ordinal = ParseOrdinal(exportName);
    const char* lookup = ordinal >= 0 ? OrdinalAsName(ordinal) : exportName;

    HMODULE module = 0;
    void* address = nullptr;
    if (library.empty()) {
        for (const char* candidate : kBuiltinDllLibraries) {
            HMODULE m = loader_.load(candidate);
            if (!m) continue;
            if (void* a = loader_.find(m, lookup)) {
                module = m;
                address = a;
                break;
            }
            loader_.unload(m);
        }
    } else {
        if (library.find(':') == std::string::npos) module = LoadRelative(library);
        if (!module) module = loader_.load(library.c_str());
        if (module) address = loader_.find(module, lookup);
    }
    if (!address) {
        if (module) loader_.unload(module);
        ReportDllResolutionFailure(library, exportName);
    }
    addresses_[n] = address;
    modules_[n] = module;
    return address;
}

uint64_t DllCommands::Call(uint32_t n, uint32_t argCount, const uintptr_t* args) {
    void* address = Resolve(n);
    if (argCount != parameterCounts_[n] || argCount > kMaxDllArguments) ReportRuntimeError(kErrDllStack);
    return CallWithArguments(address, argCount, args);
}

uint64_t CallWithArguments(void* address, uint32_t n, const uintptr_t* a) {
    using W = uintptr_t;
    // One cast per arity: the export is called exactly as if the caller had
    // called it directly with n integer or pointer arguments.
    switch (n) {
        case 0: return reinterpret_cast<W (*)()>(address)();
        case 1: return reinterpret_cast<W (*)(W)>(address)(a[0]);
        case 2: return reinterpret_cast<W (*)(W, W)>(address)(a[0], a[1]);
        case 3: return reinterpret_cast<W (*)(W, W, W)>(address)(a[0], a[1], a[2]);
        case 4: return reinterpret_cast<W (*)(W, W, W, W)>(address)(a[0], a[1], a[2], a[3]);
        case 5: return reinterpret_cast<W (*)(W, W, W, W, W)>(address)(a[0], a[1], a[2], a[3], a[4]);
        case 6: return reinterpret_cast<W (*)(W, W, W, W, W, W)>(address)(a[0], a[1], a[2], a[3], a[4], a[5]);
        case 7:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W)>(address)(a[0], a[1], a[2], a[3], a[4], a[5], a[6]);
        case 8:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W)>(address)(a[0], a[1], a[2], a[3], a[4], a[5],
                                                                          a[6], a[7]);
        case 9:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W)>(address)(a[0], a[1], a[2], a[3], a[4], a[5],
                                                                             a[6], a[7], a[8]);
        case 10:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W, W)>(address)(a[0], a[1], a[2], a[3], a[4],
                                                                                a[5], a[6], a[7], a[8], a[9]);
        case 11:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W, W, W)>(address)(
                a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10]);
        case 12:
            return reinterpret_cast<W (*)(W, W, W, W, W, W, W, W, W, W, W, W)>(address)(
                a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]);
        default: ReportRuntimeError(kErrDllStack);
    }
}

}  // namespace runtime
