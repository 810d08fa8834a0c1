# Helpers that keep every folder's CMakeLists.txt down to its own sources.

set(QM_CORPORA "${PROJECT_SOURCE_DIR}/../shared/corpora" CACHE PATH "Public test images")
get_filename_component(QM_CORPORA "${QM_CORPORA}" ABSOLUTE)
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

# The environment every test runs in: Qt's offscreen platform, a fixed locale,
# 96 DPI, and sanitizers that stop at the first fault.
set(QM_TEST_ENVIRONMENT
  "QT_QPA_PLATFORM=offscreen"
  "QT_FONT_DPI=96"
  "QT_ENABLE_HIGHDPI_SCALING=0"
  "QT_SCALE_FACTOR=1"
  "LC_ALL=C.UTF-8"
  "LANG=C.UTF-8"
  "TZ=UTC"
  "XDG_RUNTIME_DIR=${CMAKE_BINARY_DIR}/xdg-runtime"
  "QTWEBENGINE_DISABLE_SANDBOX=1"
  "ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
  "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/support/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
  "QM_CORPORA=${QM_CORPORA}"
  "QM_FIXTURES=${QM_FIXTURES}")
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/xdg-runtime)
file(CHMOD ${CMAKE_BINARY_DIR}/xdg-runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# qm_test(<name> SOURCES ... [DEPS ...] [GUI])
# A GoogleTest program; each test case becomes one ctest entry. GUI tests get a
# QApplication on the offscreen platform and recording service doubles.
function(qm_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE qm_gui_test_main)
  else()
    target_link_libraries(${name} PRIVATE qm_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${QM_TEST_ENVIRONMENT}" TIMEOUT 600)
endfunction()

# qm_benchmark(<name> SOURCES ... [DEPS ...])
# A Google Benchmark program under build/bin/bench; `make bench` runs them all.
function(qm_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
  set_property(GLOBAL APPEND PROPERTY QM_BENCHMARKS ${name})
endfunction()

# qm_fuzz_target(<name> SOURCE <file> [DEPS ...] [SEEDS <dir or file> ...])
# With QM_FUZZ a libFuzzer program under build-fuzz/fuzz; otherwise the same
# entry point under a small driver that replays the seeds, run by ctest so every
# kept crasher stays fixed.
function(qm_fuzz_target name)
  cmake_parse_arguments(ARG "" "SOURCE" "DEPS;SEEDS" ${ARGN})
  if(QM_FUZZ)
    add_executable(${name} ${ARG_SOURCE})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
    string(REPLACE ";" "," seeds "${ARG_SEEDS}")
    set_property(GLOBAL APPEND PROPERTY QM_FUZZ_TARGETS "${name}=${seeds}")
  elseif(QM_TESTS)
    add_executable(${name} ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME fuzz_replay.${name} COMMAND ${name} ${ARG_SEEDS})
    set_tests_properties(fuzz_replay.${name} PROPERTIES
      ENVIRONMENT "${QM_TEST_ENVIRONMENT}" TIMEOUT 600)
  endif()
endfunction()
