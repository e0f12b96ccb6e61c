# The manual pages of the five programs, written in scdoc (doc/man/*.scd)
# and made into man pages at build time: build/man/<program>.1 to read with
# `man -l`, and the compressed <program>.1.gz that is installed to
# share/man/man1. Without scdoc a plain build goes on without them, with a
# one-line notice; QMX_BUILD_MAN=ON (the project's presets, CI and
# packaging) makes scdoc required. Windows has no man: no pages there.

set(QMX_BUILD_MAN AUTO CACHE STRING
    "Build the manual pages: AUTO (when scdoc is found), ON (scdoc required) or OFF")
set_property(CACHE QMX_BUILD_MAN PROPERTY STRINGS AUTO ON OFF)
if(WIN32 OR QMX_BUILD_MAN STREQUAL "OFF")
  return()
endif()

find_program(QMX_SCDOC scdoc)
find_program(QMX_GZIP gzip)
if(NOT QMX_SCDOC OR NOT QMX_GZIP)
  if(QMX_BUILD_MAN STREQUAL "ON")
    message(FATAL_ERROR "QMX_BUILD_MAN is ON but scdoc or gzip was not "
            "found: install scdoc")
  endif()
  message(STATUS "scdoc not found: building without the manual pages "
          "(install scdoc to build them)")
  return()
endif()

set(qmx_man_pages)
foreach(program qmx gyrel shovan snipla flipta)
  # The version goes in when CMake configures, so that it is written once.
  set(source ${CMAKE_BINARY_DIR}/man/${program}.1.scd)
  configure_file(doc/man/${program}.1.scd ${source} @ONLY)
  set(page ${CMAKE_BINARY_DIR}/man/${program}.1)
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DSCDOC=${QMX_SCDOC} -DGZIP=${QMX_GZIP}
            -DSOURCE=${source} -DPAGE=${page} -P
            ${CMAKE_CURRENT_SOURCE_DIR}/cmake/make_man_page.cmake
    DEPENDS ${source} ${CMAKE_CURRENT_SOURCE_DIR}/cmake/make_man_page.cmake
    COMMENT "Manual page ${program}(1)"
    VERBATIM)
  list(APPEND qmx_man_pages ${page} ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(man_pages ALL DEPENDS ${qmx_man_pages})
