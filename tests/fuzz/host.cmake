# Fuzz targets (host, clang only): configure a tree of its own with
#   CC=clang CXX=clang++ cmake -S . -B build/fuzz -DFUZZ=ON -DSANITIZE=ON
# Every source is instrumented for libFuzzer; each target links the whole
# launcher (the real printer removal included) against the simulator.
file(GLOB FUZZ_TARGET_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
list(FILTER FUZZ_TARGET_SOURCES EXCLUDE REGEX "/plan_[^/]*_fuzz\\.cpp$")
# The launcher's sources are compiled once, in launcher_core; this adds the
# real removal entry point and the fuzzers' machine.
add_library(launcher_fuzz OBJECT ${CMAKE_SOURCE_DIR}/src/removal/uninstall_printer.cpp
  ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_machine.cpp)
target_include_directories(launcher_fuzz PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/fuzz)
target_link_libraries(launcher_fuzz PUBLIC launcher_core)
foreach(source ${FUZZ_TARGET_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE launcher_fuzz)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()

# setup-plan's readers: the tool's own library (tools/setup_plan/host.cmake).
file(GLOB PLAN_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/plan_*_fuzz.cpp)
foreach(source ${PLAN_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source} ${CMAKE_SOURCE_DIR}/src/removal/uninstall_printer.cpp)
  target_link_libraries(${name} PRIVATE setup_plan_lib)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()
