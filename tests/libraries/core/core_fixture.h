// Calls core commands exactly as compiled logic does: argument records in
// local storage, CallCoreCommand through the entry table, and the result
// record owned by the caller.
#pragma once

#include <deque>
#include <initializer_list>
#include <string>

#include "libraries/core/core_library.h"
#include "tests/runtime/support/runtime_fixture.h"

namespace sigtest {

class CoreTest : public RuntimeTest {
protected:
    void SetUp() override {
        RuntimeTest::SetUp();
        Start(&header_);
    }
    void TearDown() override {
        for (auto& [type, block] : owned_) runtime::FreeValue(&runtime::NotifyRuntime, type, block);
        RuntimeTest::TearDown();
    }

    runtime::ArgRecord Call(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
        std::vector<runtime::ArgRecord> records(args);
        runtime::ArgRecord r = rt().CallCoreCommand(core::kCoreCommands[slot], static_cast<int32_t>(records.size()),
                                                    records.empty() ? nullptr : records.data(), 0);
        if (r.type == runtime::kTypeText || r.type == runtime::kTypeBytes || runtime::IsArrayType(r.type))
            owned_.push_back({r.type, runtime::ArgPointer(r)});
        return r;
    }
    std::string CallText(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
        runtime::ArgRecord r = Call(slot, args);
        EXPECT_EQ(r.type, runtime::kTypeText);
        const char* t = runtime::ArgPointer<const char>(r);
        if (t) { EXPECT_NE(*t, '\0') << "an empty text must be null"; }
        return t ? t : "";
    }
    std::string CallBytes(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
        runtime::ArgRecord r = Call(slot, args);
        EXPECT_EQ(r.type, runtime::kTypeBytes);
        void* b = runtime::ArgPointer(r);
        if (b) { EXPECT_GT(runtime::ByteSetLength(b), 0u) << "an empty byte set must be null"; }
        return std::string(runtime::ByteSetView(b));
    }
    int32_t CallInt(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
        runtime::ArgRecord r = Call(slot, args);
        EXPECT_TRUE(r.type == runtime::kTypeInt || r.type == runtime::kTypeBool);
        return runtime::ArgInt32(r);
    }
    double CallDouble(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args) {
        runtime::ArgRecord r = Call(slot, args);
        EXPECT_EQ(r.type, runtime::kTypeDouble);
        return runtime::ArgDouble(r);
    }

    // A text argument; the test keeps the bytes alive.
    runtime::ArgRecord T(std::string s) {
        texts_.push_back(std::move(s));
        return runtime::MakePointerArg(texts_.back().c_str(), runtime::kTypeText);
    }
    // A byte-set argument built on the runtime heap.
    runtime::ArgRecord B(std::string_view bytes) {
        void* set = runtime::MakeByteSet(&runtime::NotifyRuntime, bytes.data(), bytes.size());
        if (set) owned_.push_back({runtime::kTypeBytes, set});
        return runtime::MakePointerArg(set, runtime::kTypeBytes);
    }
    static runtime::ArgRecord I(int32_t v) { return runtime::MakeIntArg(v); }
    static runtime::ArgRecord L(bool v) { return runtime::MakeBoolArg(v); }
    static runtime::ArgRecord Omitted() { return {0, runtime::kTypeNone}; }
    static runtime::ArgRecord NullText() { return runtime::MakePointerArg(nullptr, runtime::kTypeText); }

    std::deque<std::string> texts_;
    std::vector<std::pair<uint32_t, void*>> owned_;
    const runtime::LibraryInfo* libraries_[1] = {&core::CoreLibraryInfo()};
    runtime::ProgramHeader header_{.libraryCount = 1, .libraries = libraries_};
};

}  // namespace sigtest
