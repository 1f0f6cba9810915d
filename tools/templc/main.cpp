// templc: compiles the program's readable window templates into the data the
// runtime reads (template segment, constant segment, DLL declarations,
// routine and library order) as C++ source.
//
//   templc PROGRAM.toml --out-dir DIR [--segment FILE]
//   templc --dump SEGMENT_FILE
//
// Writes DIR/compiled_program.h and DIR/compiled_program.cpp; --segment also
// writes the raw template segment (tests and the fuzz corpus use it).
// --dump lists a raw segment readably.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tools/templc/dump.h"
#include "tools/templc/emit.h"
#include "tools/templc/program_model.h"

namespace {

// Leaves an unchanged file alone so that the build does not recompile what
// depends on it.
void WriteIfChanged(const std::filesystem::path& path, const std::string& text) {
  {
    std::ifstream in(path, std::ios::binary);
    if (in) {
      std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (old == text) return;
    }
  }
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

int Usage() {
  std::fprintf(stderr,
               "usage: templc PROGRAM.toml --out-dir DIR [--segment FILE]\n"
               "       templc --dump SEGMENT_FILE\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path program, out_dir, segment;
  if (argc == 3 && !std::strcmp(argv[1], "--dump")) {
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) return Usage();
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::fputs(templc::DumpSegment({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()})
                   .c_str(),
               stdout);
    return 0;
  }
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--out-dir") && i + 1 < argc) out_dir = argv[++i];
    else if (!std::strcmp(argv[i], "--segment") && i + 1 < argc) segment = argv[++i];
    else if (argv[i][0] != '-' && program.empty()) program = argv[i];
    else return Usage();
  }
  if (program.empty() || out_dir.empty()) return Usage();

  try {
    const templc::ProgramModel model = templc::LoadProgram(program);
    const templc::CompiledData data = templc::Compile(model);
    WriteIfChanged(out_dir / "compiled_program.h", templc::EmitHeader(model, data));
    WriteIfChanged(out_dir / "compiled_program.cpp",
                   templc::EmitSource(model, data, "compiled_program.h"));
    if (!segment.empty())
      WriteIfChanged(segment, std::string(data.template_segment.begin(), data.template_segment.end()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "templc: %s\n", e.what());
    return 1;
  }
  return 0;
}
