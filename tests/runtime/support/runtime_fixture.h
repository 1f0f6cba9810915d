// Shared by the runtime and library tests: a fixture that gives every test a
// fresh application object, GBK/UTF-8 helpers for checking texts, and a
// temporary folder.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "runtime/application.h"
#include "runtime/entry_table.h"

namespace sigtest {

// UTF-8 source text as a std::string (u8 literals stay UTF-8 under the GBK
// execution character set).
inline std::string U8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

// Conversion with iconv directly, independent of the code under test.
inline std::string Convert(const char* to, const char* from, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    std::string out(in.size() * 4 + 8, '\0');
    char* ip = const_cast<char*>(in.data());
    size_t il = in.size();
    char* op = out.data();
    size_t ol = out.size();
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) return "<unconvertible>";
    out.resize(out.size() - ol);
    return out;
}
inline std::string GbkToUtf8(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk); }
inline std::string Gbk(const char8_t* utf8) { return Convert("GBK", "UTF-8", U8(utf8)); }

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sigrt-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& Path() const { return path_; }
    std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }

private:
    std::string path_;
};

// Every test starts from the state before start-up and leaves it so.
class RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        runtime::Application::Instance().Reset();
    }
    void TearDown() override { runtime::Application::Instance().Reset(); }

    // Installs a program header and runs RuntimeService 6 as an entry routine would.
    void Start(const runtime::ProgramHeader* header) {
        runtime::Application::Instance().SetProgram(header);
        rt().RuntimeService(runtime::kServiceStartRuntime, 0, 0, 0, 0, 0, 0);
    }
    static const runtime::RuntimeEntryTable& rt() { return runtime::EntryTable(); }
};

}  // namespace sigtest
