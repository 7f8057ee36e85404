# Host benchmark programs (built with everything, so that they cannot
# rot unseen; bench/run runs them).
if(EXISTS ${CMAKE_SOURCE_DIR}/src/devices/usb_probe.cpp)
  add_executable(bench_devices ${CMAKE_SOURCE_DIR}/bench/bench_devices.cpp)
  target_link_libraries(bench_devices PRIVATE launcher_core)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/src/removal/inf_purge.cpp)
  add_executable(bench_purge ${CMAKE_SOURCE_DIR}/bench/bench_purge.cpp)
  target_link_libraries(bench_purge PRIVATE launcher_core)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/setup_plan/machine/reg_file.cpp)
  add_executable(bench_reg_export ${CMAKE_SOURCE_DIR}/bench/reg_export.cpp)
endif()
