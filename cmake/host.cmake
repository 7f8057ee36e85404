# Host build: the launcher's sources against the simulated Windows, with the
# unit and contract tests. -DSANITIZE=ON adds ASan and UBSan.
option(SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(FUZZ "Build the libFuzzer targets of tests/fuzz (clang)" OFF)
if(FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
if(SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(GTest REQUIRED)
enable_testing()
include(GoogleTest)

file(GLOB SIM_SOURCES CONFIGURE_DEPENDS sim/*.cpp)
add_library(sim STATIC ${SIM_SOURCES})
target_include_directories(sim PUBLIC src sim)

# The removal entry point is replaced by a recording double in the unit tests.
set(CORE_SOURCES ${LAUNCHER_SOURCES})
list(FILTER CORE_SOURCES EXCLUDE REGEX "src/removal/uninstall_printer\\.cpp$")
add_library(launcher_core STATIC ${CORE_SOURCES})
target_include_directories(launcher_core PUBLIC src)
target_link_libraries(launcher_core PUBLIC sim)

file(GLOB UNIT_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_SOURCES})
target_include_directories(unit_tests PRIVATE tests/unit)
target_link_libraries(unit_tests PRIVATE launcher_core GTest::gtest_main)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 30)

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/contract/host.cmake)
  include(${CMAKE_SOURCE_DIR}/tests/contract/host.cmake)
endif()
if(FUZZ)
  include(${CMAKE_SOURCE_DIR}/tests/fuzz/host.cmake)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/bench/host.cmake)
  include(${CMAKE_SOURCE_DIR}/bench/host.cmake)
endif()
