# Helpers that keep every subsystem's build description to a line or two.
# Sources are globbed (CONFIGURE_DEPENDS), so adding a file needs no CMake edit.

# ondravik_library(<target> DIR <dir> [DEPS <targets>...] [QT])
# One static library from the .cpp files directly inside <dir> (not its sub-folders).
# A folder with no sources yet becomes an interface library with the same dependencies.
function(ondravik_library target)
  cmake_parse_arguments(ARG "QT" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${ARG_DIR}/*.h)
  if(sources)
    add_library(${target} STATIC ${sources} ${headers})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# ondravik_test(<target> DIR <dir> DEPS <targets>... [QT])
# One GoogleTest executable from the .cpp files directly inside <dir>. With QT the
# directory supplies its own main() (it must set QT_QPA_PLATFORM=offscreen).
function(ondravik_test target)
  cmake_parse_arguments(ARG "QT" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  file(GLOB headers CONFIGURE_DEPENDS ${ARG_DIR}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${target} ${sources} ${headers})
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_QT)
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock Qt6::Test)
  else()
    target_link_libraries(${target} PRIVATE ${ARG_DEPS} GTest::gtest_main GTest::gmock)
  endif()
  # Committed fixture files (files made by other programs, with the scripts that made them).
  target_compile_definitions(${target} PRIVATE
    ONDRAVIK_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
