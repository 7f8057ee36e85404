# Contract tests on the host: the shared test bodies against the simulator.
file(GLOB CONTRACT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/contract/*_contract.cpp)
add_executable(contract_host ${CMAKE_SOURCE_DIR}/tests/contract/main.cpp ${CMAKE_SOURCE_DIR}/src/platform/late_kernel.cpp
  ${CMAKE_SOURCE_DIR}/tests/contract/fixture_host.cpp ${CONTRACT_TEST_SOURCES})
target_include_directories(contract_host PRIVATE ${CMAKE_SOURCE_DIR}/tests/contract)
target_link_libraries(contract_host PRIVATE sim)
add_test(NAME contract_host COMMAND contract_host)
