// How the application holds runtime values and calls core commands: texts and
// byte sets are blocks on the runtime heap owned by one holder (Text, Bytes,
// TextArray free theirs through the entry table), and core commands are
// called through CallCoreCommand with argument records built in local
// storage, as compiled logic does.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "libraries/core/core_library.h"
#include "runtime/entry_table.h"

namespace app {

const runtime::RuntimeEntryTable& Rt();

// An owned text block (GBK bytes and a NUL); null is the empty text.
class Text {
public:
    Text() = default;
    explicit Text(char* owned) : p_(owned) {}
    Text(Text&& o) noexcept : p_(o.release()) {}
    Text& operator=(Text&& o) noexcept;
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text();

    // A new block holding these bytes (null for none).
    static Text Copy(std::string_view bytes);
    // The pieces one after another, in one block.
    static Text Join(std::initializer_list<std::string_view> pieces);

    const char* get() const { return p_; }
    std::string_view view() const { return runtime::TextView(p_); }
    bool empty() const { return !p_ || !*p_; }
    char* release() {
        char* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    char* p_ = nullptr;
};

// An owned byte set {u32 1, u32 n, n bytes}; null is the empty byte set.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(void* owned) : p_(owned) {}
    Bytes(Bytes&& o) noexcept : p_(o.release()) {}
    Bytes& operator=(Bytes&& o) noexcept;
    Bytes(const Bytes&) = delete;
    Bytes& operator=(const Bytes&) = delete;
    ~Bytes();

    const void* get() const { return p_; }
    std::string_view view() const { return runtime::ByteSetView(p_); }
    size_t size() const { return runtime::ByteSetLength(p_); }
    bool empty() const { return size() == 0; }
    void* release() {
        void* p = p_;
        p_ = nullptr;
        return p;
    }

private:
    void* p_ = nullptr;
};

// An owned one-dimensional text array (each element its own block).
class TextArray {
public:
    TextArray() = default;
    explicit TextArray(void* owned) : p_(owned) {}
    TextArray(TextArray&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    TextArray(const TextArray&) = delete;
    TextArray& operator=(const TextArray&) = delete;
    ~TextArray();

    size_t size() const;
    // Element i (0-based here; compiled logic counts from 1).
    std::string_view at(size_t i) const;
    const char* pointer(size_t i) const;

private:
    void* p_ = nullptr;
};

// Argument records.
inline runtime::ArgRecord TextArg(const char* t) { return runtime::MakePointerArg(t, runtime::kTypeText); }
inline runtime::ArgRecord TextArg(const Text& t) { return TextArg(t.get()); }
inline runtime::ArgRecord IntArg(int32_t v) { return runtime::MakeIntArg(v); }
inline runtime::ArgRecord BoolArg(bool v) { return runtime::MakeBoolArg(v); }
inline runtime::ArgRecord OmittedArg() { return {0, runtime::kTypeNone}; }

// One core command through CallCoreCommand; the caller owns block results.
runtime::ArgRecord CallCore(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args);
Text CoreText(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args);
int32_t CoreInt(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args);
TextArray CoreTextArray(core::CoreCommand slot, std::initializer_list<runtime::ArgRecord> args);

}  // namespace app
