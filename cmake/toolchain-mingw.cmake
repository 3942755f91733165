# Windows programs built on Linux with mingw-w64 and run under Wine. QUORVEL_WINDOWS_ARCH is
# i686 (the shipped 32-bit programs) or x86_64 (the same sources as 64-bit programs, for
# machines that cannot run 32-bit code and so have no 32-bit Wine).
set(QUORVEL_WINDOWS_ARCH i686 CACHE STRING "mingw-w64 target: i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${QUORVEL_WINDOWS_ARCH})
set(triplet ${QUORVEL_WINDOWS_ARCH}-w64-mingw32)

# The -posix variant: GoogleTest wants a thread model with std::mutex.
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No runtime DLLs beside the programs: libgcc, libstdc++ and winpthread go in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest runs every Windows program through Wine, in a prefix of the build tree, never ~/.wine.
if(QUORVEL_WINDOWS_ARCH STREQUAL x86_64)
  set(wine_bits 64)
else()
  set(wine_bits 32)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
    env QUORVEL_WINE_BITS=${wine_bits} ${CMAKE_CURRENT_LIST_DIR}/wine-env.sh
    ${CMAKE_BINARY_DIR}/wine/prefix run)
