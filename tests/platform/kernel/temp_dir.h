// A private temporary folder per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/kernel/path.h"

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* base = std::getenv("TMPDIR");
        std::string templ = std::string(base && *base ? base : "/tmp") + "/sigkernel.XXXXXX";
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir_ = templ;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(dir_, ec);
    }
    // A POSIX path inside the folder.
    std::string Posix(const std::string& name) const { return dir_ + "/" + name; }
    // The same path in Windows form (GBK, backslashes), as the program passes it.
    std::string Win(const std::string& utf8Name) const { return platform::ToWindowsPath(dir_ + "/" + utf8Name); }

    static std::string Slurp(const std::string& posix) {
        std::ifstream in(posix, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void Spit(const std::string& posix, const std::string& bytes) {
        std::ofstream out(posix, std::ios::binary);
        out << bytes;
    }

    std::string dir_;
};
