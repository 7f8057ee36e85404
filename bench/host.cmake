# Host benchmark programs (bench/run), built against the simulated Windows.
add_executable(bench_devices ${CMAKE_SOURCE_DIR}/bench/bench_devices.cpp)
target_link_libraries(bench_devices PRIVATE launcher_core)
