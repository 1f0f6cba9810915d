// FindUnits and the unit-list commands.
#include "libraries/core/unit_list_commands.h"
#include "tests/libraries/core/unit_commands/unit_commands_fixture.h"

namespace sigtest {
namespace {

using runtime::ArgRecord;

class UnitListTest : public UnitCommandsTest {
protected:
    // The unit ids of a list, in list order; the list is freed.
    static std::vector<uint32_t> Ids(const ArgRecord& list) {
        std::vector<uint32_t> ids;
        const int32_t n = static_cast<int32_t>(Command(core::kUnitListCount, {list}).value);
        for (int32_t i = 0; i < n; ++i) {
            ArgRecord item = Command(core::kUnitListItem, {list, runtime::MakeIntArg(i)});
            EXPECT_EQ(static_cast<uint32_t>(item.value), kMainWindow);
            ids.push_back(static_cast<uint32_t>(item.value >> 32));
        }
        Command(core::kFreeUnitList, {list});
        return ids;
    }
    static ArgRecord Find(std::vector<ArgRecord> args) {
        args.insert(args.begin(), Window(kMainWindow));
        return Command(core::kFindUnits, args);
    }
    static void ExpectEmptyEntry(const ArgRecord& list, int32_t index) {
        ArgRecord item = Command(core::kUnitListItem, {list, runtime::MakeIntArg(index)});
        EXPECT_EQ(item.value, 0u);
        EXPECT_EQ(item.type, 0x00010001u);
    }
};

TEST_F(UnitListTest, NameFilterIsAPrefixUnlessItStartsWithAt) {
    ASSERT_TRUE(Load(kMainWindow));
    const std::string prefix = Gbk(u8"编辑框_甲"), exact = Gbk(u8"@编辑框_甲"), partial = Gbk(u8"@编辑框");
    EXPECT_EQ(Ids(Find({Text(prefix)})), (std::vector<uint32_t>{kEditA, kEditAB}));
    EXPECT_EQ(Ids(Find({Text(exact)})), (std::vector<uint32_t>{kEditA}));
    EXPECT_EQ(Find({Text(partial)}).value, 0u);
    // No filter: every unit inside the window, in record order, never the window itself.
    EXPECT_EQ(Ids(Find({})), (std::vector<uint32_t>{kEditA, kEditAB, kButton, kCombo, kSortedCombo, kDialog, kSample, kGroup}));
}

TEST_F(UnitListTest, TypeNameAndTagBounds) {
    ASSERT_TRUE(Load(kMainWindow));
    const std::string combo = Gbk(u8"组合框"), edit = Gbk(u8"编辑框");
    const ArgRecord list = Find({Omitted(), Text(combo)});
    ASSERT_EQ(Command(core::kUnitListCount, {list}).value, 2u);
    const ArgRecord item = Command(core::kUnitListItem, {list, runtime::MakeIntArg(0)});
    EXPECT_EQ(item.type, kComboType);
    EXPECT_EQ(static_cast<uint32_t>(item.value >> 32), kCombo);
    Command(core::kFreeUnitList, {list});
    EXPECT_EQ(Ids(Find({Omitted(), Text(edit)})), (std::vector<uint32_t>{kEditA, kEditAB}));
    // Tags "5" and " 12abc" read as 5 and 12, "abc" and "" as 0, "-7" as -7.
    EXPECT_EQ(Ids(Find({Omitted(), Omitted(), runtime::MakeIntArg(5), runtime::MakeIntArg(12)})),
              (std::vector<uint32_t>{kEditA, kEditAB}));
    EXPECT_EQ(Ids(Find({Omitted(), Omitted(), runtime::MakeIntArg(6)})), (std::vector<uint32_t>{kEditAB}));
    EXPECT_EQ(Ids(Find({Omitted(), Omitted(), Omitted(), runtime::MakeIntArg(-1)})), (std::vector<uint32_t>{kCombo}));
}

TEST_F(UnitListTest, NoMatchRecordsNoList) {
    ASSERT_TRUE(Load(kMainWindow));
    const size_t before = core::LiveUnitListCount();
    const std::string none = Gbk(u8"没有");
    const ArgRecord r = Find({Text(none)});
    EXPECT_EQ(r.type, runtime::kTypeInt);
    EXPECT_EQ(r.value, 0u);
    EXPECT_EQ(Find({Omitted(), Omitted(), runtime::MakeIntArg(100), runtime::MakeIntArg(50)}).value, 0u);
    EXPECT_EQ(core::LiveUnitListCount(), before);
    // A window that is not loaded matches nothing either.
    EXPECT_EQ(Command(core::kFindUnits, {Window(kSecondWindow)}).value, 0u);
    EXPECT_EQ(core::LiveUnitListCount(), before);
}

TEST_F(UnitListTest, UnknownOrFreedHandlesReadAsEmptyLists) {
    ASSERT_TRUE(Load(kMainWindow));
    for (ArgRecord bogus : {runtime::MakeIntArg(0), runtime::MakeIntArg(12345), runtime::MakeIntArg(-1), Omitted()}) {
        EXPECT_EQ(Command(core::kUnitListCount, {bogus}).value, 0u);
        ExpectEmptyEntry(bogus, 0);
        Command(core::kFreeUnitList, {bogus});  // ignored
    }
    const size_t before = core::LiveUnitListCount();
    const ArgRecord list = Find({});
    ASSERT_NE(list.value, 0u);
    EXPECT_EQ(core::LiveUnitListCount(), before + 1);
    ExpectEmptyEntry(list, -1);
    ExpectEmptyEntry(list, 8);  // one past the eight units
    Command(core::kFreeUnitList, {list});
    EXPECT_EQ(core::LiveUnitListCount(), before);
    EXPECT_EQ(Command(core::kUnitListCount, {list}).value, 0u);
    ExpectEmptyEntry(list, 0);
    Command(core::kFreeUnitList, {list});  // a second free is ignored
    // Handles are not reused, so the freed one stays dead.
    const ArgRecord next = Find({});
    EXPECT_NE(next.value, list.value);
    EXPECT_EQ(Command(core::kUnitListCount, {list}).value, 0u);
    Command(core::kFreeUnitList, {next});
}

TEST_F(UnitListTest, HiddenUnitsStillCountButDestroyedOnesDoNot) {
    ASSERT_TRUE(Load(kMainWindow));
    ShowWindow(Live(kMainWindow, kEditA), SW_HIDE);
    DestroyWindow(Live(kMainWindow, kEditAB));
    const std::string prefix = Gbk(u8"编辑框");
    EXPECT_EQ(Ids(Find({Text(prefix)})), (std::vector<uint32_t>{kEditA}));
}

}  // namespace
}  // namespace sigtest
