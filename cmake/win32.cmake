# Setup.exe: a PE32 GUI program, subsystem and OS version 4.0 so that
# Windows 98 loads it, runtime linked statically, system DLLs only.
set(WIN32_LINK_FLAGS
  -mwindows -static -static-libgcc -static-libstdc++
  -Wl,--subsystem,windows:4.0 -Wl,--major-os-version,4 -Wl,--minor-os-version,0
  -Wl,--major-subsystem-version,4 -Wl,--minor-subsystem-version,0)

file(GLOB LAUNCHER_RESOURCES CONFIGURE_DEPENDS src/resources/*.rc)
# The .rc files include the per-language files (tracked by the compiler's
# dependency scan) and the pictures in art/ (not tracked by it).
file(GLOB LAUNCHER_ART CONFIGURE_DEPENDS src/resources/art/*.ico src/resources/art/*.bmp)
set_source_files_properties(${LAUNCHER_RESOURCES} PROPERTIES OBJECT_DEPENDS "${LAUNCHER_ART}")
add_executable(Setup WIN32 ${LAUNCHER_SOURCES} src/app/winmain.cpp ${LAUNCHER_RESOURCES})
target_include_directories(Setup PRIVATE src)
target_compile_options(Setup PRIVATE -fno-exceptions -fno-rtti -Werror)
target_link_options(Setup PRIVATE ${WIN32_LINK_FLAGS})
# No winspool: its functions are resolved at run time from the system folder,
# since an imported winspool.drv is looked for beside Setup.exe first.
target_link_libraries(Setup PRIVATE user32 gdi32 advapi32)
set_target_properties(Setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Small Win32 programs of our own that the Wine tests drive or start.
file(GLOB E2E_HELPERS CONFIGURE_DEPENDS tests/e2e/helpers/*.c)
foreach(helper ${E2E_HELPERS})
  get_filename_component(name ${helper} NAME_WE)
  add_executable(${name} ${helper})
  target_link_options(${name} PRIVATE -static -static-libgcc)
  target_link_libraries(${name} PRIVATE user32 gdi32 advapi32 winspool)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/helpers)
endforeach()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/contract/win32.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/contract/win32.cmake)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/win32.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/wine/win32.cmake)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/win32.cmake)
  include(${CMAKE_SOURCE_DIR}/bench/win32.cmake)
endif()
