#include "runtime/notify.h"

#include <array>
#include <cstring>

#include "runtime/application.h"
#include "runtime/conversions.h"
#include "runtime/runtime_error.h"
#include "windows.h"

namespace runtime {
namespace {

using Handler = intptr_t (*)(int32_t message, uintptr_t p1, uintptr_t p2);

Application& App() { return Application::Instance(); }

// Messages of the window side go to its hooks (0 until it exists).
intptr_t ToWindows(int32_t m, uintptr_t p1, uintptr_t p2) { return App().Windows().notify(m, p1, p2); }

intptr_t GetUnitType(int32_t, uintptr_t code, uintptr_t) {
    const ProgramHeader* h = App().Program();
    return h ? reinterpret_cast<intptr_t>(FindUnitType(*h, static_cast<uint32_t>(code))) : 0;
}

intptr_t GetWindowTable(int32_t, uintptr_t, uintptr_t) { return reinterpret_cast<intptr_t>(&App().Table()); }
intptr_t WindowCount(int32_t m, uintptr_t p1, uintptr_t p2) {
    intptr_t hooked = ToWindows(m, p1, p2);
    return hooked ? hooked : static_cast<intptr_t>(App().Table().Count());
}

intptr_t AnswerOne(int32_t, uintptr_t, uintptr_t) { return 1; }
intptr_t Version(int32_t, uintptr_t, uintptr_t) { return 0x30005; }

// 1006: selector, buffer of MAX_PATH bytes.
intptr_t CopyPath(int32_t, uintptr_t selector, uintptr_t buffer) {
    char* out = reinterpret_cast<char*>(buffer);
    if (!out) return 0;
    std::string path;
    if (selector == 1 || selector == 2001) path = App().ProgramFolder() + "\\";
    else if (selector == 2002) path = App().ProgramFile();
    size_t n = std::min(path.size(), static_cast<size_t>(MAX_PATH - 1));
    std::memcpy(out, path.data(), n);
    out[n] = '\0';
    return 1;
}

intptr_t ToInteger(int32_t, uintptr_t record, uintptr_t) {
    const auto* r = reinterpret_cast<const ArgRecord*>(record);
    if (!r) ReportFatalError(FatalMessage::NotNumeric);
    return NumberToInteger(*r);
}

intptr_t ProgramFolder(int32_t, uintptr_t, uintptr_t) {
    return reinterpret_cast<intptr_t>(App().ProgramFolder().c_str());
}
intptr_t ProgramFile(int32_t, uintptr_t, uintptr_t) { return reinterpret_cast<intptr_t>(App().ProgramFile().c_str()); }

intptr_t FreeValueMessage(int32_t, uintptr_t type, uintptr_t block) {
    FreeValue(&NotifyRuntime, static_cast<uint32_t>(type), reinterpret_cast<void*>(block));
    return 0;
}

intptr_t Alloc(int32_t, uintptr_t bytes, uintptr_t mayFail) {
    RuntimeHeap& heap = App().Heap();
    return reinterpret_cast<intptr_t>(mayFail ? heap.TryAlloc(bytes) : heap.Alloc(bytes));
}
intptr_t Free(int32_t, uintptr_t block, uintptr_t) {
    App().Heap().Free(reinterpret_cast<void*>(block));
    return 0;
}
intptr_t Realloc(int32_t, uintptr_t block, uintptr_t bytes) {
    return reinterpret_cast<intptr_t>(App().Heap().Realloc(reinterpret_cast<void*>(block), bytes));
}
intptr_t Fatal(int32_t, uintptr_t text, uintptr_t) {
    ReportFatalError(0, TextView(reinterpret_cast<const char*>(text)));
}
intptr_t Exit(int32_t, uintptr_t code, uintptr_t) { App().ExitProgram(static_cast<int32_t>(code)); }

intptr_t EventFlags(int32_t, uintptr_t code, uintptr_t) {
    const ProgramHeader* h = App().Program();
    const UnitType* type = h ? FindUnitType(*h, static_cast<uint32_t>(code)) : nullptr;
    if (!type) return 0;
    if (type->flags & 0x04) return 2;
    return (type->flags & 0x40) ? 1 : 0;
}

intptr_t ProgramKind(int32_t, uintptr_t, uintptr_t) { return App().ProgramKind(); }

// 1000-1014, ORDER by message number; null = a feature this program does not use.
constexpr std::array<Handler, kNotifyLastLow - kNotifyFirstLow + 1> kLowMessages = {
    nullptr,      // 1000 key lists
    GetWindowTable,  // 1001
    GetUnitType,  // 1002
    nullptr,      // 1003
    AnswerOne,    // 1004
    Version,      // 1005
    CopyPath,     // 1006
    ToWindows,    // 1007 attach a runtime window object
    ToWindows,    // 1008 destroy it
    ToWindows,    // 1009 detach
    ToWindows,    // 1010 object's handle
    ToWindows,    // 1011 attach handle and object
    ToWindows,    // 1012 add idle callback
    ToWindows,    // 1013 remove idle callback
    nullptr,      // 1014
};

// 2000-2040, ORDER by message number.
constexpr std::array<Handler, kNotifyLastHigh - kNotifyFirstHigh + 1> kHighMessages = {
    ToWindows,         // 2000 unit destroyed
    ToInteger,         // 2001
    nullptr,           // 2002
    ProgramFolder,     // 2003
    ProgramFile,       // 2004
    ToWindows,         // 2005 load window
    ToWindows,         // 2006 find unit
    ToWindows,         // 2007 find unit or fail
    ToWindows,         // 2008 raise event
    ToWindows,         // 2009 busy up
    ToWindows,         // 2010 busy down
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // 2011-2016
    ToWindows,         // 2017 event context
    ToWindows,         // 2018 process pending messages
    nullptr, nullptr, nullptr,  // 2019-2021
    ToWindows,         // 2022 unit's type code
    FreeValueMessage,  // 2023
    Alloc,             // 2024
    Free,              // 2025
    Realloc,           // 2026
    Fatal,             // 2027
    Exit,              // 2028
    EventFlags,        // 2029
    ProgramKind,       // 2030
    ToWindows,         // 2031 raise typed event
    WindowCount,       // 2032
    ToWindows,         // 2033 window handle by index
    ToWindows,         // 2034 copy a unit
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // 2035-2040
};
static_assert(kLowMessages.size() == 15 && kHighMessages.size() == 41);

}  // namespace

intptr_t NotifyRuntime(int32_t message, uintptr_t p1, uintptr_t p2) {
    Handler h = nullptr;
    if (message >= kNotifyFirstLow && message <= kNotifyLastLow) h = kLowMessages[message - kNotifyFirstLow];
    else if (message >= kNotifyFirstHigh && message <= kNotifyLastHigh) h = kHighMessages[message - kNotifyFirstHigh];
    return h ? h(message, p1, p2) : 0;
}

const UnitType* FindUnitType(const ProgramHeader& header, uint32_t code) {
    if (code == 0 || code >= 0x40000000) return nullptr;
    uint32_t library = code >> 16, type = code & 0xFFFF;
    if (library == 0 || library > header.libraryCount || !header.libraries || type == 0) return nullptr;
    const LibraryInfo* info = header.libraries[library - 1];
    if (!info || !info->types || type > info->typeCount) return nullptr;
    const UnitType* t = &info->types[type - 1];
    // An all-zero slot is a type this program does not use.
    return t->name || t->lookup ? t : nullptr;
}

}  // namespace runtime
