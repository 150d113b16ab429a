# novawick_test(NAME SOURCES ... LIBS ...): one GoogleTest program, its cases discovered into ctest.
include(GoogleTest)
find_package(GTest REQUIRED)

set(NOVAWICK_SHARED_DIR "${PROJECT_SOURCE_DIR}/../shared" CACHE PATH
    "Folder holding conformance/ and corpus/ (the project's shared test data)")

function(novawick_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    NOVAWICK_SHARED_DIR="${NOVAWICK_SHARED_DIR}"
    NOVAWICK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    NOVAWICK_BINARY_DIR="${PROJECT_BINARY_DIR}")
  novawick_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120 DISCOVERY_MODE PRE_TEST)
endfunction()
