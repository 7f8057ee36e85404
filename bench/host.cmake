# Host benchmark programs (bench/run builds them on demand; not part of `all`).
if(EXISTS ${CMAKE_SOURCE_DIR}/src/devices/usb_probe.cpp)
  add_executable(bench_devices EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_devices.cpp)
  target_link_libraries(bench_devices PRIVATE launcher_core)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/src/removal/inf_purge.cpp)
  add_executable(bench_purge EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/bench_purge.cpp)
  target_link_libraries(bench_purge PRIVATE launcher_core)
endif()
