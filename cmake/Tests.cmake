# Whether the tests are built (qmx_tests), and where GoogleTest comes from.
#
# A native build uses the installed GoogleTest (Debian: libgtest-dev). Its
# libraries are built for the build machine only, so a cross build compiles
# GoogleTest from its sources (Debian: googletest, which libgtest-dev pulls
# in), found on the build machine or named by QMX_GTEST_SOURCE_DIR. Without
# GoogleTest the programs are built all the same, unless QMX_BUILD_TESTS is
# ON, as in the project's presets and CI.

set(qmx_tests OFF)
if(QMX_BUILD_TESTS STREQUAL "OFF")
  return()
endif()

if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest QUIET)
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
          "install libgtest-dev, or set QMX_GTEST_SOURCE_DIR to its sources")
else()
  message(STATUS "GoogleTest not found: building the programs without the "
          "tests (install libgtest-dev to build them)")
endif()
