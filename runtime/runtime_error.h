// The runtime error report: the one exit path for failed runtime checks.
// One message box (caption "错误") with the report text, then ExitProgram(-1)
// without the program's exit routines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace runtime {

// Numbers of ReportRuntimeError; the number is also the code shown.
enum RuntimeErrorNumber : int32_t {
    kErrIndexAboveBound = 1,
    kErrNotNumeric = 2,
    kErrDimensionMismatch = 3,
    kErrIndexBelowOne = 4,
    kErrTypeMismatch = 5,
    kErrDllStack = 6,
    kErrNoReturnValue = 7,
    kErrCompareOnlyEqual = 8,
    kErrChooseIndex = 9,
    kErrRedimension = 10,
    kErrArgumentType = 11,
    kRuntimeErrorCount = 11,
};

// Fatal messages the runtime raises with code 0 (texts in runtime_error.cpp).
enum class FatalMessage : int32_t {
    TemplateSegment,     // reading the window-template segment failed
    StartWindow,         // the start window is missing or failed to load
    WindowNotLoaded,     // property access names a window not in the table
    UnitNotLoaded,       // a unit property needs a live unit
    UnitMissing,         // notify 2007 found no unit
    EventWindow,
    EventUnit,
    EventUnitInvalid,
    EventUnitOutsideHandler,
    NotNumeric,          // number-to-integer of a non-numeric kind
    DllExport,           // "%s": export name (empty library name)
    DllLibraryExport,    // "%s" "%s": library, export
    AllocationFailed,    // "%d": byte count
    Count
};

// Message of error n (1-11); empty for any other number.
std::string_view RuntimeErrorMessage(int32_t number);
const char* FatalMessageText(FatalMessage which);

// The report's text: "运行时出错!\r\n\r\n", the code line when code != 0, the
// message line when the message is not empty. GBK bytes.
std::string BuildErrorReport(int32_t code, std::string_view message);
const char* ErrorReportCaption();

[[noreturn]] void ReportFatalError(int32_t code, std::string_view message);
[[noreturn]] void ReportFatalError(FatalMessage which);
[[noreturn]] void ReportRuntimeError(int32_t number);
[[noreturn]] void ReportAllocationFailure(size_t bytes);
[[noreturn]] void ReportDllResolutionFailure(std::string_view library, std::string_view exportName);

}  // namespace runtime
