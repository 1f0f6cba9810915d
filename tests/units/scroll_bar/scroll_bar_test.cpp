// The vertical scroll bar made through its descriptor's operations, inside a
// picture box that hands its scroll notifications back: stored data, clamps
// of the range, steps and position, and the scroll rule with its event.
#include "tests/units/support/unit_fixture.h"
#include "units/picture_box.h"
#include "units/scroll_bar.h"

namespace {

using runtime::templates::VScrollBarData;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = units::ScrollBarUnitType();
    return type;
}

class ScrollBarTest : public unit_test::UnitTest {
protected:
    void SetUp() override {
        UnitTest::SetUp();
        // Every handler runs and answers 1; the units go on one host at the screen's origin.
        HandlersAnswer(true, 1);
        host_ = MakeParent(0, 0, 320, 240);
        ASSERT_NE(host_, 0u);
        static const runtime::UnitType box = units::PictureBoxUnitType();
        container_ = Create(box, {}, host_, 0, 0, 320, 240);
        ASSERT_NE(container_, 0u);
    }
    // At (200, 10), 17 x 200, in the container at the host's origin.
    HWND Make(const VScrollBarData& d) {
        HWND h = Create(Type(), runtime::templates::WriteStoredUnitData(d), container_, 200, 10, 17, 200);
        EXPECT_NE(h, 0u);
        return h;
    }
    // What the control tells its parent; the container hands it back.
    void Tell(HWND bar, int code, int thumb = 0) {
        SendMessageA(container_, WM_VSCROLL, MAKEWPARAM(code, thumb), static_cast<LPARAM>(bar));
    }
    static int Shown(HWND h) { return static_cast<int>(SendMessageA(h, SBM_GETPOS, 0, 0)); }
    static std::pair<int, int> Range(HWND h) {
        int lo = -1, hi = -1;
        SendMessageA(h, SBM_GETRANGE, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
        return {lo, hi};
    }
    HWND host_ = 0, container_ = 0;
};

TEST_F(ScrollBarTest, StoredDataDefaultsTheToolsOwnRecordAndRefusals) {
    HWND h = Create(Type(), {}, container_, 0, 0, 17, 100);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Get(Type(), h, units::kSbMinimum), 1u);
    EXPECT_EQ(Get(Type(), h, units::kSbMaximum), 100u);
    EXPECT_EQ(Get(Type(), h, units::kSbPageStep), 10u);
    EXPECT_EQ(Get(Type(), h, units::kSbLineStep), 1u);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 1u);
    EXPECT_EQ(Get(Type(), h, units::kSbFollowThumb), 1u);
    EXPECT_NE(GetWindowLongA(h, GWL_STYLE) & SBS_VERT, 0);

    const std::vector<uint8_t> tool = {1, 0, 0, 0, 1, 0, 0, 0, 0x80, 0x0C, 0, 0, 10, 0, 0, 0,
                                       1, 0, 0, 0, 1, 0, 0, 0, 1,    0,    0, 0};
    HWND t = Create(Type(), tool, container_, 0, 0, 17, 100);
    ASSERT_NE(t, 0u);
    EXPECT_EQ(Get(Type(), t, units::kSbMaximum), 3200u);
    EXPECT_EQ(Range(t), std::make_pair(1, 3200));
    EXPECT_EQ(Saved(Type(), t), tool);

    std::vector<uint8_t> v2 = tool;
    v2[0] = 2;
    EXPECT_EQ(Create(Type(), v2, container_, 0, 0, 17, 100), 0u);
    for (size_t cut = 1; cut < tool.size(); ++cut)
        EXPECT_EQ(Create(Type(), std::vector<uint8_t>(tool.begin(), tool.begin() + cut), container_, 0, 0, 17, 100), 0u);
    // Arbitrary values from a stored record never upset the control.
    const std::vector<uint8_t> odd = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0x80, 0, 0, 0, 0x80,
                                      0, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    HWND o = Create(Type(), odd, container_, 0, 0, 17, 100);
    ASSERT_NE(o, 0u);
    EXPECT_EQ(Range(o), std::make_pair(0, 32767));
    Tell(o, SB_LINEDOWN);
    Tell(o, SB_PAGEUP);
    EXPECT_LE(Get(Type(), o, units::kSbPosition), 32767u);
    EXPECT_EQ(Create(Type(), odd, 0, 0, 0, 17, 100), 0u);  // no parent
}

TEST_F(ScrollBarTest, PropertyWritesClampAndNeverAskForARebuild) {
    HWND h = Make({});
    EXPECT_EQ(Set(Type(), h, units::kSbMinimum, static_cast<uint32_t>(-5)), 0);
    EXPECT_EQ(Get(Type(), h, units::kSbMinimum), 0u);
    EXPECT_EQ(Set(Type(), h, units::kSbMaximum, 40000), 0);
    EXPECT_EQ(Get(Type(), h, units::kSbMaximum), 32767u);
    EXPECT_EQ(Range(h), std::make_pair(0, 32767));
    Set(Type(), h, units::kSbPageStep, 0);
    EXPECT_EQ(Get(Type(), h, units::kSbPageStep), 1u);
    Set(Type(), h, units::kSbLineStep, static_cast<uint32_t>(-9));
    EXPECT_EQ(Get(Type(), h, units::kSbLineStep), 1u);
    Set(Type(), h, units::kSbPageStep, 99999);
    EXPECT_EQ(Get(Type(), h, units::kSbPageStep), 32767u);
    Set(Type(), h, units::kSbPosition, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 0u);
    Set(Type(), h, units::kSbFollowThumb, 7);
    EXPECT_EQ(Get(Type(), h, units::kSbFollowThumb), 1u);

    // Minimum above maximum: the range runs from the smaller.
    Set(Type(), h, units::kSbMinimum, 80);
    Set(Type(), h, units::kSbMaximum, 20);
    EXPECT_EQ(Range(h), std::make_pair(20, 80));
    // A position outside the range is kept and shown clamped.
    Set(Type(), h, units::kSbPosition, 500);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 500u);
    EXPECT_EQ(Shown(h), 80);
    Set(Type(), h, units::kSbPosition, 3);
    EXPECT_EQ(Shown(h), 20);
    EXPECT_EQ(Set(Type(), h, 6, 1), 0);
    EXPECT_TRUE(Raised().empty());  // writes raise no event
}

TEST_F(ScrollBarTest, DisabledScrollBarStaysDisabledWhenThePositionIsSet) {
    HWND h = Make({});
    EnableWindow(h, FALSE);
    Set(Type(), h, units::kSbPosition, 50);
    EXPECT_FALSE(IsWindowEnabled(h));
    EXPECT_EQ(Shown(h), 50);
}

TEST_F(ScrollBarTest, ScrollingMovesByTheStepsClampsAndRaisesEventZero) {
    VScrollBarData d;
    d.line_step = 3;
    d.page_step = 25;
    HWND h = Make(d);
    Tell(h, SB_LINEDOWN);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 4u);
    EXPECT_EQ(Shown(h), 4);
    EXPECT_EQ(Events(units::kScrollBarPositionChanged).size(), 1u);
    EXPECT_EQ(Raised().back().unit, 0x16000001u);
    Tell(h, SB_PAGEDOWN);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 29u);
    Tell(h, SB_PAGEUP);
    Tell(h, SB_PAGEUP);  // below the minimum: clamped to 1
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 1u);
    EXPECT_EQ(Events(0).size(), 4u);
    Tell(h, SB_LINEUP);  // already at the lower end
    EXPECT_EQ(Events(0).size(), 4u);
    Tell(h, SB_BOTTOM);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 100u);
    Tell(h, SB_TOP);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 1u);
    Tell(h, SB_ENDSCROLL);
    EXPECT_EQ(Events(0).size(), 6u);
    // A stored position outside the range comes inside on the next scroll.
    Set(Type(), h, units::kSbPosition, 500);
    Tell(h, SB_LINEUP);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 100u);
    EXPECT_EQ(Events(0).size(), 7u);
}

TEST_F(ScrollBarTest, NoEventAtTheEndOfTheRangeOnALineDownClick) {
    VScrollBarData d;
    d.position = 100;
    HWND h = Make(d);
    // The down arrow, clicked as a user would: the control tells the
    // container, which hands the notification back.
    SigTestClick(208, 10 + 200 - 5, 1);
    SigTestWaitIdle(2000);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 100u);
    EXPECT_EQ(Events(0).size(), 0u);
    // The up arrow does move it.
    SigTestClick(208, 10 + 4, 1);
    SigTestWaitIdle(2000);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 99u);
    EXPECT_EQ(Events(0).size(), 1u);
}

TEST_F(ScrollBarTest, WithoutFollowingTheThumbOnlyTheReleaseCounts) {
    VScrollBarData d;
    d.follow_thumb = false;
    HWND h = Make(d);
    for (int pos : {10, 20, 30}) Tell(h, SB_THUMBTRACK, pos);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 1u);
    EXPECT_EQ(Events(0).size(), 0u);
    Tell(h, SB_THUMBPOSITION, 30);
    Tell(h, SB_ENDSCROLL);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 30u);
    EXPECT_EQ(Events(0).size(), 1u);

    // Following: every move counts, and the release at the same place adds nothing.
    Set(Type(), h, units::kSbFollowThumb, 1);
    for (int pos : {40, 50}) Tell(h, SB_THUMBTRACK, pos);
    Tell(h, SB_THUMBPOSITION, 50);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 50u);
    EXPECT_EQ(Events(0).size(), 3u);
    // A thumb position past the range is clamped.
    Tell(h, SB_THUMBPOSITION, 30000);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 100u);
}

TEST_F(ScrollBarTest, DraggingTheThumbWithoutFollowingRaisesOnceOnRelease) {
    VScrollBarData d;
    d.follow_thumb = false;
    HWND h = Make(d);
    // The thumb sits just below the up arrow at the first position.
    const int x = 208, y = 10 + 17 + 4;
    SigTestMouseButton(x, y, 1, TRUE);
    SigTestWaitIdle(1000);
    for (int to = y + 10; to <= y + 100; to += 10) {
        SigTestMouseMove(x, to);
        SigTestWaitIdle(1000);
    }
    EXPECT_EQ(Events(0).size(), 0u);
    EXPECT_EQ(Get(Type(), h, units::kSbPosition), 1u);
    SigTestMouseButton(x, y + 100, 1, FALSE);
    SigTestWaitIdle(1000);
    EXPECT_EQ(Events(0).size(), 1u);
    EXPECT_GT(Get(Type(), h, units::kSbPosition), 30u);
    EXPECT_EQ(Shown(h), static_cast<int>(Get(Type(), h, units::kSbPosition)));
}

TEST_F(ScrollBarTest, ANotificationForAnotherWindowIsNotTakenAsOwn) {
    HWND a = Make({});
    HWND b = Create(Type(), {}, container_, 240, 10, 17, 200);
    // Sent to a with b named as the sender: a ignores it.
    SendMessageA(a, WM_VSCROLL, SB_LINEDOWN, static_cast<LPARAM>(b));
    EXPECT_EQ(Get(Type(), a, units::kSbPosition), 1u);
    Tell(b, SB_LINEDOWN);
    EXPECT_EQ(Get(Type(), b, units::kSbPosition), 2u);
    EXPECT_EQ(Get(Type(), a, units::kSbPosition), 1u);
}

}  // namespace
