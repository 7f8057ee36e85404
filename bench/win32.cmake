# Win32 benchmark programs (built with everything, so that they cannot rot unseen; bench/run runs them),
# left in ${CMAKE_BINARY_DIR}/bench.
#
# purgebench.exe: the INF purge and its floor, timed under Wine.
add_executable(purgebench ${CMAKE_SOURCE_DIR}/bench/purgebench.cpp
  ${CMAKE_SOURCE_DIR}/src/removal/inf_purge.cpp ${CMAKE_SOURCE_DIR}/src/framework/file.cpp
  ${CMAKE_SOURCE_DIR}/src/framework/text.cpp ${CMAKE_SOURCE_DIR}/src/framework/framework.cpp
  ${CMAKE_SOURCE_DIR}/src/records/launcher_paths.cpp ${CMAKE_SOURCE_DIR}/src/records/text_end.cpp)
target_include_directories(purgebench PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_compile_options(purgebench PRIVATE -Werror)
target_link_options(purgebench PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(purgebench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# handoff_floor.exe: the floor of bench/run handoff.
add_executable(handoff_floor ${CMAKE_SOURCE_DIR}/bench/handoff_floor.c)
target_link_options(handoff_floor PRIVATE -static -static-libgcc)
set_target_properties(handoff_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# silent_floor.exe: the floor of bench/run silent (a GUI program, as
# Setup.exe is, with kernel32 alone).
add_executable(silent_floor WIN32 ${CMAKE_SOURCE_DIR}/bench/silent_floor.c)
target_link_options(silent_floor PRIVATE -nostdlib -nostartfiles -Wl,-e,_SilentFloorStart@0)
target_link_libraries(silent_floor PRIVATE kernel32)
set_target_properties(silent_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
