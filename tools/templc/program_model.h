// What templc reads from the readable sources: the program file and the
// window files it names, checked and with texts already in GBK.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "runtime/template/window_template.h"

namespace templc {

// A fault in a source file; the message starts with "file:line:col:".
struct CompileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct DllDeclaration {
  std::string library;  // may be empty
  std::string export_name;
  uint32_t parameter_count = 0;
};

struct Constant {
  std::string name;  // C++ identifier
  bool is_text = true;
  std::string text;            // GBK, stored with a terminating NUL
  std::vector<uint8_t> bytes;  // a byte set, stored as {1, length, bytes}
};

struct ProgramModel {
  uint32_t kind = 3;
  uint32_t kept2 = 0;
  uint32_t kept3 = 0;
  std::vector<std::string> routines;   // routine table order
  std::vector<std::string> libraries;  // header order
  std::vector<DllDeclaration> dlls;    // command number order
  std::vector<Constant> constants;     // segment order
  std::vector<runtime::templates::WindowTemplate> windows;  // map order
  std::vector<std::filesystem::path> sources;  // every file read
};

// Reads the program file and its windows. Throws CompileError.
ProgramModel LoadProgram(const std::filesystem::path& program_file);

// Reads one window file; `routines` resolves handler names. Throws CompileError.
runtime::templates::WindowTemplate LoadWindow(const std::filesystem::path& window_file,
                                              const std::vector<std::string>& routines);

}  // namespace templc
