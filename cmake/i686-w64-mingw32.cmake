# 32-bit Windows, the release target. The default win32-threads compilers keep
# winpthreads (and its imports that Windows 2000 lacks) out of a static link;
# HAZURO_MINGW_THREADS=posix selects the compilers GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(HAZURO_MINGW_TRIPLE i686-w64-mingw32)
set(HAZURO_MINGW_THREADS win32 CACHE STRING "MinGW thread model of the compilers: win32 or posix")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
