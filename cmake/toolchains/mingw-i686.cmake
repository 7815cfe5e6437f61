# Cross-compiling for 32-bit Windows with Debian's MinGW-w64.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZELT_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# SSE2 is the baseline of every x86 processor the library supports; the
# pixel loops use its intrinsics on both Windows builds.
set(CMAKE_C_FLAGS_INIT "-msse2")
set(CMAKE_CXX_FLAGS_INIT "-msse2")
