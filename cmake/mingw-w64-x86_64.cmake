# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads, for std::thread).
# QORVA_WINDOWS_DEPS: the prefix holding Botan, libzip, libdeflate and GoogleTest built for
# Windows (scripts/test-windows fills it).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QORVA_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${QORVA_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QORVA_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QORVA_MINGW}-windres)
set(CMAKE_AR ${QORVA_MINGW}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${QORVA_MINGW}-gcc-ranlib-posix CACHE FILEPATH "")

if(DEFINED ENV{QORVA_WINDOWS_DEPS} AND NOT QORVA_WINDOWS_DEPS)
  set(QORVA_WINDOWS_DEPS $ENV{QORVA_WINDOWS_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${QORVA_MINGW} ${QORVA_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must see only the Windows libraries, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${QORVA_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# Debian's MinGW zlib has a DLL import library too; the static one keeps the programs whole.
set(ZLIB_USE_STATIC_LIBS ON)

# Static runtime: the programs and tests run under Wine without any DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine's 64-bit loader itself: the wrapper in /usr/bin would ask for a 32-bit Wine each time.
find_program(QORVA_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(QORVA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QORVA_WINE})
endif()
