# sig_compile_templates(OUT_VAR PROGRAM_FILE [TARGET target])
#
# Runs templc on PROGRAM_FILE (a program .toml naming its window files) at
# build time and sets OUT_VAR to the generated compiled_program.cpp. The
# generated header compiled_program.h lies in
# ${CMAKE_CURRENT_BINARY_DIR}/compiled_program; with TARGET, the source and
# that include folder are added to the target. Every .toml beside
# PROGRAM_FILE is a dependency. The raw template segment is also written to
# ${CMAKE_CURRENT_BINARY_DIR}/compiled_program/template_segment.bin.
function(sig_compile_templates out_var program_file)
  cmake_parse_arguments(C "" "TARGET" "" ${ARGN})
  get_filename_component(program ${program_file} ABSOLUTE)
  get_filename_component(dir ${program} DIRECTORY)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.toml)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/compiled_program)
  add_custom_command(
    OUTPUT ${out}/compiled_program.cpp ${out}/compiled_program.h ${out}/template_segment.bin
    COMMAND templc ${program} --out-dir ${out} --segment ${out}/template_segment.bin
    DEPENDS templc ${sources}
    COMMENT "Compiling window templates ${program_file}"
    VERBATIM)
  set(${out_var} ${out}/compiled_program.cpp PARENT_SCOPE)
  if(C_TARGET)
    target_sources(${C_TARGET} PRIVATE ${out}/compiled_program.cpp)
    target_include_directories(${C_TARGET} PRIVATE ${out})
  endif()
endfunction()
