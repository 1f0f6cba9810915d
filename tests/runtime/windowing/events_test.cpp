// Raising events to the program's handlers: busy counter, typed arguments,
// handler sharing between copies, the close veto, common events from the
// message pre-translation and the window's key handling.
#include <cstring>

#include "tests/runtime/windowing/real_program.h"

namespace sigtest {
namespace {

using runtime::templates::EventHandler;

class EventsTest : public RealWindowsTest {
protected:
    // Adds a handler for `event` to a record, answering `answer`.
    static void AddHandler(runtime::templates::TemplateRecord& r, int32_t event, int extra, uint64_t answer) {
        r.events.push_back(EventHandler{event, 0, Extra(extra)});
        Record().answers[kExtraRoutine + extra] = answer;
    }
    static std::vector<RoutineCall> CallsOf(int routine) {
        std::vector<RoutineCall> out;
        for (auto& c : Record().calls)
            if (c.routine == routine) out.push_back(c);
        return out;
    }
    static void Pump() { runtime::NotifyRuntime(runtime::kNotifyProcessMessages, 0, 0); }
};

TEST_F(EventsTest, EventsAreDroppedWhileBusy) {
    rt().LoadStartWindow(kStartWindow);
    Record().calls.clear();
    runtime::EventRecord r{.window = kStartWindow, .unit = 0, .event = 0};
    runtime::NotifyRuntime(runtime::kNotifyBusyUp, 0, 0);
    EXPECT_EQ(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&r), 0), 0);
    EXPECT_TRUE(Record().calls.empty());
    runtime::NotifyRuntime(runtime::kNotifyBusyDown, 0, 0);
    runtime::NotifyRuntime(runtime::kNotifyBusyDown, 0, 0);  // never below 0
    EXPECT_EQ(runtime::Application::Instance().Busy(), 0);
    EXPECT_EQ(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&r), 0), 1);
    EXPECT_EQ(r.hasResult, 1u);
    // Outside the handler the context's window word is cleared again.
    uint32_t context[2] = {1, 1};
    EXPECT_EQ(runtime::NotifyRuntime(runtime::kNotifyEventContext, reinterpret_cast<uintptr_t>(context), 0), 0);
}

TEST_F(EventsTest, TypedEventsPassEightByteArgumentsAndSignExtendShorts) {
    auto& window = Template(kStartWindow).records.front();
    AddHandler(window, 9, 0, 0x1122334455667788ull);
    rt().LoadStartWindow(kStartWindow);
    runtime::TypedEventRecord r{.window = kStartWindow, .unit = 0, .event = 9, .argCount = 3};
    double d = 2.5;
    std::memcpy(&r.args[0].value, &d, 8);
    r.args[0].type = runtime::kTypeDouble;
    r.args[1].value = 0xFFFF;
    r.args[1].type = runtime::kTypeShort;
    r.args[2].value = 0xAAAABBBBCCCCDDDDull;
    r.args[2].type = runtime::kTypeInt;  // a 4-byte kind passes its first word only
    ASSERT_EQ(runtime::NotifyRuntime(runtime::kNotifyRaiseTypedEvent, reinterpret_cast<uintptr_t>(&r), 0), 1);
    auto calls = CallsOf(kExtraRoutine);
    ASSERT_EQ(calls.size(), 1u);
    double got;
    std::memcpy(&got, &calls[0].args[0], 8);
    EXPECT_EQ(got, 2.5);
    EXPECT_EQ(calls[0].args[1], 0xFFFFFFFFull);
    EXPECT_EQ(calls[0].args[2], 0xCCCCDDDDull);
    EXPECT_EQ(r.result, 0x1122334455667788ull);
    EXPECT_EQ(r.hasResult, 1u);
}

TEST_F(EventsTest, CopiesUseTheHandlersOfTheUnitTheyWereCopiedFrom) {
    auto& records = Template(kStartWindow).records;
    auto& from = RecordNamed(kStartWindow, Gbk(u8"标签5"));
    auto& copy = RecordNamed(kStartWindow, Gbk(u8"标签4"));
    AddHandler(from, -1, 1, 0);
    copy.events.clear();
    copy.reserved[0] = from.id;
    const uint32_t copyId = copy.id;
    ASSERT_EQ(records.size(), 18u);
    rt().LoadStartWindow(kStartWindow);
    runtime::EventRecord r{.window = kStartWindow, .unit = copyId, .event = -1, .argCount = 3, .args = {4, 5, 0}};
    EXPECT_EQ(runtime::NotifyRuntime(runtime::kNotifyRaiseEvent, reinterpret_cast<uintptr_t>(&r), 0), 1);
    auto calls = CallsOf(kExtraRoutine + 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].contextUnit, copyId);  // the context names the copy itself
    EXPECT_EQ(calls[0].args[0], 4u);
}

TEST_F(EventsTest, ACloseHandlerAnsweringZeroKeepsTheWindowAndSkipsEventOne) {
    auto& window = Template(kStartWindow).records.front();
    AddHandler(window, 12, 0, 0);
    AddHandler(window, 1, 1, 1);
    rt().LoadStartWindow(kStartWindow);
    HWND h = Windows().WindowHandle(kStartWindow);
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(h));
    EXPECT_EQ(CallsOf(kExtraRoutine).size(), 1u);
    EXPECT_TRUE(CallsOf(kExtraRoutine + 1).empty());
    // Allowing it: event 12 then event 1, then the window goes.
    Record().answers[kExtraRoutine] = 1;
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(CallsOf(kExtraRoutine + 1).size(), 1u);
    EXPECT_FALSE(Windows().IsLoaded(kStartWindow));
}

TEST_F(EventsTest, KeypadFiveIsReportedAsTheDigitKeyAndZeroSwallowsTheKey) {
    auto& window = Template(kStartWindow).records.front();
    AddHandler(window, -9, 0, 0);
    rt().LoadStartWindow(kStartWindow);
    HWND h = Windows().WindowHandle(kStartWindow);
    PostMessageA(h, WM_KEYDOWN, VK_NUMPAD5, 0);
    PostMessageA(h, WM_KEYDOWN, VK_DECIMAL, 0);
    PostMessageA(h, WM_KEYDOWN, 'A', 0);
    Pump();
    auto calls = CallsOf(kExtraRoutine);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].args[0], 0x35u);
    EXPECT_EQ(calls[1].args[0], 190u);
    EXPECT_EQ(calls[2].args[0], static_cast<uint64_t>('A'));
    EXPECT_EQ(calls[0].contextUnit, window.id);
}

TEST_F(EventsTest, MouseEventsCarryUnitCoordinatesAndTheirResultCanSwallow) {
    auto& label = RecordNamed(kStartWindow, Gbk(u8"标签5"));
    AddHandler(label, -1, 0, 1);
    const uint32_t id = label.id;
    rt().LoadStartWindow(kStartWindow);
    HWND h = Template(kStartWindow).Find(id)->live_object;
    PostMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(7, 9));
    Pump();
    auto calls = CallsOf(kExtraRoutine);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[0], 7u);
    EXPECT_EQ(calls[0].args[1], 9u);
    EXPECT_EQ(calls[0].contextUnit, id);
}

TEST_F(EventsTest, EscClosesTheWindowWhenItsPropertySaysSo) {
    rt().LoadStartWindow(kStartWindow);
    HWND h = Windows().WindowHandle(kStartWindow);
    // Esc-closes is property 22; turned off, Esc does nothing.
    rt().WriteUnitProperty(kStartWindow, 0, 22, 0, 0);
    PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_TRUE(IsWindow(h));
    rt().WriteUnitProperty(kStartWindow, 0, 22, 0, 1);
    EXPECT_EQ(rt().ReadUnitProperty(kStartWindow, 0, 22, 0), 1u);
    PostMessageA(h, WM_KEYDOWN, VK_ESCAPE, 0);
    Pump();
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(EventsTest, IdleCallbacksRunLastRegisteredFirstAndAreNotAddedTwice) {
    rt().LoadStartWindow(kStartWindow);
    HWND h = Windows().WindowHandle(kStartWindow);
    static std::vector<int> order;
    order.clear();
    runtime::IdleCallback a{h, [](uintptr_t) -> int32_t { order.push_back(1); return 0; }, 0};
    runtime::IdleCallback b{GetParent(h) ? GetParent(h) : Template(kStartWindow).records[17].live_object,
                            [](uintptr_t) -> int32_t {
                                order.push_back(2);
                                // End the loop from idle time.
                                PostMessageA(runtime::NotifyRuntime(runtime::kNotifyWindowHandle, 0, 0), WM_CLOSE, 0, 0);
                                return 0;
                            },
                            0};
    runtime::NotifyRuntime(runtime::kNotifyAddIdleCallback, reinterpret_cast<uintptr_t>(&a), 0);
    runtime::NotifyRuntime(runtime::kNotifyAddIdleCallback, reinterpret_cast<uintptr_t>(&a), 0);
    runtime::NotifyRuntime(runtime::kNotifyAddIdleCallback, reinterpret_cast<uintptr_t>(&b), 0);
    rt().RunMessageLoop();
    ASSERT_GE(order.size(), 2u);
    EXPECT_EQ(order[0], 2);
    EXPECT_EQ(order[1], 1);
}

}  // namespace
}  // namespace sigtest
