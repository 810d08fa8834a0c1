# Helpers that keep every folder's CMakeLists.txt down to its own sources.

# The public test images live beside the project in the workplace, not in it.
if(NOT QM_CORPORA)
  foreach(candidate "${PROJECT_SOURCE_DIR}/../shared/corpora" "/work/shared/corpora")
    if(EXISTS "${candidate}/MANIFEST.md")
      set(found "${candidate}")
      break()
    endif()
  endforeach()
  set(QM_CORPORA "${found}" CACHE PATH "Public test images (PngSuite and others)")
endif()
if(QM_CORPORA)
  get_filename_component(QM_CORPORA "${QM_CORPORA}" ABSOLUTE)
elseif(QM_TESTS OR QM_BENCH)
  message(WARNING "The public test images were not found beside the project; "
                  "tests and benchmarks that read them will fail. Set QM_CORPORA.")
endif()
set(QM_FIXTURES "${PROJECT_SOURCE_DIR}/tests/fixtures")

# qm_library(<name> SOURCES ... [DEPS ...])
# A static library whose headers are included as "folder/file.h" from src/.
function(qm_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# qm_test(<name> SOURCES ... [DEPS ...] [GUI] [OWN_SANITIZER_OPTIONS])
# A GoogleTest program; each test case becomes one ctest entry. GUI tests get a
# QApplication on the offscreen platform and recording service doubles.
function(qm_test name)
  cmake_parse_arguments(ARG "GUI;OWN_SANITIZER_OPTIONS" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE qm_gui_test_main)
  else()
    target_link_libraries(${name} PRIVATE qm_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  # The environment and sanitizer settings are built into the programs
  # (tests/support), so they hold however a test is started.
  if(NOT ARG_OWN_SANITIZER_OPTIONS)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600)
endfunction()

# qm_benchmark(<name> SOURCES ... [DEPS ...] [OWN_MAIN])
# A Google Benchmark program under <build>/bench; `make bench` runs them all. OWN_MAIN:
# the program brings its main (one that sets up windows first).
function(qm_benchmark name)
  cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE benchmark::benchmark_main)
  endif()
  set_property(GLOBAL APPEND PROPERTY QM_BENCHMARKS ${name})
endfunction()

# qm_fuzz_target(<name> SOURCE <file> [DEPS ...] [SEEDS <dir or file> ...])
# With QM_FUZZ a libFuzzer program under build-fuzz/fuzz; otherwise the same
# entry point under a small driver that replays the seeds, run by ctest so every
# kept crasher stays fixed.
function(qm_fuzz_target name)
  cmake_parse_arguments(ARG "" "SOURCE" "DEPS;SEEDS" ${ARGN})
  if(QM_FUZZ)
    # The tests' sanitizer settings hold here too: system libraries' caches (fontconfig's,
    # through Qt's fonts) are not leaks of the input under test.
    add_executable(${name} ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    string(REPLACE ";" "," seeds "${ARG_SEEDS}")
    set_property(GLOBAL APPEND PROPERTY QM_FUZZ_TARGETS "${name}=${seeds}")
  elseif(QM_TESTS)
    add_executable(${name} ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp
                   ${PROJECT_SOURCE_DIR}/tests/support/sanitizer_options.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME fuzz_replay.${name} COMMAND ${name} ${ARG_SEEDS})
    set_tests_properties(fuzz_replay.${name} PROPERTIES TIMEOUT 600)
  endif()
endfunction()
