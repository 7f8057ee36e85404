# The launcher's brand: its version information and the identity of its
# manifest, set at configure time, e.g.
#   cmake -DSETUP_COMPANY="Example Ltd" -DSETUP_FILE_VERSION=2.1.0.7 ...
# The defaults are the sample package's own.
set(SETUP_COMPANY "Corvale" CACHE STRING "CompanyName of the version information")
set(SETUP_PRODUCT_NAME "ARVEN software" CACHE STRING "ProductName of the version information")
set(SETUP_FILE_VERSION "1.0.0.0" CACHE STRING "File version: four numbers 0..65535, dot-separated")
set(SETUP_PRODUCT_VERSION "1.0.0.0" CACHE STRING "Product version: four numbers 0..65535, dot-separated")
set(SETUP_COPYRIGHT "" CACHE STRING "LegalCopyright of the version information (left out when empty)")
set(SETUP_MANIFEST_NAME "Corvale.Setup.Launcher" CACHE STRING
  "Name of the manifest's assembly identity (letters, digits, '.', '_', '-')")

# A version is four numbers that each fit 16 bits; PREFIX_MAJOR .. PREFIX_BUILD
# receive them.
function(setup_version_parts variable prefix)
  set(version "${${variable}}")
  if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
    message(FATAL_ERROR "${variable} \"${version}\" is not four dot-separated numbers")
  endif()
  set(index 1)
  foreach(part MAJOR MINOR PATCH BUILD)
    if(CMAKE_MATCH_${index} GREATER 65535)
      message(FATAL_ERROR "${variable} \"${version}\": ${CMAKE_MATCH_${index}} is more than 65535")
    endif()
    set(${prefix}_${part} ${CMAKE_MATCH_${index}} PARENT_SCOPE)
    math(EXPR index "${index} + 1")
  endforeach()
endfunction()
setup_version_parts(SETUP_FILE_VERSION SETUP_FILE_VERSION)
setup_version_parts(SETUP_PRODUCT_VERSION SETUP_PRODUCT_VERSION)

# Texts go into resource strings (UTF-8 source, stored as UTF-16): a
# quotation mark, a backslash, a tab or a line break would end or change
# the string, so they are refused rather than escaped.
foreach(variable SETUP_COMPANY SETUP_PRODUCT_NAME SETUP_COPYRIGHT)
  if("${${variable}}" MATCHES "[\"\\\\\t\r\n]")
    message(FATAL_ERROR "${variable} holds a quotation mark, a backslash, a tab or a line break")
  endif()
endforeach()
foreach(variable SETUP_COMPANY SETUP_PRODUCT_NAME)
  if("${${variable}}" STREQUAL "")
    message(FATAL_ERROR "${variable} is empty")
  endif()
endforeach()
if(NOT SETUP_MANIFEST_NAME MATCHES "^[A-Za-z0-9_][A-Za-z0-9_.-]*$")
  message(FATAL_ERROR "SETUP_MANIFEST_NAME \"${SETUP_MANIFEST_NAME}\" is not letters, digits, '.', '_', '-'")
endif()

set(SETUP_HAS_COPYRIGHT OFF)
if(NOT SETUP_COPYRIGHT STREQUAL "")
  set(SETUP_HAS_COPYRIGHT ON)
endif()

configure_file(${CMAKE_SOURCE_DIR}/src/resources/version/setup_version.h.in
  ${CMAKE_BINARY_DIR}/generated/setup_version.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/resources/version/setup.manifest.in
  ${CMAKE_BINARY_DIR}/generated/setup.manifest @ONLY)
