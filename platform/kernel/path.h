// Windows-style GBK paths <-> POSIX UTF-8 paths (rules in win/kernel.h).
#pragma once

#include <string>
#include <string_view>

namespace platform {

// "C:\a\b" and "\a\b" -> "/a/b"; "a\b/c" -> "a/b/c". GBK is converted to
// UTF-8 before separators are replaced, so a GBK trail byte 0x5C stays part
// of its character.
std::string ToPosixPath(std::string_view windowsGbk);
// "/a/b" -> "\a\b" in GBK.
std::string ToWindowsPath(std::string_view posixUtf8);
// The running executable's POSIX path ("" if it cannot be read).
std::string ExecutablePath();
// The executable's folder, without a trailing '/'.
std::string ExecutableFolder();
// Lexical clean-up: makes `p` absolute against the current directory and
// resolves "." and ".." and doubled separators.
std::string AbsolutePosixPath(std::string_view posixUtf8);

// Copies `text` into a caller's buffer the way the *A functions that return
// a path do: on success the length without NUL; when `size` is too small, the
// size needed including the NUL (and nothing is written).
uint32_t CopyPathOut(const std::string& text, char* buffer, uint32_t size);

}  // namespace platform
