#include "runtime/runtime_error.h"

#include <cstdio>
#include <iterator>

#include "runtime/application.h"
#include "windows.h"

namespace runtime {
namespace {

// ORDER RuntimeErrorNumber: message n at index n - 1.
constexpr const char* kRuntimeErrorMessages[] = {
    "数组成员引用下标超出定义范围",
    "未得到所需要的数值型数据",
    "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
    "数组成员引用下标必须大于等于1",
    "数据或数组类型不匹配",
    "调用DLL命令后发现堆栈错误",
    "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
    "被比较数据只能使用等于或不等于命令比较",
    "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
    "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
    "所提供参数的数据类型不符合要求",
};
static_assert(std::size(kRuntimeErrorMessages) == kRuntimeErrorCount);

// ORDER FatalMessage
constexpr const char* kFatalMessages[] = {
    "载入窗口模板数据段出错!",
    "载入启动窗口失败",
    "未载入欲访问窗口组件所在的窗口",
    "指定窗口尚未载入",
    "指定窗口或窗口组件不存在或尚未载入",
    "未找到引发事件的窗口",
    "未找到引发事件的窗口组件",
    "引发事件的窗口组件无效",
    "“取事件组件”命令只能在事件处理子程序中使用",
    "欲转换数据类型不是数值",
    "无法找到指定DLL库文件中的输出命令“%s”",
    "无法找到指定DLL库文件“%s”中的输出命令“%s”",
    "分配 %d 字节内存失败!",
};
static_assert(std::size(kFatalMessages) == static_cast<size_t>(FatalMessage::Count));

constexpr const char kReportHead[] = "运行时出错!\r\n\r\n";
constexpr const char kCodeLabel[] = "错误代码：";
constexpr const char kMessageLabel[] = "错误信息：";
constexpr const char kCaption[] = "错误";

// Replaces each "%s"/"%d" of a fixed message in turn; the fillers are GBK
// texts of any length, so no printf buffer can be outgrown.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> fillers) {
    std::string out;
    auto next = fillers.begin();
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == 'd') &&
            next != fillers.end()) {
            out += *next++;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

}  // namespace

std::string_view RuntimeErrorMessage(int32_t number) {
    if (number < 1 || number > kRuntimeErrorCount) return {};
    return kRuntimeErrorMessages[number - 1];
}

const char* FatalMessageText(FatalMessage which) { return kFatalMessages[static_cast<size_t>(which)]; }

const char* ErrorReportCaption() { return kCaption; }

std::string BuildErrorReport(int32_t code, std::string_view message) {
    std::string text = kReportHead;
    if (code != 0) {
        text += kCodeLabel;
        text += std::to_string(code);
        text += "\r\n\r\n";
    }
    if (!message.empty()) {
        text += kMessageLabel;
        text += message;
        text += "\r\n";
    }
    return text;
}

void ReportFatalError(int32_t code, std::string_view message) {
    Application& app = Application::Instance();
    std::string owned(message);  // the message may live in a block the exit work frees
    if (!app.CallErrorHandler(code, owned.c_str())) {
        std::string text = BuildErrorReport(code, owned);
        MessageBoxA(0, text.c_str(), kCaption, MB_OK | MB_ICONERROR);
    }
    app.DropExitRoutines();
    app.ExitProgram(-1);
}

void ReportFatalError(FatalMessage which) { ReportFatalError(0, FatalMessageText(which)); }

void ReportRuntimeError(int32_t number) { ReportFatalError(number, RuntimeErrorMessage(number)); }

void ReportAllocationFailure(size_t bytes) {
    ReportFatalError(0, Fill(FatalMessageText(FatalMessage::AllocationFailed), {std::to_string(bytes)}));
}

void ReportDllResolutionFailure(std::string_view library, std::string_view exportName) {
    if (library.empty())
        ReportFatalError(0, Fill(FatalMessageText(FatalMessage::DllExport), {exportName}));
    ReportFatalError(0, Fill(FatalMessageText(FatalMessage::DllLibraryExport), {library, exportName}));
}

}  // namespace runtime
