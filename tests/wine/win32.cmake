# Win32 programs of the device tests under Wine (tests/wine/run.sh) and of
# the device benchmark (bench/run devices), left in ${CMAKE_BINARY_DIR}/wine.
#
# devprobe.exe: the launcher's device code with a small command-line driver.
# openwin.exe: opens a top-level window with a title given as bytes.
# planted/cfgmgr32.dll: a stand-in the tests plant beside devprobe.exe.

file(GLOB DEVPROBE_DEVICE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/devices/*.cpp)
file(GLOB DEVPROBE_SUPPORT_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/records/*.cpp ${CMAKE_SOURCE_DIR}/src/platform/*.cpp)

# Without the device sources there is nothing to drive yet.
if(DEVPROBE_DEVICE_SOURCES)
  add_executable(devprobe ${CMAKE_SOURCE_DIR}/tests/wine/devprobe.cpp
    ${DEVPROBE_DEVICE_SOURCES} ${DEVPROBE_SUPPORT_SOURCES})
  target_include_directories(devprobe PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(devprobe PRIVATE -Werror)
  target_link_options(devprobe PRIVATE -static -static-libgcc -static-libstdc++)
  target_link_libraries(devprobe PRIVATE user32 gdi32 advapi32 winspool)
  set_target_properties(devprobe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wine)
endif()

add_executable(openwin ${CMAKE_SOURCE_DIR}/tests/wine/helpers/openwin.c)
target_link_options(openwin PRIVATE -static -static-libgcc)
target_link_libraries(openwin PRIVATE user32 gdi32)
set_target_properties(openwin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wine)

add_library(planted_cfgmgr32 SHARED ${CMAKE_SOURCE_DIR}/tests/wine/helpers/planted_cfgmgr32.c)
target_link_options(planted_cfgmgr32 PRIVATE -static-libgcc -Wl,--kill-at)
set_target_properties(planted_cfgmgr32 PROPERTIES PREFIX "" OUTPUT_NAME cfgmgr32
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/wine/planted)
