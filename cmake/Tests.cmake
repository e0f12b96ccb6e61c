# Whether the tests are built (qmx_tests), and where GoogleTest comes from.
#
# A native build uses the installed GoogleTest (Debian: libgtest-dev). Its
# libraries are built for the build machine only, so a cross build compiles
# GoogleTest from its sources (Debian: googletest, which libgtest-dev pulls
# in), found on the build machine or named by QMX_GTEST_SOURCE_DIR. Without
# it the programs are built all the same, unless QMX_BUILD_TESTS is ON, as
# in the project's presets and CI. Only the test of qmx plot's picture
# needs more, to read and render it (Debian: libpugixml-dev, libpng-dev,
# librsvg2-bin); without them it alone is left out (qmx_picture_test).

set(qmx_tests OFF)
set(qmx_picture_test OFF)
if(QMX_BUILD_TESTS STREQUAL "OFF")
  return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
  find_package(pugixml QUIET)
  find_package(PNG QUIET)
  find_program(QMX_RSVG_CONVERT rsvg-convert)
  if(pugixml_FOUND AND PNG_FOUND AND QMX_RSVG_CONVERT)
    set(qmx_picture_test ON)
  endif()
endif()
if(NOT GTest_FOUND)
  find_path(QMX_GTEST_SOURCE_DIR googletest/include/gtest/gtest.h
            PATH_SUFFIXES src/googletest NO_CMAKE_FIND_ROOT_PATH
            DOC "GoogleTest's sources, compiled by a cross build")
endif()

if(GTest_FOUND OR QMX_GTEST_SOURCE_DIR)
  set(qmx_tests ON)
elseif(QMX_BUILD_TESTS STREQUAL "ON")
  message(FATAL_ERROR "QMX_BUILD_TESTS is ON but GoogleTest was not found: "
          "install libgtest-dev, or set QMX_GTEST_SOURCE_DIR to GoogleTest's "
          "sources")
else()
  message(STATUS "GoogleTest not found: building the programs without the "
          "tests (install libgtest-dev to build them)")
endif()
if(qmx_tests AND NOT qmx_picture_test AND NOT CMAKE_CROSSCOMPILING)
  message(WARNING "The test of qmx plot's picture is left out: install "
          "libpugixml-dev, libpng-dev and librsvg2-bin to build it")
endif()

if(qmx_tests AND NOT GTest_FOUND)
  # Compiled for the target, never installed.
  set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "Build GoogleMock" FORCE)
  add_subdirectory(${QMX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest
                   EXCLUDE_FROM_ALL)
endif()
