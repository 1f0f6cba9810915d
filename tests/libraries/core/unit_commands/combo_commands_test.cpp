// The combo-box commands on a native combo list.
#include "tests/libraries/core/unit_commands/unit_commands_fixture.h"

namespace sigtest {
namespace {

using runtime::ArgRecord;

class ComboCommandsTest : public UnitCommandsTest {
protected:
    static ArgRecord Combo() { return Unit(kMainWindow, kCombo, kComboType); }
    static int32_t Int(const ArgRecord& r) { return static_cast<int32_t>(static_cast<uint32_t>(r.value)); }
};

TEST_F(ComboCommandsTest, AddedItemsKeepTheirTextsAndValues) {
    ASSERT_TRUE(Load(kMainWindow));
    EXPECT_EQ(Int(Command(core::kComboItemCount, {Combo()})), 0);
    const std::string big = Gbk(u8"大型字"), small = Gbk(u8"小");
    EXPECT_EQ(Int(Command(core::kComboAddItem, {Combo(), Text(big), runtime::MakeIntArg(128)})), 0);
    EXPECT_EQ(Int(Command(core::kComboAddItem, {Combo(), Text(small)})), 1);  // value omitted: 0
    EXPECT_EQ(Int(Command(core::kComboAddItem, {Combo(), Text(""), runtime::MakeIntArg(-5)})), 2);
    EXPECT_EQ(Int(Command(core::kComboItemCount, {Combo()})), 3);
    EXPECT_EQ(TextResult(Command(core::kComboGetItemText, {Combo(), runtime::MakeIntArg(0)})), big);
    EXPECT_EQ(TextResult(Command(core::kComboGetItemText, {Combo(), runtime::MakeIntArg(1)})), small);
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(0)})), 128);
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(1)})), 0);
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(2)})), -5);
    // Seen by the list itself, not only through the commands.
    EXPECT_EQ(SendMessageA(Live(kMainWindow, kCombo), CB_GETCOUNT, 0, 0), 3);
}

TEST_F(ComboCommandsTest, IndexOutsideTheItemsGivesMinusOneAndEmptyText) {
    ASSERT_TRUE(Load(kMainWindow));
    const std::string a = Gbk(u8"甲");
    Command(core::kComboAddItem, {Combo(), Text(a), runtime::MakeIntArg(9)});
    for (int32_t index : {-1, 1, 2, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(index)})), -1) << index;
        const ArgRecord text = Command(core::kComboGetItemText, {Combo(), runtime::MakeIntArg(index)});
        EXPECT_EQ(text.type, runtime::kTypeText);
        EXPECT_EQ(text.value, 0u) << index;
    }
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo()})), -1);  // index omitted
}

TEST_F(ComboCommandsTest, ClearEmptiesTheList) {
    ASSERT_TRUE(Load(kMainWindow));
    const std::string a = Gbk(u8"甲");
    for (int i = 0; i < 4; ++i) Command(core::kComboAddItem, {Combo(), Text(a)});
    ASSERT_EQ(Int(Command(core::kComboItemCount, {Combo()})), 4);
    Command(core::kComboClear, {Combo()});
    EXPECT_EQ(Int(Command(core::kComboItemCount, {Combo()})), 0);
    EXPECT_EQ(Int(Command(core::kComboAddItem, {Combo(), Text(a)})), 0);
}

TEST_F(ComboCommandsTest, ComboOfAWindowThatIsNotLoaded) {
    const std::string a = Gbk(u8"甲");
    EXPECT_EQ(Int(Command(core::kComboItemCount, {Combo()})), 0);
    EXPECT_EQ(Int(Command(core::kComboAddItem, {Combo(), Text(a)})), -1);
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(0)})), -1);
    EXPECT_EQ(Command(core::kComboGetItemText, {Combo(), runtime::MakeIntArg(0)}).value, 0u);
    Command(core::kComboClear, {Combo()});  // nothing to clear, no harm
    EXPECT_FALSE(Loaded(kMainWindow));
}

// The real combo-box unit keeps its stored items in its native list, so the
// commands see them and what they add.
class RealComboTest : public ComboCommandsTest {
protected:
    void SetUp() override {
        realCombo_ = true;
        ComboCommandsTest::SetUp();
    }
};

TEST_F(RealComboTest, CommandsWorkOnTheComboBoxUnitsList) {
    ASSERT_TRUE(Load(kMainWindow));
    ASSERT_EQ(Int(Command(core::kComboItemCount, {Combo()})), 3);
    EXPECT_EQ(TextResult(Command(core::kComboGetItemText, {Combo(), runtime::MakeIntArg(2)})), Gbk(u8"大"));
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(1)})), 64);
    const std::string more = Gbk(u8"特大");
    EXPECT_EQ(Int(Command(core::kComboAddItem, {Combo(), Text(more), runtime::MakeIntArg(256)})), 3);
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(3)})), 256);
    EXPECT_EQ(Int(Command(core::kComboGetItemValue, {Combo(), runtime::MakeIntArg(4)})), -1);
    Command(core::kComboClear, {Combo()});
    EXPECT_EQ(Int(Command(core::kComboItemCount, {Combo()})), 0);
}

TEST_F(RealComboTest, SortedListTakesTheItemAtItsPlaceWithItsValue) {
    ASSERT_TRUE(Load(kMainWindow));
    const ArgRecord sorted = Unit(kMainWindow, kSortedCombo, kComboType);
    EXPECT_EQ(Int(Command(core::kComboAddItem, {sorted, Text("c"), runtime::MakeIntArg(3)})), 1);
    EXPECT_EQ(Int(Command(core::kComboAddItem, {sorted, Text("a"), runtime::MakeIntArg(1)})), 0);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(TextResult(Command(core::kComboGetItemText, {sorted, runtime::MakeIntArg(i)})), std::string(1, 'a' + i));
        EXPECT_EQ(Int(Command(core::kComboGetItemValue, {sorted, runtime::MakeIntArg(i)})), i + 1);
    }
}

}  // namespace
}  // namespace sigtest
