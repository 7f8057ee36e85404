# setup-plan: the launcher's own sources on the simulated Windows, with the
# real removal entry point (the unit tests replace it with a double).
file(GLOB PLAN_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/setup_plan/*.cpp)
list(FILTER PLAN_SOURCES EXCLUDE REGEX "/main\\.cpp$")
add_library(setup_plan_lib STATIC ${PLAN_SOURCES})
target_include_directories(setup_plan_lib PUBLIC ${CMAKE_SOURCE_DIR}/tools/setup_plan)
target_link_libraries(setup_plan_lib PUBLIC launcher_core)

add_executable(setup-plan ${CMAKE_SOURCE_DIR}/tools/setup_plan/main.cpp
  ${CMAKE_SOURCE_DIR}/src/removal/uninstall_printer.cpp)
target_link_libraries(setup-plan PRIVATE setup_plan_lib)

# Its tests: the .reg reader and the plan pieces (GoogleTest), and the golden
# outputs of whole plans (tests/plan/run.sh, which also runs plan_tests).
file(GLOB PLAN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/plan/*_test.cpp)
add_executable(plan_tests ${PLAN_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/removal/uninstall_printer.cpp)
target_link_libraries(plan_tests PRIVATE setup_plan_lib GTest::gtest_main)
gtest_discover_tests(plan_tests DISCOVERY_TIMEOUT 30)
add_test(NAME setup_plan_golden COMMAND bash ${CMAKE_SOURCE_DIR}/tests/plan/run.sh)
set_tests_properties(setup_plan_golden PROPERTIES ENVIRONMENT HOST_BUILD=${CMAKE_BINARY_DIR})
add_executable(plan_reg_compare ${CMAKE_SOURCE_DIR}/tests/plan/reg_compare.cpp)
target_link_libraries(plan_reg_compare PRIVATE setup_plan_lib)
