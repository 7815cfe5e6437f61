# The MinGW-w64 cross toolchain for ZELT_MINGW_TRIPLE (set by the file that
# includes this one), with Debian's posix thread model so that std::thread
# and std::mutex work.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${ZELT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELT_MINGW_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${ZELT_MINGW_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${ZELT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
