#include "libraries/core/unit_list_commands.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "libraries/core/command_args.h"
#include "libraries/core/core_library.h"
#include "libraries/core/unit_commands.h"
#include "runtime/notify.h"
#include "runtime/window_table.h"
#include "windows.h"

namespace core {

using namespace runtime;

namespace {

constexpr uint32_t kEmptyEntryType = 0x00010001;
constexpr size_t kEntryBytes = 12;

// Handle -> the list block {u32 count, count x (type, window, unit)}.
struct ListRegistry {
    std::unordered_map<uint32_t, uint8_t*> lists;
    uint32_t next = 1;
};

ListRegistry& Registry() {
    static ListRegistry registry;
    return registry;
}

intptr_t Ask(int32_t message, uintptr_t p1 = 0, uintptr_t p2 = 0) { return Notify()(message, p1, p2); }

// Blanks and a sign, then digits up to the first non-digit, kept within 32 bits.
int32_t TagNumber(const std::string& tag) {
    errno = 0;
    long long v = std::strtoll(tag.c_str(), nullptr, 10);
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

const uint8_t* Registered(uint32_t handle) {
    auto it = Registry().lists.find(handle);
    return it == Registry().lists.end() ? nullptr : it->second;
}

uint32_t HandleArg(int32_t argCount, const ArgRecord* args) {
    CommandArgs a(argCount, const_cast<ArgRecord*>(args));
    return static_cast<uint32_t>(a.Int(0, 0));
}

uint32_t Word(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

}  // namespace

void CmdFindUnits(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    ReturnInt(result, 0);
    CommandArgs a(argCount, args);
    const UnitRef window = UnitArg(argCount, args, 0);
    const HWND top = window.window ? static_cast<HWND>(Ask(kNotifyFindUnit, window.window, 0)) : 0;
    if (!top) return;
    auto* table = reinterpret_cast<WindowTable*>(Ask(kNotifyGetWindowTable));
    templates::WindowTemplate* w = table ? table->Find(window.window) : nullptr;
    if (!w || w->records.empty()) return;
    const std::string_view filter = a.Text(1);
    const std::string_view typeName = a.Text(2);
    const int32_t lowest = a.Int(3, INT32_MIN);
    const int32_t highest = a.Int(4, INT32_MAX);

    std::vector<uint32_t> found;  // type, window, unit triples
    for (size_t i = 1; i < w->records.size(); ++i) {
        const templates::TemplateRecord& r = w->records[i];
        if (r.IsMenuItem() || r.kind == templates::RecordKind::WindowUnit) continue;
        if (!r.live_object || !IsWindow(r.live_object) || !IsChild(top, r.live_object)) continue;
        if (!filter.empty()) {
            if (filter.front() == '@') {
                if (r.name != filter.substr(1)) continue;
            } else if (std::string_view(r.name).substr(0, filter.size()) != filter) {
                continue;
            }
        }
        if (!typeName.empty()) {
            const auto* type = reinterpret_cast<const UnitType*>(Ask(kNotifyGetUnitType, r.type_code));
            if (!type || !type->name || typeName != type->name) continue;
        }
        const int32_t tag = TagNumber(r.tag);
        if (tag < lowest || tag > highest) continue;
        found.insert(found.end(), {r.type_code, w->id, r.id});
    }
    if (found.empty()) return;

    const size_t count = found.size() / 3;
    auto* block = reinterpret_cast<uint8_t*>(Ask(kNotifyAllocMemory, 4 + count * kEntryBytes, 0));
    const auto n = static_cast<uint32_t>(count);
    std::memcpy(block, &n, 4);
    std::memcpy(block + 4, found.data(), count * kEntryBytes);
    ListRegistry& registry = Registry();
    // Handles never repeat within a run and never are 0.
    uint32_t handle = registry.next++;
    while (handle == 0 || registry.lists.count(handle)) handle = registry.next++;
    registry.lists[handle] = block;
    ReturnInt(result, static_cast<int32_t>(handle));
}

void CmdUnitListCount(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    const uint8_t* list = Registered(HandleArg(argCount, args));
    ReturnInt(result, list ? static_cast<int32_t>(Word(list)) : 0);
}

void CmdUnitListItem(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    *result = MakeUnitRef(0, 0, kEmptyEntryType);
    const uint8_t* list = Registered(HandleArg(argCount, args));
    CommandArgs a(argCount, args);
    const int32_t index = a.Int(1, -1);
    if (!list || index < 0 || static_cast<uint32_t>(index) >= Word(list)) return;
    const uint8_t* entry = list + 4 + static_cast<size_t>(index) * kEntryBytes;
    *result = MakeUnitRef(Word(entry + 4), Word(entry + 8), Word(entry));
}

void CmdFreeUnitList(ArgRecord*, int32_t argCount, ArgRecord* args) {
    auto& lists = Registry().lists;
    auto it = lists.find(HandleArg(argCount, args));
    if (it == lists.end()) return;
    Ask(kNotifyFreeMemory, reinterpret_cast<uintptr_t>(it->second));
    lists.erase(it);
}

void ForgetUnitLists() { Registry().lists.clear(); }

size_t LiveUnitListCount() { return Registry().lists.size(); }

}  // namespace core
