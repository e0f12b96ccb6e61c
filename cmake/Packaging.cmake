# Packages of what `cmake --install` installs, made by `cpack` in a build
# directory: the Windows build makes a zip; any other a tar.gz and, on a
# system with dpkg, a .deb that apt installs with the dependencies the
# programs really link against (found by dpkg-shlibdeps). Making the .deb
# needs dpkg-dev and file when cpack runs, not when CMake configures:
# without them `cpack` stops there and says so. A package made without the
# manual pages or without the page says so in one line.

if(NOT WIN32)
  # What Debian asks of every package's documentation: the copyright file
  # and, for a package made by its own developers, the changelog, whose
  # newest entry carries the project's version, compressed to the last bit
  # and without a name or time in it.
  install(FILES doc/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qmx-tools)
  find_program(QMX_GZIP gzip)
  if(QMX_GZIP)
    set(qmx_changelog ${CMAKE_BINARY_DIR}/doc/changelog)
    configure_file(doc/changelog.in ${qmx_changelog} @ONLY)
    add_custom_command(OUTPUT ${qmx_changelog}.gz
                       COMMAND ${QMX_GZIP} -9nkf ${qmx_changelog}
                       DEPENDS ${qmx_changelog}
                       COMMENT "Changelog" VERBATIM)
    add_custom_target(changelog ALL DEPENDS ${qmx_changelog}.gz)
    install(FILES ${qmx_changelog}.gz
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/qmx-tools)
  endif()
endif()

set(CPACK_PACKAGE_NAME qmx-tools)
set(CPACK_PACKAGE_VENDOR "The qmx tools' developers")
set(CPACK_PACKAGE_CONTACT "The qmx tools' developers <maintainers@users.noreply.c-seed-5ca30d6e.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "rotate, move, cut, mirror and inspect .qmx keyframe animations")
set(CPACK_PACKAGE_DESCRIPTION
    "Four interactive console programs (gyrel, shovan, snipla, flipta) that\n\
rotate, move, cut and mirror binary keyframe animations (.qmx), and qmx,\n\
which does the same four edits from scripts and pipelines, shows what a file\n\
holds (qmx info, also as JSON) and draws animations as an SVG picture; and\n\
qmx-studio.html, a page that makes the same edits in a web browser.")
set(CPACK_STRIP_FILES TRUE)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # The zip keeps the name it always had.
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win64)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-Linux)
  find_program(QMX_DPKG dpkg)
  if(QMX_DPKG)
    list(APPEND CPACK_GENERATOR DEB)
  endif()
endif()

# Every directory in a package is rwxr-xr-x, whatever the umask.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_SOURCE_DIR}/cmake/CPackDirectories.cmake)

# What cpack itself checks and says, as it starts each package.
set(qmx_lacks)
if(NOT WIN32 AND NOT qmx_man_pages)
  list(APPEND qmx_lacks "the manual pages (install scdoc, then run cmake again)")
endif()
if(NOT qmx_studio_page)
  list(APPEND qmx_lacks "the page qmx-studio.html (install emscripten, then run cmake again)")
endif()
list(JOIN qmx_lacks " and " qmx_lacks)
configure_file(cmake/CPackChecks.cmake.in ${CMAKE_BINARY_DIR}/CPackChecks.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackChecks.cmake)

# The .deb: qmx-tools_<version>_<architecture>.deb, installed under /usr.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are those of the programs as built: the shared
# libraries they link against (the C library), as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
