#include "runtime/runtime_services.h"

#include <cstring>

#include "runtime/application.h"
#include "runtime/notify.h"
#include "windows.h"

namespace runtime {

bool FileEntryPasses(uint32_t attributes, uint32_t mask, bool maskOmitted) {
    if (maskOmitted) return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    mask &= 0x37;
    if (mask == 0) return attributes == 0;
    return (attributes & mask) != 0;
}

namespace {

// 0: pattern text, attribute mask, mask-omitted flag, address of the search handle word.
uint64_t FindNextFileService(uintptr_t pattern, uintptr_t mask, uintptr_t omitted, uintptr_t handleWord, uintptr_t,
                             uintptr_t) {
    auto* word = reinterpret_cast<HANDLE*>(handleWord);
    if (!word) return 0;
    const char* text = reinterpret_cast<const char*>(pattern);
    WIN32_FIND_DATAA data;
    bool have;
    if (text && *text) {
        if (*word) FindClose(*word);
        *word = FindFirstFileA(text, &data);
        if (*word == INVALID_HANDLE_VALUE) *word = 0;
        have = *word != 0;
    } else {
        have = *word != 0 && FindNextFileA(*word, &data);
    }
    while (have && !FileEntryPasses(data.dwFileAttributes, static_cast<uint32_t>(mask), omitted != 0))
        have = FindNextFileA(*word, &data);
    if (!have) {
        if (*word) FindClose(*word);
        *word = 0;
        return 0;
    }
    return reinterpret_cast<uintptr_t>(CopyText(&NotifyRuntime, data.cFileName));
}

// 1: search handle (may be 0).
uint64_t EndFileSearch(uintptr_t handle, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
    if (handle) FindClose(static_cast<HANDLE>(handle));
    return 0;
}

// 2: element size, address of the array-pointer variable. A constant array
// is replaced by a heap copy before compiled logic stores into it.
uint64_t MakeArrayWritable(uintptr_t elementSize, uintptr_t variable, uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
    auto** slot = reinterpret_cast<uint8_t**>(variable);
    if (!slot || !*slot) return 0;
    RuntimeHeap& heap = Application::Instance().Heap();
    const uint8_t* array = *slot;
    if (!heap.IsConstant(array)) return 0;
    // Sizes come from the constant segment: check them against its end.
    size_t avail = static_cast<size_t>(heap.ConstantEnd() - array);
    uint32_t d = 0;
    if (avail >= 4) std::memcpy(&d, array, 4);
    size_t bytes = 4 + 4 * static_cast<size_t>(d);
    size_t count = 1;
    bool fits = avail >= 4 && d <= (avail - 4) / 4;
    for (uint32_t i = 0; fits && i < d; ++i) {
        uint32_t n;
        std::memcpy(&n, array + 4 + 4 * static_cast<size_t>(i), 4);
        count *= n;
        if (count > avail) fits = false;
    }
    if (fits && elementSize && count > (avail - bytes) / elementSize) fits = false;
    bytes = fits ? bytes + elementSize * count : avail;
    auto* copy = static_cast<uint8_t*>(heap.Alloc(bytes));
    std::memcpy(copy, array, bytes);
    *slot = copy;
    return 0;
}

// 3: exit routine.
uint64_t RegisterExitRoutine(uintptr_t routine, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
    Application::Instance().RegisterExitRoutine(reinterpret_cast<ExitRoutine>(routine));
    return 0;
}

// 4 and 5: properties of a unit held as a value.
uint64_t ReadValueProperty(uintptr_t type, uintptr_t unit, uintptr_t property, uintptr_t member, uintptr_t,
                           uintptr_t) {
    return Application::Instance().Windows().readValueProperty(static_cast<uint32_t>(type), unit,
                                                              static_cast<int32_t>(property),
                                                              static_cast<int32_t>(member));
}

uint64_t WriteValueProperty(uintptr_t type, uintptr_t unit, uintptr_t property, uintptr_t member, uintptr_t value,
                            uintptr_t) {
    Application::Instance().Windows().writeValueProperty(static_cast<uint32_t>(type), unit,
                                                         static_cast<int32_t>(property),
                                                         static_cast<int32_t>(member), value);
    return 0;
}

// 6: start the runtime.
uint64_t StartRuntime(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t) {
    Application::Instance().StartRuntime();
    return 0;
}

}  // namespace

// ORDER RuntimeServiceNumber
const std::array<ServiceRoutine, kRuntimeServiceCount> kRuntimeServices = {
    FindNextFileService, EndFileSearch,     MakeArrayWritable, RegisterExitRoutine,
    ReadValueProperty,   WriteValueProperty, StartRuntime,
};

}  // namespace runtime
