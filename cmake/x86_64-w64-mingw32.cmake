# 64-bit Windows: the build the tests run under 64-bit Wine on machines that
# cannot execute 32-bit code. GoogleTest compiles only with the posix compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(HAZURO_MINGW_TRIPLE x86_64-w64-mingw32)
set(HAZURO_MINGW_THREADS posix CACHE STRING "MinGW thread model of the compilers: win32 or posix")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
