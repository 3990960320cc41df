# Cross compilation to 32-bit Windows with the posix-thread MinGW-w64 compilers.
# The release artifact (preset win32) and its tests (preset win32-tests, under 32-bit Wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(QZ_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
