# Win32 programs of the benchmarks, built on demand only (bench/run).
add_executable(handoff_floor EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/handoff_floor.c)
target_link_options(handoff_floor PRIVATE -static -static-libgcc)
set_target_properties(handoff_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
