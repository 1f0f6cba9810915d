// The program's windows and units as its logic names them: window and unit
// ids from the templates, property indexes of the unit types, unit-type
// codes, and the small property helpers every handler uses.
#pragma once

#include <cstdint>

#include "app/core_calls.h"

namespace app {

// Windows.
constexpr uint32_t kStartWindow = 0x52010001;
constexpr uint32_t kStartWindowUnit = 0x06010000;
constexpr uint32_t kResultWindow = 0x52012244;
constexpr uint32_t kResultWindowUnit = 0x06012243;

// Start-window units.
constexpr uint32_t kContentEditBox = 0x160121FE;     // 编辑框_生成内容
constexpr uint32_t kFontColourEditBox = 0x16012211;  // 编辑框_字体颜色
constexpr uint32_t kBackgroundColourEditBox = 0x16012210;  // 编辑框_背景颜色
constexpr uint32_t kFontColourPicker = 0x1601220D;   // 颜色选择器_字体颜色
constexpr uint32_t kBackgroundColourPicker = 0x1601220E;  // 颜色选择器_背景颜色
constexpr uint32_t kSizeComboBox = 0x16012242;       // 组合框1
constexpr uint32_t kLoadButton = 0x16010035;         // 按钮_加载
constexpr uint32_t kProgressBar = 0x16010039;        // 进度条1
constexpr uint32_t kGalleryScrollBar = 0x16010005;   // 纵向滚动条1
constexpr uint32_t kGalleryGroupBox = 0x16010003;    // 分组框_字体
constexpr uint32_t kSampleTemplate = 0x16010014;     // 图片框1

// Result-window units.
constexpr uint32_t kSaveDialog = 0x16012254;     // 通用对话框1
constexpr uint32_t kSaveButton = 0x16012251;     // 按钮_保存图片
constexpr uint32_t kResultPicture = 0x16012245;  // 图片框_生成结果

// Unit-type codes of the core library (library 1).
constexpr uint32_t kWindowType = 0x00010001;
constexpr uint32_t kEditBoxType = 0x00010005;
constexpr uint32_t kPictureBoxType = 0x00010006;
constexpr uint32_t kComboBoxType = 0x0001000E;
constexpr uint32_t kProgressBarType = 0x00010013;
constexpr uint32_t kCommonDialogType = 0x0001001F;

// Common properties.
enum CommonProperty : int32_t {
    kLeft = 0,
    kTop = 1,
    kWidth = 2,
    kHeight = 3,
    kTag = 4,
    kVisible = 5,
    kDisabled = 6,
};

// Unit-type properties used by the program.
constexpr int32_t kEditContent = 8;
constexpr int32_t kComboContent = 9;
constexpr int32_t kComboSelection = 19;
constexpr int32_t kPickerColour = 8;
constexpr int32_t kScrollPosition = 12;
constexpr int32_t kProgressMaximum = 12;
constexpr int32_t kProgressPosition = 13;
constexpr int32_t kPictureBorder = 8;
constexpr int32_t kPicture = 10;
constexpr int32_t kDialogFileName = 10;
constexpr int32_t kDialogInitialFolder = 13;

// Runtime error 5: a unit found for a type has another type code.
constexpr int32_t kRuntimeErrorWrongUnitType = 5;

// A unit reference: window id in the low word, unit id in the high word,
// typed with the unit's type code.
struct UnitRef {
    uint32_t window = 0;
    uint32_t unit = 0;
    uint32_t type = 0;

    runtime::ArgRecord Arg() const { return {window | (uint64_t{unit} << 32), type}; }
    static UnitRef From(runtime::ArgRecord r) {
        return {static_cast<uint32_t>(r.value), static_cast<uint32_t>(r.value >> 32), r.type};
    }
};

// Property access by window and unit (member -1: the whole value).
int32_t ReadInt(uint32_t window, uint32_t unit, int32_t property);
void WriteInt(uint32_t window, uint32_t unit, int32_t property, int32_t value);
// A text or byte-set property: a new block that the caller owns.
Text ReadText(uint32_t window, uint32_t unit, int32_t property);
Bytes ReadBytes(uint32_t window, uint32_t unit, int32_t property);
void WriteText(uint32_t window, uint32_t unit, int32_t property, const char* text);
void WriteBytes(uint32_t window, uint32_t unit, int32_t property, const void* bytes);

}  // namespace app
