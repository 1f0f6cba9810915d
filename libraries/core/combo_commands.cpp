#include "libraries/core/combo_commands.h"

#include <string>

#include "libraries/core/command_args.h"
#include "libraries/core/unit_commands.h"
#include "windows.h"

namespace core {

using namespace runtime;

namespace {

HWND ComboOf(int32_t argCount, ArgRecord* args) { return static_cast<HWND>(LiveUnitWindow(UnitArg(argCount, args, 0))); }

int32_t ItemCount(HWND combo) {
    if (!combo) return 0;
    const LRESULT n = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    return n > 0 ? static_cast<int32_t>(n) : 0;
}

// The index argument when it names an item, else -1.
int32_t ItemIndex(HWND combo, int32_t argCount, ArgRecord* args) {
    CommandArgs a(argCount, args);
    const int32_t index = a.Int(1, -1);
    return index >= 0 && index < ItemCount(combo) ? index : -1;
}

}  // namespace

void CmdComboItemCount(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    ReturnInt(result, ItemCount(ComboOf(argCount, args)));
}

void CmdComboGetItemText(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    ReturnText(result, {});
    const HWND combo = ComboOf(argCount, args);
    const int32_t index = ItemIndex(combo, argCount, args);
    if (index < 0) return;
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length <= 0) return;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (copied <= 0) return;
    text.resize(std::min(static_cast<size_t>(copied), static_cast<size_t>(length)));
    ReturnText(result, text);
}

void CmdComboGetItemValue(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    const HWND combo = ComboOf(argCount, args);
    const int32_t index = ItemIndex(combo, argCount, args);
    ReturnInt(result, index < 0 ? -1
                                : static_cast<int32_t>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0)));
}

void CmdComboAddItem(ArgRecord* result, int32_t argCount, ArgRecord* args) {
    ReturnInt(result, -1);
    const HWND combo = ComboOf(argCount, args);
    if (!combo) return;
    CommandArgs a(argCount, args);
    const std::string text(a.Text(1));
    const LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index < 0) return;
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(index),
                 static_cast<LPARAM>(static_cast<uint32_t>(a.Int(2, 0))));
    ReturnInt(result, static_cast<int32_t>(index));
}

void CmdComboClear(ArgRecord*, int32_t argCount, ArgRecord* args) {
    if (const HWND combo = ComboOf(argCount, args)) SendMessageA(combo, CB_RESETCONTENT, 0, 0);
}

}  // namespace core
