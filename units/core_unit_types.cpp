#include "units/core_unit_types.h"

#include "libraries/core/core_library.h"
#include "units/placeholder_unit.h"
#include "units/window_unit.h"

namespace units {
namespace {

struct PendingType {
    uint32_t number;
    const char* name;
    const char* englishName;
    uint32_t flags;
    uint32_t propertyCount;
};

// Used types whose file pair is still to come (type number, names, flags,
// property count).
const PendingType kPendingTypes[] = {
    {5, "编辑框", "EditBox", 0x80000040, 29},
    {6, "图片框", "PicBox", 0x840100C0, 15},
    {9, "分组框", "GroupBox", 0x840140C0, 13},
    {10, "标签", "Label", 0x84012040, 29},
    {11, "按钮", "Button", 0x80000840, 14},
    {14, "组合框", "ComboBox", 0x80000240, 25},
    {18, "纵向滚动条", "VScrollBar", 0x80020040, 14},
    {19, "进度条", "ProcessBar", 0x84010040, 14},
    {28, "颜色选择器", "ColorPicker", 0x80000040, 10},
    {31, "通用对话框", "CommonDlg", 0x80008040, 30},
};

}  // namespace

void InstallCoreUnitTypes() {
    core::InstallCoreUnitType(1, WindowUnitType());
    for (const auto& t : kPendingTypes)
        core::InstallCoreUnitType(t.number, PlaceholderUnitType(t.name, t.englishName, t.flags, t.propertyCount));
}

}  // namespace units
