# Cross-builds for 64-bit Windows with Debian's mingw-w64 compilers (the POSIX thread
# variant). Programs are linked statically, so that they start under wine, or on a Windows
# machine, without the compiler's runtime DLLs beside them.
#
# ctest and GoogleTest's test discovery start the test programs through wine. Wine's
# settings folder (its prefix, made on the first start, which takes several seconds) lives
# in the build tree, so every later start reuses it and nothing is written to $HOME.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DOTCASTER_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DOTCASTER_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DOTCASTER_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DOTCASTER_MINGW_TRIPLE}-windres)

# Libraries and headers for the target only from the cross sysroot; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${DOTCASTER_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# No debug chatter, and no offer to install wine's .NET and browser add-ons into the prefix.
set(DOTCASTER_WINE_ENV "WINEPREFIX=${CMAKE_BINARY_DIR}/wine" "WINEDEBUG=-all"
                       "WINEDLLOVERRIDES=mscoree,mshtml=")
set(CMAKE_CROSSCOMPILING_EMULATOR env ${DOTCASTER_WINE_ENV} wine)
