// Loading the program's real windows into native windows, property access by
// WindowId/UnitId, closing with the pristine copy, and the fatal reports.
#include <filesystem>

#include "tests/runtime/windowing/real_program.h"
#include "win/testhooks.h"

namespace sigtest {
namespace {

using runtime::templates::kNoHandlerOffset;

TEST_F(RealWindowsTest, StartWindowHasEighteenRecordsWithEveryGroupBoxAfterItsMembers) {
    auto& records = Template(kStartWindow).records;
    ASSERT_EQ(records.size(), 18u);
    EXPECT_EQ(records.front().type_code, 0x00010001u);
    EXPECT_EQ(records[15].type_code, kGroupBoxType);
    EXPECT_EQ(records[17].type_code, kGroupBoxType);
    EXPECT_EQ(records[1].name, Gbk(u8"标签5"));
    EXPECT_EQ(records[17].name, Gbk(u8"分组框_字体"));
    int members = 0;
    for (size_t i = 1; i < records.size(); ++i) {
        if (records[i].parent == 0) continue;
        ++members;
        for (size_t j = 1; j < records.size(); ++j)
            if (records[j].id == records[i].parent) { EXPECT_GT(j, i) << GbkToUtf8(records[i].name); }
    }
    EXPECT_GE(members, 12);
}

TEST_F(RealWindowsTest, StartWindowLoadsWithGroupBoxesBeforeTheirMembers) {
    rt().LoadStartWindow(kStartWindow);
    auto& records = Template(kStartWindow).records;
    HWND window = records.front().live_object;
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    for (auto& r : records) EXPECT_TRUE(IsWindow(r.live_object)) << GbkToUtf8(r.name);
    // Created from the last record back: the two group boxes get the first
    // control numbers, and their members are their children.
    EXPECT_EQ(GetDlgCtrlID(records[17].live_object), 100);
    EXPECT_EQ(GetDlgCtrlID(records[15].live_object), 120);
    EXPECT_EQ(GetDlgCtrlID(records[1].live_object), 100 + 10 * 16);
    auto& options = RecordNamed(kStartWindow, Gbk(u8"分组框_选项"));
    auto& label = RecordNamed(kStartWindow, Gbk(u8"标签5"));
    EXPECT_EQ(GetParent(label.live_object), options.live_object);
    EXPECT_EQ(GetParent(options.live_object), window);
    // Stored position relative to the group box survives the re-parenting.
    EXPECT_EQ(ReadInt(kStartWindow, label.id, 0), label.left);
    EXPECT_EQ(ReadInt(kStartWindow, label.id, 2), label.width);
    // The window unit's created handler (stored offset 0) ran once, in context.
    ASSERT_EQ(Record().Routines(), std::vector<int>{compiled_program::kRoutine_StartWindowCreated});
    EXPECT_EQ(Record().calls[0].contextWindow, kStartWindow);
    EXPECT_EQ(Record().calls[0].contextUnit, records.front().id);
    std::string title(64, '\0');
    title.resize(GetWindowTextA(window, title.data(), 64));
    EXPECT_EQ(title, Gbk(u8"Morvane艺术字生成器"));
}

TEST_F(RealWindowsTest, HandlerOffsetZeroIsARealHandlerAndMinusOneIsNone) {
    auto& window = Template(kStartWindow).records.front();
    bool sawZero = false;
    for (auto& e : window.events)
        if (e.stored_offset == 0) {
            sawZero = true;
            EXPECT_EQ(e.routine, kRoutines[0]);
        }
    EXPECT_TRUE(sawZero);
    // A handler word of -1: nothing is raised and the record is left alone.
    window.events.push_back({5, kNoHandlerOffset, nullptr});
    rt().LoadStartWindow(kStartWindow);
    Record().calls.clear();
    runtime::EventRecord r{.window = kStartWindow, .unit = 0, .event = 5};
    EXPECT_EQ(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&r), 0), 0);
    EXPECT_EQ(r.hasResult, 0u);
    EXPECT_TRUE(Record().calls.empty());
}

TEST_F(RealWindowsTest, CommonPropertiesOfAnUnloadedWindowComeFromTheRecords) {
    auto& edit = RecordNamed(kStartWindow, Gbk(u8"编辑框_生成内容"));
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 0), edit.left);
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 1), edit.top);
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 5), (edit.flags & 1) != 0);
    // Writes are clamped and stay in the records for later loads.
    rt().WriteUnitProperty(kStartWindow, edit.id, 2, 0, static_cast<uint32_t>(-5));
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 2), 0);
    rt().WriteUnitProperty(kStartWindow, edit.id, 0, 0, 40000);
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 0), 32627);
    rt().WriteUnitProperty(kStartWindow, edit.id, 1, 0, static_cast<uint32_t>(-40000));
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 1), -32627);
    rt().WriteUnitProperty(kStartWindow, edit.id, 3, 0, 40000);
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 3), 32627);
    rt().WriteUnitProperty(kStartWindow, edit.id, 6, 0, 7);
    EXPECT_EQ(ReadInt(kStartWindow, edit.id, 6), 1);
}

TEST_F(RealWindowsTest, LiveWritesMoveTheWindowAndClosingRestoresTheStoredValues) {
    auto& stored = RecordNamed(kStartWindow, Gbk(u8"按钮_加载"));
    const uint32_t id = stored.id;
    const int32_t left = stored.left, width = stored.width;
    const std::string tag = stored.tag;
    rt().LoadStartWindow(kStartWindow);
    HWND window = Windows().WindowHandle(kStartWindow);
    rt().WriteUnitProperty(kStartWindow, id, 0, 0, 7);
    rt().WriteUnitProperty(kStartWindow, id, 2, 0, 33);
    rt().WriteUnitProperty(kStartWindow, id, 5, 0, 0);
    char tagText[] = "changed";
    rt().WriteUnitProperty(kStartWindow, id, 4, 0, reinterpret_cast<uintptr_t>(tagText));
    EXPECT_EQ(ReadInt(kStartWindow, id, 0), 7);
    EXPECT_EQ(ReadInt(kStartWindow, id, 2), 33);
    EXPECT_EQ(ReadInt(kStartWindow, id, 5), 0);
    HWND button = Template(kStartWindow).Find(id)->live_object;
    RECT rc;
    GetWindowRect(button, &rc);
    EXPECT_EQ(rc.right - rc.left, 33);
    EXPECT_FALSE(IsWindowVisible(button));

    DestroyWindow(window);
    EXPECT_FALSE(Windows().IsLoaded(kStartWindow));
    EXPECT_EQ(ReadInt(kStartWindow, id, 0), left);
    EXPECT_EQ(ReadInt(kStartWindow, id, 2), width);
    EXPECT_EQ(Template(kStartWindow).Find(id)->tag, tag);
    EXPECT_EQ(Template(kStartWindow).Find(id)->live_object, 0u);

    rt().LoadStartWindow(kStartWindow);
    EXPECT_EQ(ReadInt(kStartWindow, id, 0), left);
    EXPECT_EQ(ReadInt(kStartWindow, id, 2), width);
    EXPECT_EQ(ReadInt(kStartWindow, id, 5), 1);
}

TEST_F(RealWindowsTest, ResultWindowLoadsModallyAndReturnsWhenClosed) {
    rt().LoadStartWindow(kStartWindow);
    HWND start = Windows().WindowHandle(kStartWindow);
    static bool startEnabledWhileModal;
    // The created handler posts the close, the way a user would close it.
    Record().hook[compiled_program::kRoutine_ResultWindowCreated] = [] {
        HWND result = static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyWindowHandle, 1, 0));
        PostMessageA(result, WM_CLOSE, 0, 0);
    };
    Record().hook[compiled_program::kRoutine_ResultWindowDestroyed] = [] {
        startEnabledWhileModal = IsWindowEnabled(static_cast<HWND>(runtime::NotifyRuntime(runtime::kNotifyWindowHandle, 0, 0)));
    };
    runtime::LoadWindowRequest request{kResultWindow, 0, 1};
    EXPECT_EQ(runtime::NotifyRuntime(runtime::kNotifyLoadWindow, reinterpret_cast<uintptr_t>(&request), 0), 0);
    EXPECT_FALSE(Windows().IsLoaded(kResultWindow));
    EXPECT_FALSE(startEnabledWhileModal);
    EXPECT_TRUE(IsWindowEnabled(start));
    // The window that was active before is active again, as after a dialog:
    // keys go to it without a click.
    EXPECT_EQ(GetActiveWindow(), start);
    EXPECT_EQ(Record().Routines(),
              (std::vector<int>{compiled_program::kRoutine_StartWindowCreated, compiled_program::kRoutine_ResultWindowCreated,
                                compiled_program::kRoutine_ResultWindowDestroyed}));
    // Closing a window while another is loaded never ends the program.
    EXPECT_FALSE(QuitPosted());
}

TEST_F(RealWindowsTest, ClosingTheLastWindowEndsTheProgramOnlyAfterTheLoopStarted) {
    rt().LoadStartWindow(kStartWindow);
    DestroyWindow(Windows().WindowHandle(kStartWindow));
    EXPECT_FALSE(QuitPosted());

    rt().LoadStartWindow(kStartWindow);
    PostMessageA(Windows().WindowHandle(kStartWindow), WM_CLOSE, 0, 0);
    rt().RunMessageLoop();  // returns once the window is gone
    EXPECT_FALSE(Windows().IsLoaded(kStartWindow));
    EXPECT_EQ(Record().Routines().back(), compiled_program::kRoutine_StartWindowDestroyed);
}

TEST_F(RealWindowsTest, StartWindowScreenshotIsKept) {
    rt().LoadStartWindow(kStartWindow);
    HWND window = Windows().WindowHandle(kStartWindow);
    std::filesystem::create_directories(SIG_ARTIFACT_DIR);
    std::string path = std::string(SIG_ARTIFACT_DIR) + "/start_window.png";
    ASSERT_TRUE(SigTestCaptureWindow(window, path.c_str()));
    EXPECT_GT(std::filesystem::file_size(path), 100u);
    // The client area is painted with the button-face colour (system default).
    RECT client;
    GetClientRect(window, &client);
    POINT p{client.right - 3, client.bottom - 3};
    ClientToScreen(window, &p);
    RECT wr;
    GetWindowRect(window, &wr);
    EXPECT_EQ(SigTestWindowPixel(window, p.x - wr.left, p.y - wr.top), GetSysColor(COLOR_BTNFACE));
}

// The headless report goes to stderr as UTF-8.
using RealWindowsDeathTest = RealWindowsTest;

TEST_F(RealWindowsDeathTest, MissingWindowsAndUnitsAreFatal) {
    auto& edit = RecordNamed(kStartWindow, Gbk(u8"编辑框_生成内容"));
    EXPECT_EXIT(rt().ReadUnitProperty(0x52999999, 0, 0, 0), testing::ExitedWithCode(255),
                testing::HasSubstr(U8(u8"未载入欲访问窗口组件所在的窗口")));
    EXPECT_EXIT(rt().WriteUnitProperty(0x52999999, 0, 0, 0, 1), testing::ExitedWithCode(255),
                testing::HasSubstr(U8(u8"未载入欲访问窗口组件所在的窗口")));
    EXPECT_EXIT(rt().ReadUnitProperty(kStartWindow, edit.id, 8, 0), testing::ExitedWithCode(255),
                testing::HasSubstr(U8(u8"指定窗口尚未载入")));
    EXPECT_EXIT(rt().LoadStartWindow(0x52999999), testing::ExitedWithCode(255),
                testing::HasSubstr(U8(u8"载入启动窗口失败")));
    runtime::EventRecord unknownUnit{.window = kStartWindow, .unit = 0x16999999, .event = 0};
    EXPECT_EXIT(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&unknownUnit), 0),
                testing::ExitedWithCode(255), testing::HasSubstr(U8(u8"未找到引发事件的窗口组件")));
    runtime::EventRecord unknownWindow{.window = 0x52999999, .unit = 0, .event = 0};
    EXPECT_EXIT(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&unknownWindow), 0),
                testing::ExitedWithCode(255), testing::HasSubstr(U8(u8"未找到引发事件的窗口")));
}

}  // namespace
}  // namespace sigtest
