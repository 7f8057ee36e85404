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
# -fcheck-new: our operator new returns NULL when the heap is exhausted (no
# exceptions), so the compiler must keep the callers' checks of its result.
target_compile_options(Setup PRIVATE -fno-exceptions -fno-rtti -fcheck-new -Werror)
target_link_options(Setup PRIVATE ${WIN32_LINK_FLAGS})
# No winspool: its functions are resolved at run time from the system folder,
# since an imported winspool.drv is looked for beside Setup.exe first.
target_link_libraries(Setup PRIVATE user32 gdi32 advapi32)
set_target_properties(Setup PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# ---- Setup.exe: size, load safety and what the oldest release needs ---------
# The version information and the manifest take the brand (company, product,
# versions, copyright, manifest identity) from cmake/branding.cmake.
include(${CMAKE_SOURCE_DIR}/cmake/branding.cmake)
target_sources(Setup PRIVATE src/resources/version/version.rc)
target_include_directories(Setup PRIVATE ${CMAKE_BINARY_DIR}/generated)

# No C runtime DLL: msvcrt.dll is not among the DLLs every release takes from
# its system folder (below), and a copy planted beside Setup.exe would run
# first. The few C and C++ run-time pieces the
# launcher uses are our own, with their standard names, and so is the
# start-up code that builds the application object before WinMain.
file(GLOB SETUP_RUNTIME_SOURCES CONFIGURE_DEPENDS src/platform/runtime/*.cpp)
target_sources(Setup PRIVATE ${SETUP_RUNTIME_SOURCES})
set_source_files_properties(${SETUP_RUNTIME_SOURCES} PROPERTIES
  COMPILE_OPTIONS "-ffreestanding;-fno-tree-loop-distribute-patterns")
# The headers must declare the runtime functions as ours, not as imports.
target_compile_definitions(Setup PRIVATE _CRTIMP=)

# Pentium code only (Windows 98 runs on a 486 or a Pentium; the compiler's
# default here is i686, whose cmov a Pentium lacks); small code where speed
# does not matter; each function in a section of its own so that the linker
# drops what nothing calls (not each datum: -fdata-sections makes this GCC
# store zero-filled objects in the file, in .data$ sections, instead of in
# .bss, 2 KiB more); no unwind tables (nothing throws); no compiler banner in
# every object. -g: the unstripped copy can be debugged.
target_compile_options(Setup PRIVATE -march=pentium -mtune=pentium -Os -g
  -ffunction-sections -fno-asynchronous-unwind-tables -fno-unwind-tables
  $<$<COMPILE_LANGUAGE:CXX>:-fno-threadsafe-statics> -mpreferred-stack-boundary=2 -fno-ident)

# Imported at link time: only DLLs each release takes from its system folder
# whatever lies beside the program. A DLL imported by name is otherwise
# looked for in the program's own folder first.
# - Windows 98, 98 SE and Me: kernel32, user32, gdi32 and advapi32. The 32-bit
#   core (kernel32, user32, gdi32) is loaded before any program starts and a
#   module already loaded is matched by name; and a DLL named under
#   HKLM\System\CurrentControlSet\Control\SessionManager\KnownDLLs is
#   taken from the system folder, not the program's (Microsoft knowledge
#   base article 151646, "Windows 95, Windows 98, or Windows Me Uses
#   KnownDLLs Registry Key to Find 32-bit DLLs"); the four are listed there.
# - Windows 2000 and XP: the same four, which are known DLLs under
#   HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs and
#   are mapped from the system's own copies, with their dependencies
#   (Microsoft, "Dynamic-link library search order": known DLLs and the
#   loaded-module list come before the application's folder).
# Not known on every release, so loaded at run time by full path in the
# system folder: winspool.drv, cfgmgr32.dll, msvcrt.dll (not used at all).
# tests/binary/check.sh fails on an import of any other DLL; the planting
# scenario (tests/e2e/scenarios/planting.sh) shows it under Wine.
# No start files and no default libraries; relocations dropped (an .exe
# loads at its preferred base on every release it targets).
target_link_options(Setup PRIVATE -nostdlib -nostartfiles -Wl,-e,_WinMainCRTStartup
  -Wl,--gc-sections -Wl,--disable-dynamicbase -Wl,--disable-reloc-section -Wl,--no-insert-timestamp)
target_link_libraries(Setup PRIVATE kernel32)

# The shipped Setup.exe carries no symbols or debugging information; the
# unstripped program stays beside it as Setup.unstripped.exe.
add_custom_command(TARGET Setup POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Setup> ${CMAKE_BINARY_DIR}/Setup.unstripped.exe
  # strip stamps the PE header with the time of day unless told a date:
  # 0, as the link left it, so that two builds are the same byte for byte.
  COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-all $<TARGET_FILE:Setup>
  VERBATIM)

# The planting scenario's recorder DLL (tests/e2e/scenarios/planting.sh).
add_library(recorder_dll SHARED tests/e2e/helpers/recorder_dll.c)
target_link_options(recorder_dll PRIVATE -nostdlib -nostartfiles -Wl,-e,_DllMain@12)
target_link_libraries(recorder_dll PRIVATE kernel32)
set_target_properties(recorder_dll PROPERTIES PREFIX "" OUTPUT_NAME recorder
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/helpers)

# The multibyte and C library contract tests once more, against the
# launcher's own routines in place of the runtime's (tests/contract/run.sh
# runs both).
add_executable(contract_runtime_win32 ${CMAKE_SOURCE_DIR}/tests/contract/main.cpp
  ${CMAKE_SOURCE_DIR}/tests/contract/fixture_win32.cpp ${CMAKE_SOURCE_DIR}/tests/contract/mbcs_contract.cpp
  ${CMAKE_SOURCE_DIR}/tests/contract/crt_contract.cpp ${CMAKE_SOURCE_DIR}/src/platform/runtime/mbcs.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/runtime/format.cpp ${CMAKE_SOURCE_DIR}/src/platform/runtime/memory_string.cpp)
target_include_directories(contract_runtime_win32 PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/contract)
target_compile_definitions(contract_runtime_win32 PRIVATE _CRTIMP= CONTRACT_OWN_RUNTIME)
# -fno-builtin: every call reaches the routine under test.
target_compile_options(contract_runtime_win32 PRIVATE -Werror -fno-builtin)
target_link_options(contract_runtime_win32 PRIVATE -static -static-libgcc -static-libstdc++)
target_link_libraries(contract_runtime_win32 PRIVATE user32 advapi32)
set_target_properties(contract_runtime_win32 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Small Win32 programs of our own that the Wine tests drive or start.
file(GLOB E2E_HELPERS CONFIGURE_DEPENDS tests/e2e/helpers/*.c)
list(FILTER E2E_HELPERS EXCLUDE REGEX "_dll\\.c$")
foreach(helper ${E2E_HELPERS})
  get_filename_component(name ${helper} NAME_WE)
  add_executable(${name} ${helper})
  target_link_options(${name} PRIVATE -static -static-libgcc)
  target_link_libraries(${name} PRIVATE user32 gdi32 advapi32 winspool)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/helpers)
endforeach()

# Libraries the end-to-end tests plant beside Setup.exe.
add_library(planted_winspool SHARED tests/e2e/plants/planted_winspool.c)
target_link_options(planted_winspool PRIVATE -static-libgcc)
set_target_properties(planted_winspool PROPERTIES PREFIX "" OUTPUT_NAME Winspool SUFFIX .drv
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/helpers/planted)

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/contract/win32.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/contract/win32.cmake)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/win32.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/wine/win32.cmake)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/win32.cmake)
  include(${CMAKE_SOURCE_DIR}/bench/win32.cmake)
endif()
