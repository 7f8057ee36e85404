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
