# The fault driver: every road with each platform call failing in turn. It
# links the real removal entry point, which the unit tests replace.
file(GLOB FAULT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/faults/*.cpp)
add_executable(fault_roads ${FAULT_SOURCES} ${CMAKE_SOURCE_DIR}/src/removal/uninstall_printer.cpp)
target_link_libraries(fault_roads PRIVATE launcher_core)
