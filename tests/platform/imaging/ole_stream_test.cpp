// Streams on global memory: reading, seeking, writing, ownership of the block
// on release, clones, and stale or foreign stream pointers.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/imaging/ole_stream.h"
#include "win/kernel.h"
#include "win/ole.h"

using namespace platform;

namespace {

HGLOBAL BlockWith(const std::string& bytes, UINT flags = GMEM_MOVEABLE) {
    HGLOBAL h = GlobalAlloc(flags, bytes.size());
    void* p = GlobalLock(h);
    RtlMoveMemory(p, bytes.data(), bytes.size());
    GlobalUnlock(h);
    return h;
}

std::string ReadAll(IStream* s, ULONG chunk = 3) {
    std::string out;
    char buf[64];
    for (;;) {
        ULONG got = 99;
        EXPECT_EQ(s->Read(buf, chunk, &got), S_OK);
        if (got == 0) return out;
        out.append(buf, got);
    }
}

bool BlockLive(HGLOBAL h) {
    void* p = GlobalLock(h);
    if (!p) return false;
    GlobalUnlock(h);
    return true;
}

LARGE_INTEGER Move(LONGLONG v) {
    LARGE_INTEGER m;
    m.QuadPart = v;
    return m;
}

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override { streamsBefore_ = LiveStreamCount(); }
    void TearDown() override { EXPECT_EQ(LiveStreamCount(), streamsBefore_) << "a stream was not released"; }
    size_t streamsBefore_ = 0;
};

}  // namespace

TEST_F(StreamTest, ReadsTheBlockFromTheStart) {
    HGLOBAL h = BlockWith("picture bytes");
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(h, FALSE, &s), S_OK);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(ReadAll(s), "picture bytes");
    // At the end a read gives nothing and succeeds.
    char c;
    ULONG got = 7;
    EXPECT_EQ(s->Read(&c, 1, &got), S_OK);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(s->Read(nullptr, 1, &got), STG_E_INVALIDPOINTER);

    STATSTG st;
    ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.type, STGTY_STREAM);
    EXPECT_EQ(st.cbSize.QuadPart, 13u);
    EXPECT_EQ(st.pwcsName, nullptr);
    EXPECT_EQ(s->Stat(&st, 7), STG_E_INVALIDFLAG);

    HGLOBAL under = 0;
    EXPECT_EQ(GetHGlobalFromStream(s, &under), S_OK);
    EXPECT_EQ(under, h);
    EXPECT_EQ(s->Release(), 0u);
    EXPECT_TRUE(BlockLive(h)) << "a stream that does not own its block must leave it";
    EXPECT_EQ(GlobalFree(h), 0u);
}

TEST_F(StreamTest, Seeking) {
    HGLOBAL h = BlockWith("0123456789");
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(h, TRUE, &s), S_OK);
    ULARGE_INTEGER pos;
    ASSERT_EQ(s->Seek(Move(4), STREAM_SEEK_SET, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 4u);
    ASSERT_EQ(s->Seek(Move(2), STREAM_SEEK_CUR, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 6u);
    EXPECT_EQ(ReadAll(s), "6789");
    ASSERT_EQ(s->Seek(Move(-3), STREAM_SEEK_END, &pos), S_OK);
    EXPECT_EQ(ReadAll(s), "789");
    // Before the start, unknown origins and overflow are refused and leave
    // the position as it was.
    EXPECT_EQ(s->Seek(Move(-11), STREAM_SEEK_END, &pos), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(s->Seek(Move(0), 3, &pos), STG_E_INVALIDFUNCTION);
    ASSERT_EQ(s->Seek(Move(5), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(s->Seek(Move(INT64_MAX), STREAM_SEEK_CUR, &pos), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(ReadAll(s), "56789");
    // Past the end is allowed; nothing is read there.
    ASSERT_EQ(s->Seek(Move(1000), STREAM_SEEK_SET, &pos), S_OK);
    EXPECT_EQ(ReadAll(s), "");
    EXPECT_EQ(s->Release(), 0u);
}

TEST_F(StreamTest, WritingGrowsAnUnlockedBlockOnly) {
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(0, TRUE, &s), S_OK);
    HGLOBAL h = 0;
    ASSERT_EQ(GetHGlobalFromStream(s, &h), S_OK);
    ASSERT_NE(h, 0u);
    ULONG put = 0;
    ASSERT_EQ(s->Write("hello, ", 7, &put), S_OK);
    EXPECT_EQ(put, 7u);
    ASSERT_EQ(s->Write("world", 5, &put), S_OK);
    EXPECT_GE(GlobalSize(h), 12u);
    ASSERT_EQ(s->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadAll(s), "hello, world");

    // Overwrite in the middle keeps the size.
    ASSERT_EQ(s->Seek(Move(7), STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(s->Write("W", 1, &put), S_OK);
    STATSTG st;
    ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 12u);

    // While the owner holds the block locked it cannot move, so growing fails.
    ASSERT_NE(GlobalLock(h), nullptr);
    ASSERT_EQ(s->Seek(Move(0), STREAM_SEEK_END, nullptr), S_OK);
    EXPECT_EQ(s->Write("!", 1, &put), STG_E_MEDIUMFULL);
    EXPECT_EQ(put, 0u);
    GlobalUnlock(h);
    EXPECT_EQ(s->Write("!", 1, &put), S_OK);

    // Shrinking changes the stream's size; reads stop there.
    ULARGE_INTEGER size;
    size.QuadPart = 5;
    ASSERT_EQ(s->SetSize(size), S_OK);
    ASSERT_EQ(s->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadAll(s), "hello");
    EXPECT_EQ(s->Write(nullptr, 1, &put), STG_E_INVALIDPOINTER);
    EXPECT_EQ(s->Release(), 0u);
    EXPECT_FALSE(BlockLive(h)) << "a stream made on no block owns the one it made";
}

TEST_F(StreamTest, DeleteOnReleaseFreesTheBlockAtTheLastRelease) {
    HGLOBAL h = BlockWith("abc");
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(h, TRUE, &s), S_OK);
    EXPECT_EQ(s->AddRef(), 2u);
    EXPECT_EQ(s->Release(), 1u);
    EXPECT_TRUE(BlockLive(h));
    void* same = nullptr;
    ASSERT_EQ(s->QueryInterface(IID_ISequentialStream, &same), S_OK);
    EXPECT_EQ(same, s);
    EXPECT_EQ(s->Release(), 1u);
    EXPECT_EQ(s->QueryInterface(GUID{1, 2, 3, {4}}, &same), E_NOINTERFACE);
    EXPECT_EQ(same, nullptr);
    EXPECT_EQ(s->Release(), 0u);
    EXPECT_FALSE(BlockLive(h));
    EXPECT_EQ(GlobalSize(h), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(StreamTest, ClonesShareTheBlockWithTheirOwnPosition) {
    HGLOBAL h = BlockWith("abcdef");
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(h, TRUE, &s), S_OK);
    ASSERT_EQ(s->Seek(Move(2), STREAM_SEEK_SET, nullptr), S_OK);
    IStream* c = nullptr;
    ASSERT_EQ(s->Clone(&c), S_OK);
    ASSERT_NE(c, s);
    EXPECT_EQ(ReadAll(c), "cdef");
    EXPECT_EQ(ReadAll(s), "cdef");
    // A write through one is seen through the other.
    ASSERT_EQ(c->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    ASSERT_EQ(c->Write("X", 1, nullptr), S_OK);
    ASSERT_EQ(s->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadAll(s), "Xbcdef");
    EXPECT_EQ(s->Release(), 0u);
    EXPECT_TRUE(BlockLive(h)) << "the clone still uses the block";
    // CopyTo into a fresh stream through the target's own methods.
    IStream* target = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(0, TRUE, &target), S_OK);
    ASSERT_EQ(c->Seek(Move(1), STREAM_SEEK_SET, nullptr), S_OK);
    ULARGE_INTEGER want, read, written;
    want.QuadPart = 4;
    ASSERT_EQ(c->lpVtbl->CopyTo(c, target, want, &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 4u);
    EXPECT_EQ(written.QuadPart, 4u);
    ASSERT_EQ(target->Seek(Move(0), STREAM_SEEK_SET, nullptr), S_OK);
    EXPECT_EQ(ReadAll(target), "bcde");
    EXPECT_EQ(target->Release(), 0u);
    EXPECT_EQ(c->Release(), 0u);
    EXPECT_FALSE(BlockLive(h));
}

TEST_F(StreamTest, BadArguments) {
    EXPECT_EQ(CreateStreamOnHGlobal(0, TRUE, nullptr), E_INVALIDARG);
    IStream* s = reinterpret_cast<IStream*>(0x1234);
    // A freed block, and a handle of another kind.
    HGLOBAL h = BlockWith("x");
    ASSERT_EQ(GlobalFree(h), 0u);
    EXPECT_EQ(CreateStreamOnHGlobal(h, FALSE, &s), E_INVALIDARG);
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(CreateStreamOnHGlobal(GetProcessHeap(), FALSE, &s), E_INVALIDARG);
    EXPECT_EQ(s, nullptr);
    // An empty block is a valid, empty stream.
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_EQ(CreateStreamOnHGlobal(empty, TRUE, &s), S_OK);
    EXPECT_EQ(ReadAll(s), "");
    EXPECT_EQ(s->Release(), 0u);
    HGLOBAL out = 5;
    IStream foreign{};
    EXPECT_EQ(GetHGlobalFromStream(&foreign, &out), E_INVALIDARG);
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(GetHGlobalFromStream(nullptr, &out), E_INVALIDARG);
}

// The caller's own pointer outlives the stream: every method refuses it
// instead of following freed memory (the sanitizer build would see that),
// and a second Release does not free anything twice.
TEST_F(StreamTest, StaleStreamsAreRefused) {
    HGLOBAL h = BlockWith("abc");
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(h, TRUE, &s), S_OK);
    IStream* stale = s;
    EXPECT_EQ(s->Release(), 0u);
    EXPECT_EQ(stale->Release(), 0u);
    EXPECT_EQ(stale->AddRef(), 0u);
    char buf[4];
    ULONG got = 9;
    EXPECT_EQ(stale->Read(buf, 3, &got), E_HANDLE);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(stale->Write("a", 1, nullptr), E_HANDLE);
    EXPECT_EQ(stale->Seek(Move(0), STREAM_SEEK_SET, nullptr), E_HANDLE);
    STATSTG st;
    EXPECT_EQ(stale->Stat(&st, 0), E_HANDLE);
    IStream* c = reinterpret_cast<IStream*>(1);
    EXPECT_EQ(stale->Clone(&c), E_HANDLE);
    EXPECT_EQ(c, nullptr);
    HGLOBAL out = 1;
    EXPECT_EQ(GetHGlobalFromStream(stale, &out), E_INVALIDARG);

    // Many later streams: the stale pointer never takes over a live one
    // before the hold-back is used up, and never crashes after.
    std::vector<IStream*> later;
    for (int i = 0; i < 50; ++i) {
        IStream* n = nullptr;
        ASSERT_EQ(CreateStreamOnHGlobal(0, TRUE, &n), S_OK);
        EXPECT_NE(n, stale);
        later.push_back(n);
    }
    for (IStream* n : later) EXPECT_EQ(n->Release(), 0u);
}

// The block freed by its owner while the stream lives: reads fail cleanly.
TEST_F(StreamTest, BlockFreedUnderTheStream) {
    HGLOBAL h = BlockWith("abcdef");
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(h, FALSE, &s), S_OK);
    ASSERT_EQ(GlobalFree(h), 0u);
    char buf[4];
    ULONG got = 9;
    EXPECT_EQ(s->Read(buf, 3, &got), STG_E_READFAULT);
    EXPECT_EQ(got, 0u);
    bool called = false;
    EXPECT_FALSE(UseStreamRemainder(s, [&](std::span<const uint8_t>) { called = true; }));
    EXPECT_FALSE(called);
    EXPECT_EQ(s->Release(), 0u);

    // Shrunk by its owner: reads stop at the block's end, not the stream's.
    HGLOBAL g = BlockWith("abcdef");
    ASSERT_EQ(CreateStreamOnHGlobal(g, TRUE, &s), S_OK);
    ASSERT_EQ(GlobalReAlloc(g, 2, GMEM_MOVEABLE), g);
    EXPECT_EQ(ReadAll(s), "ab");
    size_t seen = 99;
    EXPECT_TRUE(UseStreamRemainder(s, [&](std::span<const uint8_t> b) { seen = b.size(); }));
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(s->Release(), 0u);
}
