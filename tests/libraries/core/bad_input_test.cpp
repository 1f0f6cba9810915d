// Every value command with null, empty, omitted, missing and wrong-kind
// arguments: a neutral result, never a crash (ASan/UBSan builds check the rest).
#include <algorithm>
#include <iterator>

#include "tests/libraries/core/core_fixture.h"

namespace {

using namespace core;
using namespace runtime;
using sigtest::CoreTest;

class BadInputTest : public CoreTest {
protected:
    std::vector<CoreCommand> ValueCommands() {
        std::vector<CoreCommand> slots;
        // The unit and window commands have their own tests (unit_commands/);
        // the event-unit query ends the program outside a handler.
        static constexpr CoreCommand kUnitCommands[] = {
            kGetEventUnit, kGetWindowHandle, kLoadWindow, kComboGetItemValue, kFindUnits, kUnitListCount,
            kUnitListItem, kUnitName, kFreeUnitList, kComboClear, kComboAddItem, kCopyUnit, kProcessEvents,
            kCommonDialogOpen, kComboItemCount, kComboGetItemText};
        for (int32_t s = 0; s < kCoreCommandCount; ++s)
            if (kCoreCommands[s] && std::find(std::begin(kUnitCommands), std::end(kUnitCommands), s) == std::end(kUnitCommands))
                slots.push_back(static_cast<CoreCommand>(s));
        return slots;
    }

    // Calls with the given records and checks the result is a well-formed
    // value; text, byte-set and array results are freed by the fixture.
    ArgRecord Check(CoreCommand slot, std::vector<ArgRecord> records) {
        ArgRecord r = rt().CallCoreCommand(kCoreCommands[slot], static_cast<int32_t>(records.size()),
                                           records.empty() ? nullptr : records.data(), 0);
        switch (r.type) {
            case kTypeText: {
                const char* t = ArgPointer<const char>(r);
                if (t) { EXPECT_NE(*t, '\0') << "slot " << slot; }
                break;
            }
            case kTypeBytes:
                if (r.value) { EXPECT_GT(ByteSetLength(ArgPointer(r)), 0u) << "slot " << slot; }
                break;
            case kTypeText | kArrayFlag: {
                ArrayInfo info;
                EXPECT_TRUE(ReadArrayInfo(ArgPointer(r), kTypeText, &info)) << "slot " << slot;
                break;
            }
            case kTypeInt: case kTypeBool: case kTypeDouble:
            case 0:  // ToText/ToByteSet of nothing
                break;
            default:
                ADD_FAILURE() << "slot " << slot << " returned type " << std::hex << r.type;
        }
        if (r.value && (r.type == kTypeText || r.type == kTypeBytes || IsArrayType(r.type)))
            owned_.push_back({r.type, ArgPointer(r)});
        return r;
    }
};

TEST_F(BadInputTest, NoArgumentsAtAll) {
    // Twenty-eight value commands fill their slots; the unit commands' are empty.
    EXPECT_EQ(ValueCommands().size(), 28u);
    for (CoreCommand slot : ValueCommands()) Check(slot, {});
    // Neutral answers: not found, false, empty.
    EXPECT_EQ(ArgInt32(Check(kFindText, {})), -1);
    EXPECT_EQ(ArgInt32(Check(kFindTextBackward, {})), -1);
    EXPECT_EQ(ArgInt32(Check(kWriteFile, {})), 0);
    EXPECT_EQ(Check(kReadFile, {}).value, 0u);
    EXPECT_EQ(Check(kReadConfigItem, {}).value, 0u);
    EXPECT_EQ(ArgInt32(Check(kWriteConfigItem, {})), 0);
    EXPECT_EQ(Check(kSplitText, {}).type, kTypeText | kArrayFlag);
}

TEST_F(BadInputTest, OmittedNullEmptyAndWrongKinds) {
    const std::vector<std::vector<ArgRecord>> sets = {
        std::vector<ArgRecord>(6, Omitted()),
        std::vector<ArgRecord>(6, NullText()),
        std::vector<ArgRecord>(6, T("")),
        std::vector<ArgRecord>(6, MakePointerArg(nullptr, kTypeBytes)),
        std::vector<ArgRecord>(6, I(-1)),
        std::vector<ArgRecord>(6, I(INT32_MIN)),
        std::vector<ArgRecord>(6, I(INT32_MAX / 4096)),
        std::vector<ArgRecord>(6, MakeDoubleArg(std::nan(""))),
        std::vector<ArgRecord>(6, MakeDoubleArg(-1e300)),
        std::vector<ArgRecord>(6, ArgRecord{0xFFFFFFFFFFFFFFFFull, 0x12345678}),
        std::vector<ArgRecord>(6, MakePointerArg(nullptr, kTypeText | kArrayFlag)),
        std::vector<ArgRecord>(6, MakePointerArg(nullptr, kTypeInt | kArrayFlag)),
        {T("\xB0"), T("\xB0"), T("\xB0"), I(1), I(1), L(true)},  // lone lead bytes
        {T("a"), Omitted(), NullText(), I(0), I(-5), Omitted()},
    };
    for (CoreCommand slot : ValueCommands()) {
        if (slot == kWriteFile || slot == kWriteConfigItem) continue;  // below, with a real folder
        for (const auto& set : sets) Check(slot, set);
    }
}

TEST_F(BadInputTest, WritingCommandsWithBadArguments) {
    sigtest::TempDir dir;
    std::string file = dir.File("f");
    for (CoreCommand slot : {kWriteFile, kWriteConfigItem}) {
        Check(slot, {T(file), Omitted(), Omitted(), Omitted()});
        Check(slot, {T(file), NullText(), NullText(), NullText()});
        Check(slot, {T(file), I(5), MakeDoubleArg(1.5), L(true)});
        Check(slot, {NullText(), T("s"), T("k"), T("v")});
        Check(slot, {I(7), T("s"), T("k"), T("v")});
    }
    // The settings file keeps what it says: a written value with a line break
    // must not invent a section.
    std::string ini = dir.File("s.ini");
    Check(kWriteConfigItem, {T(ini), T("s"), T("k"), T("v\r\n[x]\r\ny=1")});
    EXPECT_EQ(std::string(ArgPointer<const char>(Check(kReadConfigItem, {T(ini), T("x"), T("y"), T("none")}))),
              "none");
}

TEST_F(BadInputTest, ArgumentCountsBelowWhatTheCommandReads) {
    // A non-null array with a count of 0 or -3 must not be read.
    ArgRecord poison[1] = {T("never read")};
    for (CoreCommand slot : ValueCommands()) {
        ArgRecord r = rt().CallCoreCommand(kCoreCommands[slot], 0, poison, 0);
        if (r.value && (r.type == kTypeText || r.type == kTypeBytes || IsArrayType(r.type)))
            owned_.push_back({r.type, ArgPointer(r)});
        r = rt().CallCoreCommand(kCoreCommands[slot], -3, poison, 0);
        if (r.value && (r.type == kTypeText || r.type == kTypeBytes || IsArrayType(r.type)))
            owned_.push_back({r.type, ArgPointer(r)});
    }
    EXPECT_EQ(ArgInt32(rt().CallCoreCommand(kCoreCommands[kTextLength], 0, poison, 0)), 0);
}

}  // namespace
