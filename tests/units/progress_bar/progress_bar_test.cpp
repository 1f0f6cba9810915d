// The progress bar made through its descriptor's operations: stored data,
// creation styles, clamps and the rebuild answers, the range and position
// shown, and the bar colour the tool sets through message 0x409.
#include "tests/units/support/unit_fixture.h"
#include "units/progress_bar.h"
#include "win/commctrl.h"

namespace {

using runtime::templates::ProgressBarData;

const runtime::UnitType& Type() {
    static const runtime::UnitType type = units::ProgressBarUnitType();
    return type;
}

class ProgressBarTest : public unit_test::UnitTest {
protected:
    void SetUp() override {
        UnitTest::SetUp();
        // Every handler runs and answers 1; the units go on one host at the screen's origin.
        HandlersAnswer(true, 1);
        host_ = MakeParent(0, 0, 320, 240);
        ASSERT_NE(host_, 0u);
    }
    // At (10, 10), 200 x 20.
    HWND Make(const ProgressBarData& d) {
        HWND h = Create(Type(), runtime::templates::WriteStoredUnitData(d), host_, 10, 10, 200, 20);
        EXPECT_NE(h, 0u);
        return h;
    }
    static int Shown(HWND h) { return static_cast<int>(SendMessageA(h, PBM_GETPOS, 0, 0)); }
    static std::pair<int, int> Range(HWND h) {
        PBRANGE r{-1, -1};
        SendMessageA(h, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&r));
        return {r.iLow, r.iHigh};
    }
    HWND host_ = 0;
};

TEST_F(ProgressBarTest, StoredDataDefaultsStylesAndRefusals) {
    HWND h = Create(Type(), {}, host_, 0, 0, 100, 20);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Get(Type(), h, units::kPgBorder), 3u);
    EXPECT_NE(GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_STATICEDGE, 0);
    EXPECT_EQ(Get(Type(), h, units::kPgDirection), 0u);
    EXPECT_EQ(Get(Type(), h, units::kPgBarStyle), 0u);
    EXPECT_EQ(Get(Type(), h, units::kPgMinimum), 0u);
    EXPECT_EQ(Get(Type(), h, units::kPgMaximum), 100u);
    EXPECT_EQ(Get(Type(), h, units::kPgPosition), 0u);
    EXPECT_EQ(Range(h), std::make_pair(0, 100));

    ProgressBarData d;
    d.border = 5;
    d.direction = 1;
    d.bar_style = 1;
    d.minimum = 10;
    d.maximum = 60;
    d.position = 70;
    HWND v = Make(d);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(v, GWL_STYLE));
    EXPECT_NE(style & PBS_VERTICAL, 0u);
    EXPECT_NE(style & PBS_SMOOTH, 0u);
    EXPECT_NE(style & WS_BORDER, 0u);
    EXPECT_EQ(Range(v), std::make_pair(10, 60));
    EXPECT_EQ(Shown(v), 60);
    EXPECT_EQ(Get(Type(), v, units::kPgPosition), 70u);
    const std::vector<uint8_t> saved = Saved(Type(), v);
    EXPECT_EQ(saved, runtime::templates::WriteStoredUnitData(d));

    std::vector<uint8_t> v2 = saved;
    v2[0] = 2;
    EXPECT_EQ(Create(Type(), v2, host_, 0, 0, 10, 10), 0u);
    for (size_t cut = 1; cut < saved.size(); ++cut)
        EXPECT_EQ(Create(Type(), std::vector<uint8_t>(saved.begin(), saved.begin() + cut), host_, 0, 0, 10, 10), 0u);
    // Stored values outside every range still make a working bar.
    ProgressBarData odd;
    odd.border = 77;
    odd.minimum = -40;
    odd.maximum = 1 << 30;
    odd.position = -1;
    HWND o = Make(odd);
    ASSERT_NE(o, 0u);
    EXPECT_EQ(Range(o), std::make_pair(0, 32767));
}

TEST_F(ProgressBarTest, DirectionAndBarStyleRebuildOnlyWhenTheyChange) {
    HWND h = Make({});
    EXPECT_EQ(Set(Type(), h, units::kPgDirection, 0), 0);
    EXPECT_EQ(Set(Type(), h, units::kPgDirection, 5), 1);  // clamped to 1: a change
    EXPECT_EQ(Get(Type(), h, units::kPgDirection), 1u);
    EXPECT_EQ(Set(Type(), h, units::kPgDirection, 1), 0);
    EXPECT_EQ(Set(Type(), h, units::kPgBarStyle, static_cast<uint32_t>(-2)), 0);  // 0 again
    EXPECT_EQ(Set(Type(), h, units::kPgBarStyle, 1), 1);
    // The rebuild makes the styles from the saved data.
    ProgressBarData back;
    ASSERT_TRUE(runtime::templates::ReadStoredUnitData(Saved(Type(), h), back));
    EXPECT_EQ(back.direction, 1);
    EXPECT_EQ(back.bar_style, 1);
    HWND rebuilt = Create(Type(), Saved(Type(), h), host_, 10, 40, 200, 20);
    EXPECT_NE(GetWindowLongA(rebuilt, GWL_STYLE) & PBS_VERTICAL, 0);
    EXPECT_NE(GetWindowLongA(rebuilt, GWL_STYLE) & PBS_SMOOTH, 0);
    // The other writes never rebuild.
    EXPECT_EQ(Set(Type(), h, units::kPgBorder, 99), 0);
    EXPECT_EQ(Get(Type(), h, units::kPgBorder), 5u);
    EXPECT_EQ(Set(Type(), h, units::kPgMinimum, 4), 0);
    EXPECT_EQ(Set(Type(), h, units::kPgPosition, 4), 0);
    EXPECT_EQ(Set(Type(), h, 6, 4), 0);
}

TEST_F(ProgressBarTest, RangeAndPositionClampAndShowInsideTheRange) {
    HWND h = Make({});
    Set(Type(), h, units::kPgPosition, 500);
    EXPECT_EQ(Get(Type(), h, units::kPgPosition), 500u);
    EXPECT_EQ(Shown(h), 100);
    Set(Type(), h, units::kPgPosition, static_cast<uint32_t>(-7));
    EXPECT_EQ(Get(Type(), h, units::kPgPosition), 0u);
    Set(Type(), h, units::kPgPosition, 99999);
    EXPECT_EQ(Get(Type(), h, units::kPgPosition), 32767u);
    Set(Type(), h, units::kPgMinimum, 80);
    Set(Type(), h, units::kPgMaximum, 20);
    EXPECT_EQ(Range(h), std::make_pair(20, 80));
    EXPECT_EQ(Get(Type(), h, units::kPgMinimum), 80u);
    EXPECT_EQ(Shown(h), 80);
    Set(Type(), h, units::kPgPosition, 50);
    EXPECT_EQ(Shown(h), 50);
    Set(Type(), h, units::kPgMaximum, static_cast<uint32_t>(-1));
    EXPECT_EQ(Get(Type(), h, units::kPgMaximum), 0u);
    EXPECT_EQ(Range(h), std::make_pair(0, 80));
}

TEST_F(ProgressBarTest, FullBarInTheColourSetThroughItsWindowHandle) {
    ProgressBarData d;
    d.bar_style = 1;  // smooth: no gaps between segments
    d.border = 0;
    HWND h = Make(d);
    Set(Type(), h, units::kPgPosition, 500);  // shown full
    // What the tool sends: wParam 1, lParam 0x0000FFFF (yellow).
    SendMessageA(h, 0x409, 1, 0x0000FFFF);
    unit_test::Capture full(host_);
    ASSERT_TRUE(full.Ok());
    EXPECT_EQ(full.At(10 + 100, 20), 0x0000FFFFu);
    EXPECT_EQ(full.At(10 + 195, 20), 0x0000FFFFu);
    // Half: the second half keeps the control's background.
    Set(Type(), h, units::kPgPosition, 50);
    unit_test::Capture half(host_);
    EXPECT_EQ(half.At(10 + 40, 20), 0x0000FFFFu);
    EXPECT_NE(half.At(10 + 160, 20), 0x0000FFFFu);
}

}  // namespace
