# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64). The posix thread model
# gives std::thread and std::mutex; everything links statically so that Wine needs no MinGW DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MNX_MINGW_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${MNX_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MNX_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MNX_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MNX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run under Wine; ctest prefixes every test command with this.
find_program(MNX_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(MNX_WINE64 NAMES wine64 wine)
if(MNX_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${MNX_WINE64})
endif()
