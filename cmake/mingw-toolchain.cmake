# Cross toolchain for the Windows tree: mingw-w64 with the posix thread model (std::thread, std::mutex).
#   -DVELMORA_WIN_ARCH=i686|x86_64   target architecture (default i686: the shipped velmora.exe)
#   -DVELMORA_WIN_DEPS=<prefix>      the cross-built picture libraries (scripts/build-windows-deps)
#   -DVELMORA_NO_EMULATOR=ON         no Wine emulator (used when building the libraries themselves)
# Everything links statically, so the programs import only Windows' own DLLs.
if(NOT VELMORA_WIN_ARCH)
  set(VELMORA_WIN_ARCH i686)
endif()
if(NOT VELMORA_WIN_ARCH MATCHES "^(i686|x86_64)$")
  message(FATAL_ERROR "VELMORA_WIN_ARCH must be i686 or x86_64, not ${VELMORA_WIN_ARCH}")
endif()
# try_compile projects see these too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELMORA_WIN_ARCH VELMORA_WIN_DEPS VELMORA_NO_EMULATOR)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VELMORA_WIN_ARCH})
set(VELMORA_TRIPLET ${VELMORA_WIN_ARCH}-w64-mingw32)

set(CMAKE_C_COMPILER ${VELMORA_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_TRIPLET}-windres)
set(CMAKE_AR ${VELMORA_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELMORA_TRIPLET}-ranlib CACHE FILEPATH "")

set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_TRIPLET})
if(VELMORA_WIN_DEPS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${VELMORA_WIN_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# ctest runs the Windows programs through the Wine loader of the target architecture, by way of
# scripts/lib/wine-test-run (a run whose loader was killed by a signal is run once more).
if(NOT VELMORA_NO_EMULATOR)
  if(VELMORA_WIN_ARCH STREQUAL "x86_64")
    set(velmora_wine_loader /usr/lib/wine/wine64)
  else()
    set(velmora_wine_loader /usr/lib/wine/wine)
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR /bin/bash "${CMAKE_CURRENT_LIST_DIR}/../scripts/lib/wine-test-run"
      ${velmora_wine_loader})
endif()
