# setup-plan: the launcher's own sources on the simulated Windows, with the
# real removal entry point (the unit tests replace it with a double).
# Its folders follow the data: machine/ (the machine described: .reg files,
# the state file, posing), run/ (the launch sequence run and its calls
# recorded), report/ (plan text, JSON, outcome, compare), check/ (--check and
# its codes), and above them matrix/ (one package over every release and
# machine state); main and the options stay at the top.
set(PLAN_DIR ${CMAKE_SOURCE_DIR}/tools/setup_plan)
file(GLOB PLAN_SOURCES CONFIGURE_DEPENDS ${PLAN_DIR}/*.cpp ${PLAN_DIR}/machine/*.cpp ${PLAN_DIR}/run/*.cpp
  ${PLAN_DIR}/report/*.cpp ${PLAN_DIR}/check/*.cpp ${PLAN_DIR}/matrix/*.cpp)
list(FILTER PLAN_SOURCES EXCLUDE REGEX "/main\\.cpp$")
add_library(setup_plan_lib STATIC ${PLAN_SOURCES})
target_include_directories(setup_plan_lib PUBLIC ${PLAN_DIR} ${PLAN_DIR}/machine ${PLAN_DIR}/run ${PLAN_DIR}/report
  ${PLAN_DIR}/check ${PLAN_DIR}/matrix)
target_link_libraries(setup_plan_lib PUBLIC launcher_core)

add_executable(setup-plan ${CMAKE_SOURCE_DIR}/tools/setup_plan/main.cpp
  ${CMAKE_SOURCE_DIR}/src/removal/uninstall_printer.cpp)
target_link_libraries(setup-plan PRIVATE setup_plan_lib)

# Its tests: the .reg reader and the plan pieces (GoogleTest), and the golden
# outputs of whole plans (tests/plan/run.sh, which also runs plan_tests).
file(GLOB PLAN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/plan/*_test.cpp)
add_executable(plan_tests ${PLAN_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/src/removal/uninstall_printer.cpp)
target_link_libraries(plan_tests PRIVATE setup_plan_lib GTest::gtest_main)
target_compile_definitions(plan_tests PRIVATE SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(plan_tests DISCOVERY_TIMEOUT 30)
add_test(NAME setup_plan_golden COMMAND bash ${CMAKE_SOURCE_DIR}/tests/plan/run.sh)
set_tests_properties(setup_plan_golden PROPERTIES ENVIRONMENT HOST_BUILD=${CMAKE_BINARY_DIR})
add_executable(plan_reg_compare ${CMAKE_SOURCE_DIR}/tests/plan/reg_compare.cpp)
target_link_libraries(plan_reg_compare PRIVATE setup_plan_lib)
