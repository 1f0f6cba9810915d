// LoadLibraryA / GetProcAddress / FreeLibrary on dlopen, with 32-bit module
// handles and export ordinals taken from the library's own ordinal table.
#include "platform/dll/module_loader.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/kernel/handle_table.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/path.h"
#include "win/kernel.h"

namespace platform {
namespace {

struct Module {
    void* dl = nullptr;
    std::string file;  // the path it was found at
    std::string real;  // canonical path: one module per file
    int refs = 0;
    bool executable = false;
    // The platform library stays loaded, as the system DLLs do on Windows:
    // it holds this very code.
    bool pinned = false;
    ~Module() {
        if (dl && !executable) dlclose(dl);
    }
};

HandleTable<Module>& Modules() {
    static auto* t = new HandleTable<Module>(HandleKind::Module);
    return *t;
}
std::mutex& ModulesMutex() {
    static auto* m = new std::mutex;
    return *m;
}

// System DLL names the build links beside the executable. A bare one of these
// that is not found there still means the platform library itself.
constexpr std::array kSystemDlls = {"kernel32", "user32",   "gdi32",   "comctl32", "comdlg32", "wininet", "gdiplus",
                                    "ole32",    "oleaut32", "shlwapi", "dbghelp",  "shell32",  "advapi32"};

bool IsRegularFile(const std::string& p) {
    struct stat st{};
    return stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// `folder`/`name`, matching the name case-insensitively when the exact one is
// not there. Windows file names ignore case; a library declared "GdiPlus.dll"
// must find "gdiplus.dll".
std::string FindInFolder(const std::string& folder, const std::string& name) {
    std::string exact = folder + "/" + name;
    if (IsRegularFile(exact)) return exact;
    DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return {};
    std::string found;
    std::vector<std::string> matches;
    while (dirent* e = readdir(dir))
        if (strcasecmp(e->d_name, name.c_str()) == 0) matches.emplace_back(e->d_name);
    closedir(dir);
    // Several spellings of one name: take the first in byte order, repeatably.
    std::sort(matches.begin(), matches.end());
    for (const std::string& m : matches)
        if (IsRegularFile(folder + "/" + m)) return folder + "/" + m;
    return {};
}

std::string Canonical(const std::string& p) {
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? std::string(buf) : std::string();
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return s;
}

// A symbol of the module itself: dlsym through a handle also searches the
// library's dependencies, which Windows' export lookup never does.
void* OwnSymbol(const Module& m, const char* name) {
    dlerror();
    void* sym = dlsym(m.dl, name);
    if (!sym || m.executable) return sym;
    link_map* own = nullptr;
    if (dlinfo(m.dl, RTLD_DI_LINKMAP, &own) != 0 || !own) return nullptr;
    Dl_info info{};
    link_map* where = nullptr;
    if (!dladdr1(sym, &info, reinterpret_cast<void**>(&where), RTLD_DL_LINKMAP) || where != own) return nullptr;
    return sym;
}

uint32_t ExecutableModule() {
    static uint32_t handle = [] {
        auto m = std::make_shared<Module>();
        m->dl = dlopen(nullptr, RTLD_NOW);
        m->executable = true;
        m->file = ExecutablePath();
        m->real = Canonical(m->file);
        m->refs = 1;
        return Modules().Add(std::move(m));
    }();
    return handle;
}

uint32_t FindLoaded(const std::string& real) {
    uint32_t found = 0;
    Modules().ForEach([&](uint32_t h, const std::shared_ptr<Module>& m) {
        if (!found && m->real == real) found = h;
    });
    return found;
}

// Opens a library not loaded yet; the caller holds ModulesMutex.
uint32_t LoadLocked(const std::string& file, const std::string& real) {
    auto m = std::make_shared<Module>();
    m->dl = dlopen(real.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m->dl) {
        // Not a loadable library (or its dependencies are missing).
        SetLastErrorCode(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    m->file = file;
    m->real = real;
    m->refs = 1;
    m->pinned = real == Canonical(PlatformLibraryPath());
    uint32_t h = Modules().Add(std::move(m));
    if (!h) SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
    return h;
}

}  // namespace

std::string PlatformLibraryPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&LoadLibraryA), &info) || !info.dli_fname) return {};
    return AbsolutePosixPath(info.dli_fname);
}

std::string FindLibraryFile(std::string_view gbkName) {
    std::string posix = ToPosixPath(gbkName);
    if (posix.empty() || posix.back() == '/') return {};
    size_t slash = posix.rfind('/');
    std::string folder = slash == std::string::npos ? "" : posix.substr(0, slash == 0 ? 0 : slash);
    std::string name = slash == std::string::npos ? posix : posix.substr(slash + 1);
    if (name.back() == '.') {
        // A trailing dot says "no extension, and do not add one".
        while (!name.empty() && name.back() == '.') name.pop_back();
        if (name.empty()) return {};
    } else if (name.find('.') == std::string::npos) {
        name += ".dll";
    }
    if (slash != std::string::npos) {
        if (folder.empty() && posix[0] != '/') return {};
        std::string f = FindInFolder(AbsolutePosixPath(folder.empty() ? "/" : folder), name);
        return f.empty() ? f : AbsolutePosixPath(f);
    }
    // A bare name: the program folder, then the current directory.
    for (const std::string& dir : {ExecutableFolder(), AbsolutePosixPath(".")}) {
        if (dir.empty()) continue;
        std::string f = FindInFolder(dir == "/" ? "" : dir, name);
        if (!f.empty()) return AbsolutePosixPath(f);
    }
    std::string stem = Lower(name);
    if (stem.size() > 4 && stem.compare(stem.size() - 4, 4, ".dll") == 0) stem.resize(stem.size() - 4);
    for (const char* sys : kSystemDlls)
        if (stem == sys) return PlatformLibraryPath();
    return {};
}

}  // namespace platform

using namespace platform;

WINEXPORT HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (!lpLibFileName || !*lpLibFileName) {
        SetLastErrorCode(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string file = FindLibraryFile(lpLibFileName);
    std::string real = file.empty() ? std::string() : Canonical(file);
    if (real.empty()) {
        SetLastErrorCode(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::lock_guard<std::mutex> lock(ModulesMutex());
    if (real == Canonical(ExecutablePath())) return ExecutableModule();
    if (uint32_t h = FindLoaded(real)) {
        ++Modules().Get(h)->refs;
        return h;
    }
    return LoadLocked(file, real);
}

WINEXPORT BOOL FreeLibrary(HMODULE hLibModule) {
    std::lock_guard<std::mutex> lock(ModulesMutex());
    auto m = Modules().Get(hLibModule);
    if (!m) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (m->executable || m->pinned) return TRUE;
    if (--m->refs == 0) Modules().Remove(hLibModule);  // the last reference closes it
    return TRUE;
}

WINEXPORT FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    auto m = Modules().Get(hModule ? hModule : ExecutableModule());
    if (!m) {
        SetLastErrorCode(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const char* name = lpProcName;
    auto value = reinterpret_cast<uintptr_t>(lpProcName);
    if (value < 0x10000) {
        // An ordinal, passed in the name pointer as on Windows.
        name = nullptr;
        auto* table = static_cast<const SigExportOrdinal*>(OwnSymbol(*m, SIG_EXPORT_ORDINALS_SYMBOL));
        auto* count = static_cast<const uint32_t*>(OwnSymbol(*m, SIG_EXPORT_ORDINAL_COUNT_SYMBOL));
        if (table && count && value != 0)
            for (uint32_t i = 0; i < *count; ++i)
                if (table[i].ordinal == value) {
                    name = table[i].name;
                    break;
                }
        if (!name) {
            SetLastErrorCode(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
    }
    void* sym = OwnSymbol(*m, name);
    if (!sym) {
        SetLastErrorCode(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(sym);
}

WINEXPORT HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    if (!lpModuleName) return ExecutableModule();
    std::string file = FindLibraryFile(lpModuleName);
    std::string real = file.empty() ? std::string() : Canonical(file);
    std::lock_guard<std::mutex> lock(ModulesMutex());
    if (!real.empty() && real == Canonical(ExecutablePath())) return ExecutableModule();
    uint32_t h = real.empty() ? 0 : FindLoaded(real);
    // The platform library is always in the process, so always found.
    if (!h && !real.empty() && real == Canonical(PlatformLibraryPath())) h = LoadLocked(file, real);
    if (!h) SetLastErrorCode(ERROR_MOD_NOT_FOUND);
    return h;
}

WINEXPORT DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
    std::string path;
    if (hModule == 0) {
        path = ExecutablePath();
    } else {
        auto m = Modules().Get(hModule);
        if (!m) {
            SetLastErrorCode(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = m->file;
    }
    std::string out = ToWindowsPath(path);
    if (!lpFilename || nSize == 0) {
        SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (out.size() + 1 > nSize) {
        std::memcpy(lpFilename, out.data(), nSize - 1);
        lpFilename[nSize - 1] = '\0';
        SetLastErrorCode(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    std::memcpy(lpFilename, out.c_str(), out.size() + 1);
    SetLastErrorCode(ERROR_SUCCESS);
    return static_cast<DWORD>(out.size());
}
