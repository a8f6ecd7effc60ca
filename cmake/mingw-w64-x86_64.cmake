# Cross build for 64-bit Windows with Debian's mingw-w64. The engine runs on one thread,
# but GoogleTest needs std::mutex, which only the posix thread model provides; the static
# link keeps its threads library inside the programs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QX_MINGW x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${QX_MINGW}-gcc-posix REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${QX_MINGW}-g++-posix REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${QX_MINGW}-windres REQUIRED)

# Headers and libraries come from the cross sysroot only; programs run at build time
# are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${QX_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
