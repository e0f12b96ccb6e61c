# Packages of what `cmake --install` installs, made by `cpack` in a build
# directory: the Windows build makes a zip; any other a tar.gz and, where
# dpkg-shlibdeps is at hand (Debian: dpkg-dev), a .deb that apt installs
# with the dependencies the programs really link against.

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
  find_program(QMX_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(QMX_DPKG_SHLIBDEPS)
    list(APPEND CPACK_GENERATOR DEB)
  endif()
endif()

# The .deb: qmx-tools_<version>_<architecture>.deb, installed under /usr.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The dependencies are those of the programs as built: the shared
# libraries they link against (none beyond the C library when they are
# linked statically), as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")

include(CPack)
