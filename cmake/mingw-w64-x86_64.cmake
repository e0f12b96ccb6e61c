# Cross build for 64-bit Windows with MinGW-w64 from Debian's
# g++-mingw-w64-x86-64. Uses the posix-thread compilers (the win32-thread ones
# lack std::thread and std::mutex, which GoogleTest needs) and links the C and
# C++ runtimes statically, so each program needs only Windows' own DLLs.
# Built programs and tests run under wine through wine-run.sh, in a wine
# prefix below the build directory.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QMX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QMX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QMX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QMX_MINGW_TRIPLE}-windres)

# Headers and libraries come from the MinGW sysroot only, never from the host;
# programs come from the host: the compilers and windres above, and wine,
# which runs the tests through the emulator below.
set(CMAKE_FIND_ROOT_PATH /usr/${QMX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The wine prefix lives in the top build directory; try_compile projects,
# which never run anything, would only point it at their own scratch folder.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wine")
