#include "libraries/core/unit_commands.h"

#include "libraries/core/command_args.h"
#include "libraries/core/core_library.h"
#include "runtime/notify.h"
#include "runtime/window_table.h"
#include "runtime/windowing/unit_protocol.h"
#include "windows.h"

namespace core {

using namespace runtime;

namespace {

constexpr uint32_t kCommonDialogType = 0x0001001F;
constexpr uint32_t kTypeCopyable = 0x40;
constexpr uint32_t kTypeNotCopyable = 0x100;

intptr_t Ask(int32_t message, uintptr_t p1 = 0, uintptr_t p2 = 0) { return Notify()(message, p1, p2); }

bool WindowLoaded(uint32_t window) { return window != 0 && Ask(kNotifyFindUnit, window, 0) != 0; }

}  // namespace

UnitRef UnitArg(int32_t argCount, const ArgRecord* args, int32_t i) {
    if (!args || i < 0 || i >= argCount || !IsUnitType(args[i].type)) return {};
    return {static_cast<uint32_t>(args[i].value), static_cast<uint32_t>(args[i].value >> 32), args[i].type};
}

ArgRecord MakeUnitRef(uint32_t window, uint32_t unit, uint32_t type) {
    return {static_cast<uint64_t>(window) | (static_cast<uint64_t>(unit) << 32), type};
}

uint32_t LiveUnitWindow(const UnitRef& ref) {
    if (ref.window == 0) return 0;
    return static_cast<uint32_t>(Ask(kNotifyFindUnit, ref.window, ref.unit));
}

void CmdGetEventUnit(ArgRecord* result, int32_t, ArgRecord*) {
    uint32_t context[2] = {};
    if (!Ask(kNotifyEventContext, reinterpret_cast<uintptr_t>(context)))
        Ask(kNotifyFatalError, reinterpret_cast<uintptr_t>("“取事件组件”命令只能在事件处理子程序中使用"));
    const auto type = static_cast<uint32_t>(Ask(kNotifyUnitTypeCode, context[0], context[1]));
    *result = MakeUnitRef(context[0], context[1], type);
}

void CmdGetWindowHandle(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    ReturnInt(result, static_cast<int32_t>(LiveUnitWindow(UnitArg(argCount, args, 0))));
}

void CmdLoadWindow(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    const UnitRef window = UnitArg(argCount, args, 0);
    LoadWindowRequest request;
    request.window = window.window;
    if (!a.Omitted(1)) {
        // A parent must be a loaded window; otherwise nothing is loaded.
        const UnitRef parent = UnitArg(argCount, args, 1);
        request.owner = parent.window ? static_cast<uint32_t>(Ask(kNotifyFindUnit, parent.window, 0)) : 0;
        if (request.owner == 0) return ReturnBool(result, false);
    }
    request.modal = a.Bool(2, false) ? 1 : 0;
    if (request.window == 0) return ReturnBool(result, false);
    ReturnBool(result, Ask(kNotifyLoadWindow, reinterpret_cast<uintptr_t>(&request)) == 0);
}

void CmdUnitName(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    ReturnText(result, {});
    const UnitRef ref = UnitArg(argCount, args, 0);
    if (!WindowLoaded(ref.window)) return;
    auto* table = reinterpret_cast<WindowTable*>(Ask(kNotifyGetWindowTable));
    templates::WindowTemplate* w = table ? table->Find(ref.window) : nullptr;
    if (!w || w->records.empty()) return;
    const templates::TemplateRecord* r = ref.unit == 0 ? &w->records.front() : w->Find(ref.unit);
    if (r) ReturnText(result, r->name);
}

void CmdCopyUnit(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    ReturnBool(result, false);
    const UnitRef source = UnitArg(argCount, args, 0);
    if (!args || argCount < 2 || !IsUnitType(args[1].type)) return;
    auto* target = ArgPointer<uint64_t>(args[1]);
    if (!target || source.window == 0 || source.unit == 0 || !WindowLoaded(source.window)) return;
    // The record's own type decides, not what the caller's value claims.
    const auto type = static_cast<uint32_t>(Ask(kNotifyUnitTypeCode, source.window, source.unit));
    if (type == 0 || type != args[1].type) return;
    const auto* descriptor = reinterpret_cast<const UnitType*>(Ask(kNotifyGetUnitType, type));
    if (!descriptor || !(descriptor->flags & kTypeCopyable) || (descriptor->flags & kTypeNotCopyable)) return;
    CopyUnitRequest request;
    request.window = source.window;
    request.source = source.unit;
    if (!Ask(kNotifyCopyUnit, reinterpret_cast<uintptr_t>(&request)) || request.newUnit == 0) return;
    *target = static_cast<uint64_t>(source.window) | (static_cast<uint64_t>(request.newUnit) << 32);
    ReturnBool(result, true);
}

void CmdProcessEvents(ArgRecord*, int32_t, ArgRecord*) { Ask(kNotifyProcessMessages); }

void CmdCommonDialogOpen(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    const UnitRef ref = UnitArg(argCount, args, 0);
    const uint32_t hwnd = LiveUnitWindow(ref);
    // Only the common dialog knows the private message; other units never get it.
    if (!hwnd || Ask(kNotifyUnitTypeCode, ref.window, ref.unit) != kCommonDialogType) return ReturnBool(result, false);
    ReturnBool(result, SendMessageA(hwnd, kMsgOpenCommonDialog, 0, 0) == 1);
}

}  // namespace core
