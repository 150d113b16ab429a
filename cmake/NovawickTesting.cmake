# novawick_test(NAME SOURCES ... LIBS ...): one GoogleTest program, its cases discovered into ctest.
include(GoogleTest)
find_package(GTest REQUIRED)

# Everything the tests read lives in the repository, so that a plain clone passes its own suite.
set(NOVAWICK_TEST_DATA_DIR "${PROJECT_SOURCE_DIR}/tests/data")

function(novawick_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    NOVAWICK_TEST_DATA_DIR="${NOVAWICK_TEST_DATA_DIR}"
    NOVAWICK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    NOVAWICK_BINARY_DIR="${PROJECT_BINARY_DIR}")
  novawick_warnings(${name})
  # Parameterised cases are named by their generators; the printed parameter would only add byte dumps.
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)
endfunction()
