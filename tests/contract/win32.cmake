# Contract tests on Win32: the same test bodies against the real system DLLs,
# run under Wine by tests/contract/run.sh. A console program, runtime linked
# statically so that it can copy itself as the child program of its tests.
file(GLOB CONTRACT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/contract/*_contract.cpp)
add_executable(contract_win32 ${CMAKE_SOURCE_DIR}/tests/contract/main.cpp ${CMAKE_SOURCE_DIR}/src/platform/late_kernel.cpp
  ${CMAKE_SOURCE_DIR}/tests/contract/fixture_win32.cpp ${CONTRACT_TEST_SOURCES})
target_include_directories(contract_win32 PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests/contract)
target_compile_options(contract_win32 PRIVATE -Werror)
target_link_options(contract_win32 PRIVATE -static -static-libgcc -static-libstdc++)
# winspool: only the fixture adds and removes the queues the tests use.
target_link_libraries(contract_win32 PRIVATE user32 gdi32 advapi32 winspool)
set_target_properties(contract_win32 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The launcher's own runtime where no other implementation answers the same
# questions (tests/contract/own_runtime.cpp, in contract_runtime_win32):
# binding on first call, the code pages' case tables, the format routine.
# Binding is tested through import stubs made by dlltool, as Setup.exe's:
# - every function of src/platform/delay/*.def once more, as Absent<name>,
#   from a library no system has, so that each takes its failure stub;
# - imagehlp.dll's MapFileAndCheckSumA; run.sh plants copies of imagehlp.dll
#   and of dbghelp.dll, which imagehlp imports, beside the program.
set(RUNTIME_TEST_DIR ${CMAKE_BINARY_DIR}/runtime_test)
set(absent_def "LIBRARY absent_library.dll\nEXPORTS\n")
set(absent_list "")
foreach(library user32 gdi32 advapi32)
  file(STRINGS ${CMAKE_SOURCE_DIR}/src/platform/delay/${library}.def exports REGEX "^[A-Za-z0-9_]+@[0-9]+$")
  foreach(export ${exports})
    string(REGEX REPLACE "^(.*)@([0-9]+)$" "Absent\\1@\\2 == \\1\n" line "${export}")
    string(APPEND absent_def "${line}")
    string(REGEX REPLACE "^(.*)@([0-9]+)$" "ABSENT_IMPORT(${library}, \\1, \\2)\n" line "${export}")
    string(APPEND absent_list "${line}")
  endforeach()
endforeach()
file(CONFIGURE OUTPUT ${RUNTIME_TEST_DIR}/absent.def CONTENT "${absent_def}")
file(CONFIGURE OUTPUT ${RUNTIME_TEST_DIR}/absent_imports.h CONTENT "${absent_list}")
file(CONFIGURE OUTPUT ${RUNTIME_TEST_DIR}/imagehlp.def CONTENT "LIBRARY imagehlp.dll\nEXPORTS\nMapFileAndCheckSumA@12\n")
set(runtime_test_stubs "")
foreach(name absent imagehlp)
  add_custom_command(OUTPUT ${RUNTIME_TEST_DIR}/lib${name}_delay.a
    COMMAND ${SETUP_DLLTOOL} --kill-at --input-def ${name}.def --output-delaylib lib${name}_delay.a
    WORKING_DIRECTORY ${RUNTIME_TEST_DIR} DEPENDS ${RUNTIME_TEST_DIR}/${name}.def VERBATIM)
  list(APPEND runtime_test_stubs ${RUNTIME_TEST_DIR}/lib${name}_delay.a)
endforeach()
add_custom_target(runtime_test_stubs DEPENDS ${runtime_test_stubs})
add_dependencies(contract_runtime_win32 runtime_test_stubs)
target_sources(contract_runtime_win32 PRIVATE ${CMAKE_SOURCE_DIR}/tests/contract/own_runtime.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/runtime/delay_load.cpp)
target_include_directories(contract_runtime_win32 PRIVATE ${CMAKE_BINARY_DIR}/generated ${RUNTIME_TEST_DIR})
target_link_libraries(contract_runtime_win32 PRIVATE ${runtime_test_stubs})
# Kept as cmake/win32.cmake keeps Setup.exe's: a stub called only through
# its table entry (a dllimport declaration) is otherwise dropped, and the
# entry left 0.
target_link_options(contract_runtime_win32 PRIVATE -Wl,-u,_MapFileAndCheckSumA@12)

# The library planted beside contract_runtime_win32.exe, as imagehlp.dll and
# as dbghelp.dll.
add_library(planted_library SHARED ${CMAKE_SOURCE_DIR}/tests/contract/planted_library.c)
target_link_options(planted_library PRIVATE -nostdlib -nostartfiles -Wl,--kill-at -Wl,-e,_DllMain@12)
set_target_properties(planted_library PROPERTIES PREFIX "" OUTPUT_NAME imagehlp
  RUNTIME_OUTPUT_DIRECTORY ${RUNTIME_TEST_DIR}/planted)
add_custom_command(TARGET planted_library POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:planted_library> ${RUNTIME_TEST_DIR}/planted/dbghelp.dll VERBATIM)
