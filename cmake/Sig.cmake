# Shared build helpers. Every area's CMakeLists.txt uses these so that tests,
# fuzz targets and benchmarks are declared the same way everywhere.

# sig_gbk(TARGET): the target's narrow string literals are GBK texts.
# g++ converts them with -fexec-charset; clang cannot, so its builds compile
# copies rewritten by tools/gbklit. Include project headers by their path from
# the repository root ("runtime/values.h"); keep non-ASCII literals out of headers.
function(sig_gbk target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fexec-charset=GBK)
    return()
  endif()
  get_target_property(srcs ${target} SOURCES)
  set(rewritten)
  set(dirs)
  foreach(src IN LISTS srcs)
    get_filename_component(abs ${src} ABSOLUTE)
    if(abs MATCHES "\\.(cpp|cc|cxx)$")
      file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${abs})
      set(out ${CMAKE_BINARY_DIR}/gbk/${target}/${rel})
      get_filename_component(dir ${abs} DIRECTORY)
      list(APPEND dirs ${dir})
      add_custom_command(OUTPUT ${out}
        COMMAND gbklit ${abs} ${out}
        DEPENDS gbklit ${abs}
        VERBATIM)
      list(APPEND rewritten ${out})
    else()
      list(APPEND rewritten ${abs})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES dirs)
  set_property(TARGET ${target} PROPERTY SOURCES ${rewritten})
  target_include_directories(${target} PRIVATE ${dirs})
endfunction()

# sig_test(NAME n LABEL l SOURCES ... [LIBS ...] [GBK] [TIMEOUT s])
# One GoogleTest executable; each test case becomes a CTest test with the label.
function(sig_test)
  cmake_parse_arguments(T "GBK" "NAME;LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock Threads::Threads)
  target_compile_definitions(${T_NAME} PRIVATE
    SIG_SOURCE_DIR="${CMAKE_SOURCE_DIR}" SIG_BINARY_DIR="${CMAKE_BINARY_DIR}"
    SIG_ARTIFACT_DIR="${CMAKE_BINARY_DIR}/artifacts")
  if(T_GBK)
    sig_gbk(${T_NAME})
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
endfunction()

# sig_fuzz(NAME n SOURCES ... [LIBS ...] [GBK] [CORPUS dir])
# A libFuzzer target; built only with SIG_FUZZ. ./test.sh runs each briefly.
function(sig_fuzz)
  cmake_parse_arguments(F "GBK" "NAME;CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT SIG_FUZZ)
    return()
  endif()
  add_executable(${F_NAME} ${F_SOURCES})
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS} Threads::Threads)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  if(F_GBK)
    sig_gbk(${F_NAME})
  endif()
  if(F_CORPUS)
    get_filename_component(corpus ${F_CORPUS} ABSOLUTE)
  else()
    set(corpus "")
  endif()
  set_property(GLOBAL APPEND PROPERTY SIG_FUZZ_TARGETS "${F_NAME} ${corpus}")
endfunction()

function(sig_write_fuzz_list)
  get_property(list GLOBAL PROPERTY SIG_FUZZ_TARGETS)
  string(REPLACE ";" "\n" text "${list}")
  file(WRITE ${CMAKE_BINARY_DIR}/fuzz-targets.txt "${text}\n")
endfunction()

# sig_bench(NAME n SOURCES ... [LIBS ...] [GBK])
# A Google Benchmark program; left out of sanitizer builds.
function(sig_bench)
  cmake_parse_arguments(B "GBK" "NAME" "SOURCES;LIBS" ${ARGN})
  if(SIG_SANITIZE OR NOT SIG_BENCH)
    return()
  endif()
  add_executable(${B_NAME} ${B_SOURCES})
  target_link_libraries(${B_NAME} PRIVATE ${B_LIBS} benchmark::benchmark Threads::Threads)
  if(B_GBK)
    sig_gbk(${B_NAME})
  endif()
endfunction()

# Adds every sub-folder of the current folder that has its own CMakeLists.txt.
function(sig_add_subfolders)
  file(GLOB children LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${child} AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
