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
