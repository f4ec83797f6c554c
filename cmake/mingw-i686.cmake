# Cross-build for 32-bit Windows with Debian's mingw-w64.
# The product uses the win32-thread compilers (no winpthread dragged into the
# executable); GoogleTest needs std::mutex, so the test build picks posix.
set(ZUV_MINGW_THREADS win32 CACHE STRING "mingw-w64 thread model: win32 or posix")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-${ZUV_MINGW_THREADS})
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-${ZUV_MINGW_THREADS})
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
