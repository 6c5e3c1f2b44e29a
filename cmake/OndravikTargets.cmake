# Helpers that keep every subsystem's build description to a line or two.
# Sources are globbed (CONFIGURE_DEPENDS), so adding a file needs no CMake edit.

# ondravik_library(<target> DIR <dir> [DEPS <targets>...] [QT])
# One static library from the .cpp files directly inside <dir> (not its sub-folders). QT marks
# a widget library: the widget libraries share one precompiled header of Qt Widgets.
# A folder with no sources yet becomes an interface library with the same dependencies.
function(ondravik_library target)
  cmake_parse_arguments(ARG "QT" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${ARG_DIR}/*.h)
  if(sources)
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    if(ARG_QT)
      ondravik_share_precompiled_header(${target} widget_libraries
        ${PROJECT_SOURCE_DIR}/src/platform/qt/precompiled_widgets.h)
    endif()
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# ondravik_test(<target> DIR <dir> DEPS <targets>... [QT] [LABELS <labels>...])
# One GoogleTest executable from the .cpp files directly inside <dir>. With QT the
# directory supplies its own main() (it must set QT_QPA_PLATFORM=offscreen). LABELS label
# every test of the program for ctest -L.
#
# ONDRAVIK_TEST_FILES, when set, names the only test files (paths under tests/) that a
# headless program is built from, beside the files of its folder that hold no test: the
# ThreadSanitizer pass builds just the files whose tests start threads.
set(ONDRAVIK_TEST_FILES "" CACHE STRING "Test files (under tests/) the headless test programs are built from; empty for all")
function(ondravik_test target)
  cmake_parse_arguments(ARG "QT" "DIR" "DEPS;LABELS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${ARG_DIR}/*.h)
  if(ONDRAVIK_TEST_FILES AND NOT ARG_QT)
    ondravik_keep_test_files(sources)
  endif()
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources} ${headers})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  ondravik_quick_test_build(${target} ${ARG_QT})
  if(ARG_QT)
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock Qt6::Test)
  else()
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest_main GTest::gmock)
    if(TARGET ondravik_thread_start_log)
      target_link_libraries(${target} PRIVATE ondravik_thread_start_log)
    endif()
  endif()
  # Committed fixture files (files made by other programs, with the scripts that made them).
  target_compile_definitions(${target} PRIVATE
    ONDRAVIK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  set(properties ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  if(ARG_LABELS)
    list(APPEND properties LABELS ${ARG_LABELS})
  endif()
  # A busy machine can take more than the default 5 s to list a program's tests.
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    PROPERTIES ${properties})
endfunction()

# Keeps, of the test sources in <var>, those named in ONDRAVIK_TEST_FILES and those that hold
# no test (helpers the others call); a program none of whose files is named keeps them all.
function(ondravik_keep_test_files var)
  set(kept)
  set(named FALSE)
  foreach(source IN LISTS ${var})
    file(RELATIVE_PATH name ${PROJECT_SOURCE_DIR}/tests ${source})
    file(STRINGS ${source} tests REGEX "^(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)\\(")
    if(name IN_LIST ONDRAVIK_TEST_FILES)
      set(named TRUE)
      list(APPEND kept ${source})
    elseif(NOT tests)
      list(APPEND kept ${source})
    endif()
  endforeach()
  if(named)
    set(${var} ${kept} PARENT_SCOPE)
  endif()
endfunction()

# ondravik_share_precompiled_header(<target> <kind> <header>)
# The first target of a kind precompiles <header>; every later one of that kind reuses it (they
# are built with the same flags).
function(ondravik_share_precompiled_header target kind header)
  get_property(owner GLOBAL PROPERTY ONDRAVIK_PCH_OWNER_${kind})
  if(owner)
    target_precompile_headers(${target} REUSE_FROM ${owner})
  else()
    target_precompile_headers(${target} PRIVATE ${header})
    set_property(GLOBAL PROPERTY ONDRAVIK_PCH_OWNER_${kind} ${target})
  endif()
endfunction()

# Test programs spend their time in the libraries under test, which keep the project's
# optimisation; their own code is mostly GoogleTest's expansions, whose optimisation costs a
# third of the build and buys the tests nothing. Every test program of a kind (widget tests,
# headless tests) also shares one precompiled header of GoogleTest, the standard library and,
# for the widget tests, Qt Widgets.
set(ONDRAVIK_TEST_OPTIMIZATION "-Og" CACHE STRING "Optimisation of the test programs' own code")
function(ondravik_quick_test_build target qt)
  target_compile_options(${target} PRIVATE ${ONDRAVIK_TEST_OPTIMIZATION})
  if(qt)
    ondravik_share_precompiled_header(${target} widget_tests
      ${PROJECT_SOURCE_DIR}/tests/support/precompiled_widget_tests.h)
  else()
    ondravik_share_precompiled_header(${target} headless_tests
      ${PROJECT_SOURCE_DIR}/tests/support/precompiled_tests.h)
  endif()
endfunction()
