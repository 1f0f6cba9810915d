# sig_compile_templates(OUT_VAR PROGRAM_FILE)
#
# Runs templc on PROGRAM_FILE (a program .toml naming its window files) at
# build time. Sets OUT_VAR to the generated source, to be compiled into the
# target that holds the program; the generated header compiled_program.h is
# in ${CMAKE_CURRENT_BINARY_DIR}/compiled_program, which the caller adds to
# its include directories. Any .toml beside PROGRAM_FILE is a dependency.
# Also writes the raw template segment to
# ${CMAKE_CURRENT_BINARY_DIR}/compiled_program/template_segment.bin.
function(sig_compile_templates out_var program_file)
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
endfunction()
