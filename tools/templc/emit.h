// Writing the compiled program data: the segments as bytes, and the C++
// source that links them into the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/templc/program_model.h"

namespace templc {

struct CompiledData {
  std::vector<uint8_t> template_segment;
  std::vector<uint8_t> constant_segment;
  std::vector<uint32_t> constant_offsets;  // per ProgramModel::constants
};

// Lays out both segments. The template segment is read back with the
// runtime's own reader before it is accepted. Throws CompileError.
CompiledData Compile(const ProgramModel& model);

// compiled_program.h / compiled_program.cpp, in namespace compiled_program.
std::string EmitHeader(const ProgramModel& model, const CompiledData& data);
std::string EmitSource(const ProgramModel& model, const CompiledData& data,
                       const std::string& header_name);

}  // namespace templc
