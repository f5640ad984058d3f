# quarry_test(name sources... [DISPLAY])
#   Natively: one ctest entry per test case, run directly, each with a time limit so that a
#   fault that makes a loop endless fails instead of holding the run.
#   For Windows: one ctest entry per program (each case under Wine would start a Wine
#   process of its own); DISPLAY gives the program the test display from Xvfb.
include(GoogleTest)

function(quarry_test name)
  cmake_parse_arguments(ARG "DISPLAY" "" "" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  quarry_warnings(${name})
  if(WIN32)
    add_test(NAME ${name} COMMAND ${name})
    quarry_wine_test_properties(${name} ${ARG_DISPLAY})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 30 PROPERTIES TIMEOUT 120)
  endif()
endfunction()

# Labels say which layer a Windows test belongs to; the display flag reaches the Wine
# wrapper through the environment.
function(quarry_wine_test_properties test needs_display)
  if(needs_display)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "QUARRY_NEEDS_DISPLAY=1" LABELS "wine;display" TIMEOUT 300)
  else()
    set_tests_properties(${test} PROPERTIES LABELS "wine" TIMEOUT 300)
  endif()
endfunction()
