# CLI11 and nlohmann-json, both header-only, as the targets qmx_cli11 and
# qmx_json (Debian: libcli11-dev, nlohmann-json3-dev).
#
# A native build takes them from their CMake packages. A cross build uses
# the same headers on the build machine, but the folder they sit in also
# holds the build machine's C library headers, which must never shadow the
# target's: so the cross build gets a folder of its own in the build tree
# with links to the two libraries' header folders only. QMX_CLI11_INCLUDE_DIR
# and QMX_JSON_INCLUDE_DIR tell where the headers are when they are not
# found.

if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json 3.2 REQUIRED)
  add_library(qmx_cli11 INTERFACE)
  target_link_libraries(qmx_cli11 INTERFACE CLI11::CLI11)
  add_library(qmx_json INTERFACE)
  target_link_libraries(qmx_json INTERFACE nlohmann_json::nlohmann_json)
  return()
endif()

# Looked for on the build machine, outside the target's sysroot.
find_path(QMX_CLI11_INCLUDE_DIR CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH
          DOC "The folder that holds CLI11's CLI/CLI.hpp")
find_path(QMX_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH
          DOC "The folder that holds nlohmann-json's nlohmann/json.hpp")
if(NOT QMX_CLI11_INCLUDE_DIR OR NOT QMX_JSON_INCLUDE_DIR)
  message(FATAL_ERROR "CLI11 and nlohmann-json headers not found: install "
          "libcli11-dev and nlohmann-json3-dev, or set QMX_CLI11_INCLUDE_DIR "
          "and QMX_JSON_INCLUDE_DIR")
endif()

set(qmx_header_dir ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${qmx_header_dir})
file(CREATE_LINK ${QMX_CLI11_INCLUDE_DIR}/CLI ${qmx_header_dir}/CLI SYMBOLIC)
file(CREATE_LINK ${QMX_JSON_INCLUDE_DIR}/nlohmann ${qmx_header_dir}/nlohmann
     SYMBOLIC)
add_library(qmx_cli11 INTERFACE)
target_include_directories(qmx_cli11 SYSTEM INTERFACE ${qmx_header_dir})
add_library(qmx_json INTERFACE)
target_include_directories(qmx_json SYSTEM INTERFACE ${qmx_header_dir})
