// The runtime error report: text, caption, exit status 255, and what does
// not run after a fatal error.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "runtime/notify.h"
#include "runtime/runtime_error.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace {

using namespace runtime;
using sigtest::GbkToUtf8;
using sigtest::RuntimeTest;
using sigtest::U8;
using ::testing::ExitedWithCode;
using ::testing::HasSubstr;
using ::testing::Not;

class ErrorReportTest : public RuntimeTest {};

TEST_F(ErrorReportTest, ReportTextIsExactGbk) {
    EXPECT_EQ(GbkToUtf8(BuildErrorReport(4, RuntimeErrorMessage(4))),
              U8(u8"运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n"));
    // Code 0: no code line; an empty message: no message line.
    EXPECT_EQ(GbkToUtf8(BuildErrorReport(0, "x")), U8(u8"运行时出错!\r\n\r\n错误信息：x\r\n"));
    EXPECT_EQ(GbkToUtf8(BuildErrorReport(12, "")), U8(u8"运行时出错!\r\n\r\n错误代码：12\r\n\r\n"));
    EXPECT_EQ(GbkToUtf8(ErrorReportCaption()), U8(u8"错误"));
    // The report is GBK: the first character is the two bytes D4 CB.
    EXPECT_EQ(BuildErrorReport(0, "").substr(0, 2), "\xD4\xCB");
}

TEST_F(ErrorReportTest, MessagesByNumber) {
    EXPECT_EQ(GbkToUtf8(std::string(RuntimeErrorMessage(1))), U8(u8"数组成员引用下标超出定义范围"));
    EXPECT_EQ(GbkToUtf8(std::string(RuntimeErrorMessage(6))), U8(u8"调用DLL命令后发现堆栈错误"));
    EXPECT_EQ(GbkToUtf8(std::string(RuntimeErrorMessage(9))),
              U8(u8"“多项选择”命令的索引值参数小于零或超出了所提供参数表范围"));
    EXPECT_EQ(GbkToUtf8(std::string(RuntimeErrorMessage(11))), U8(u8"所提供参数的数据类型不符合要求"));
    EXPECT_TRUE(RuntimeErrorMessage(0).empty());
    EXPECT_TRUE(RuntimeErrorMessage(12).empty());
}

TEST_F(ErrorReportTest, ReportRuntimeErrorEndsWithStatus255) {
    EXPECT_EXIT(rt().ReportRuntimeError(4), ExitedWithCode(255),
                HasSubstr(U8(u8"错误: 运行时出错!\r\n\r\n错误代码：4\r\n\r\n错误信息：数组成员引用下标必须大于等于1\r\n")));
    // A number outside the table still ends the program, with its code.
    EXPECT_EXIT(rt().ReportRuntimeError(99), ExitedWithCode(255), HasSubstr(U8(u8"错误代码：99")));
}

TEST_F(ErrorReportTest, NotifyFatalUsesCodeZero) {
    std::string message = sigtest::Gbk(u8"自定义的错误");
    EXPECT_EXIT(NotifyRuntime(kNotifyFatalError, reinterpret_cast<uintptr_t>(message.c_str()), 0),
                ExitedWithCode(255), HasSubstr(U8(u8"运行时出错!\r\n\r\n错误信息：自定义的错误\r\n")));
}

TEST_F(ErrorReportTest, UnreadableTemplateSegmentIsFatal) {
    static const uint8_t kBroken[] = {8, 0, 0, 0, 1, 0, 0};  // window map cut short
    ProgramHeader header{};
    header.templates = kBroken;
    header.templatesLength = sizeof kBroken;
    EXPECT_EXIT(Start(&header), ExitedWithCode(255),
                HasSubstr(U8(u8"运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n")));
}

TEST_F(ErrorReportTest, EmptyWindowMapReadsAsNoWindows) {
    static const uint8_t kNoWindows[] = {0, 0, 0, 0};
    ProgramHeader header{};
    header.templates = kNoWindows;
    header.templatesLength = sizeof kNoWindows;
    Start(&header);
    EXPECT_EQ(NotifyRuntime(kNotifyWindowCount, 0, 0), 0);
    EXPECT_EQ(NotifyRuntime(kNotifyGetWindowTable, 0, 0),
              reinterpret_cast<intptr_t>(&Application::Instance().Table()));
}

TEST_F(ErrorReportTest, MissingStartWindowIsFatal) {
    ProgramHeader header{};
    Start(&header);
    EXPECT_EXIT(rt().LoadStartWindow(0x52010001), ExitedWithCode(255), HasSubstr(U8(u8"载入启动窗口失败")));
    EXPECT_EXIT(rt().ReadUnitProperty(0x52010001, 0x06010000, 0, -1), ExitedWithCode(255),
                HasSubstr(U8(u8"未载入欲访问窗口组件所在的窗口")));
}

// Exit routines leave a mark in a file so the parent can see what the dead
// child ran.
std::string g_markFile;
void MarkingExitRoutine(int32_t index) {
    std::ofstream(g_markFile, std::ios::app) << "exit " << index << "\n";
}

TEST_F(ErrorReportTest, ExitRoutinesDoNotRunAfterAFatalError) {
    // The dead child must write where the parent looks: fork without re-exec.
    GTEST_FLAG_SET(death_test_style, "fast");
    sigtest::TempDir dir;
    g_markFile = dir.File("marks");
    ProgramHeader header{};
    Start(&header);
    rt().RuntimeService(kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(&MarkingExitRoutine), 0, 0, 0, 0,
                        0);
    EXPECT_EXIT(rt().ReportRuntimeError(1), ExitedWithCode(255), HasSubstr(U8(u8"错误代码：1")));
    EXPECT_FALSE(std::filesystem::exists(g_markFile));
    // The control: ExitProgram runs them and ends with its own code.
    EXPECT_EXIT(rt().ExitProgram(3), ExitedWithCode(3), Not(HasSubstr(U8(u8"运行时出错"))));
    std::ifstream in(g_markFile);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "exit 0");
}

TEST_F(ErrorReportTest, ExitFromAnotherThreadEndsTheProcessAtOnce) {
    GTEST_FLAG_SET(death_test_style, "fast");
    sigtest::TempDir dir;
    g_markFile = dir.File("marks");
    ProgramHeader header{};
    Start(&header);
    rt().RuntimeService(kServiceRegisterExitRoutine, reinterpret_cast<uintptr_t>(&MarkingExitRoutine), 0, 0, 0, 0,
                        0);
    // A worker's exit request does no exit work of its own: the code only.
    EXPECT_EXIT(
        {
            std::thread worker([] { rt().ExitProgram(5); });
            worker.join();
        },
        ExitedWithCode(5), ::testing::_);
    EXPECT_FALSE(std::filesystem::exists(g_markFile));
}

int32_t g_handlerCalls = 0;
int32_t QuietHandler(int32_t, const char*) { return ++g_handlerCalls; }

TEST_F(ErrorReportTest, AnErrorHandlerCanTakeTheReportButNotTheExit) {
    ProgramHeader header{};
    Start(&header);
    Application::Instance().SetErrorHandler(&QuietHandler);
    EXPECT_EXIT(rt().ReportRuntimeError(2), ExitedWithCode(255), Not(HasSubstr(U8(u8"运行时出错"))));
}

}  // namespace
