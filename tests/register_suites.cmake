# Run after a test binary is built: lists its tests and writes one ctest entry per test suite
# (a process of its own, so a program folder of its own) to OUT_FILE.
#
# One process per suite rather than per test: the converter's start-up is most of a test's
# cost, and a test process's own start (loading Qt, the offscreen platform and fonts) was
# about a tenth of the suite's CPU time. Tests of one suite run one after another, so their
# clean-ups never meet; suites run side by side.
#
# Expects TEST_BINARY, OUT_FILE, TIMEOUT and, optionally, TEST_ENVIRONMENT (a list).
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${TEST_ENVIRONMENT} ${TEST_BINARY} --gtest_list_tests
  OUTPUT_VARIABLE listed
  RESULT_VARIABLE status
  TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TEST_BINARY} --gtest_list_tests failed (${status}):\n${listed}")
endif()

# Parameter values printed after '#' may hold ';', CMake's list separator.
string(REPLACE ";" "," listed "${listed}")
string(REPLACE "\n" ";" lines "${listed}")
set(script "")
foreach(line IN LISTS lines)
  # A suite's line is its name and a dot, at the start of the line ("  # TypeParam = ..." may follow).
  if(line MATCHES "^([A-Za-z0-9_/]+)\\.( +#.*)?$")
    set(suite "${CMAKE_MATCH_1}")
    string(APPEND script
      "add_test([=[${suite}]=] [=[${TEST_BINARY}]=] [=[--gtest_filter=${suite}.*]=])\n"
      "set_tests_properties([=[${suite}]=] PROPERTIES TIMEOUT ${TIMEOUT}")
    if(TEST_ENVIRONMENT)
      string(APPEND script " ENVIRONMENT [=[${TEST_ENVIRONMENT}]=]")
    endif()
    string(APPEND script ")\n")
  endif()
endforeach()
if(script STREQUAL "")
  message(FATAL_ERROR "${TEST_BINARY} listed no test suite:\n${listed}")
endif()
file(WRITE "${OUT_FILE}" "${script}")
