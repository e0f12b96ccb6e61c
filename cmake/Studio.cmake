# The page qmx-studio.html (page/), built by Emscripten in a tree of its
# own under this one (build/studio), since one tree has one compiler.
# QMX_BUILD_STUDIO: AUTO builds it when Emscripten is found, ON requires
# it, OFF leaves it out. QMX_STUDIO_PAGE names a page built by another tree
# to install instead (the Windows zip takes the Linux build's).
#
# Debian's emscripten ships its C and C++ libraries prebuilt, in a cache of
# its own that it never writes to; an Emscripten whose cache is not frozen
# so gets one in the build tree rather than writing outside it. Emscripten's
# compiler runs on node, and a node that is not Debian's needs to be told
# where Debian keeps the JavaScript modules emscripten uses.
#
# Sets qmx_studio_page, the page to install ("" for none), and
# qmx_studio_built when this tree builds it.

set(QMX_BUILD_STUDIO AUTO CACHE STRING
    "Build the page qmx-studio.html: AUTO (when Emscripten is found), ON or OFF")
set_property(CACHE QMX_BUILD_STUDIO PROPERTY STRINGS AUTO ON OFF)
set(QMX_STUDIO_PAGE "" CACHE FILEPATH
    "A qmx-studio.html built elsewhere, installed instead of building one")

set(qmx_studio_page "${QMX_STUDIO_PAGE}")
set(qmx_studio_built OFF)
if(QMX_STUDIO_PAGE OR QMX_BUILD_STUDIO STREQUAL "OFF")
  return()
endif()

find_program(QMX_EM_CONFIG em-config)
if(QMX_EM_CONFIG)
  execute_process(COMMAND ${QMX_EM_CONFIG} EMSCRIPTEN_ROOT
                  OUTPUT_VARIABLE qmx_em_root OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE qmx_em_failed)
endif()
set(qmx_em_toolchain ${qmx_em_root}/cmake/Modules/Platform/Emscripten.cmake)
if(NOT QMX_EM_CONFIG OR qmx_em_failed OR NOT EXISTS ${qmx_em_toolchain})
  if(QMX_BUILD_STUDIO STREQUAL "ON")
    message(FATAL_ERROR "QMX_BUILD_STUDIO is ON but Emscripten was not found: "
            "install emscripten")
  endif()
  message(STATUS "Emscripten not found: building without the page "
          "qmx-studio.html (install emscripten to build it)")
  return()
endif()

set(qmx_em_env NODE_PATH=/usr/share/nodejs)
execute_process(COMMAND ${QMX_EM_CONFIG} FROZEN_CACHE
                OUTPUT_VARIABLE qmx_em_frozen OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT qmx_em_frozen STREQUAL "True")
  list(APPEND qmx_em_env EM_CACHE=${CMAKE_BINARY_DIR}/studio/emcache)
endif()
# The page's tree finds the header-only libraries where this one did: the
# one folder that holds each library's header (a package's include list can
# name a folder more than once).
if(TARGET nlohmann_json::nlohmann_json)
  get_target_property(qmx_json_dirs nlohmann_json::nlohmann_json
                      INTERFACE_INCLUDE_DIRECTORIES)
  get_target_property(qmx_cli11_dirs CLI11::CLI11 INTERFACE_INCLUDE_DIRECTORIES)
else()
  set(qmx_json_dirs ${QMX_JSON_INCLUDE_DIR})
  set(qmx_cli11_dirs ${QMX_CLI11_INCLUDE_DIR})
endif()
foreach(dir IN LISTS qmx_json_dirs)
  if(EXISTS ${dir}/nlohmann/json.hpp)
    set(qmx_json_dir ${dir})
    break()
  endif()
endforeach()
foreach(dir IN LISTS qmx_cli11_dirs)
  if(EXISTS ${dir}/CLI/CLI.hpp)
    set(qmx_cli11_dir ${dir})
    break()
  endif()
endforeach()
# Emscripten's environment goes to the page's tree as a list: its items
# joined by "|", which ExternalProject turns back into ";" (an item passed
# bare would be a path of its own on CMake's command line).
string(REPLACE ";" "|" qmx_em_env_arg "${qmx_em_env}")

include(ExternalProject)
ExternalProject_Add(studio
  LIST_SEPARATOR |
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/page
  BINARY_DIR ${CMAKE_BINARY_DIR}/studio
  PREFIX ${CMAKE_BINARY_DIR}/studio-project
  CMAKE_COMMAND ${CMAKE_COMMAND} -E env ${qmx_em_env} ${CMAKE_COMMAND}
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${qmx_em_toolchain}
             -DCMAKE_BUILD_TYPE=MinSizeRel
             -DQMX_JSON_INCLUDE_DIR=${qmx_json_dir}
             -DQMX_CLI11_INCLUDE_DIR=${qmx_cli11_dir}
             -DQMX_EM_ENV=${qmx_em_env_arg}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/studio/qmx-studio.html)
set(qmx_studio_page ${CMAKE_BINARY_DIR}/studio/qmx-studio.html)
set(qmx_studio_built ON)
