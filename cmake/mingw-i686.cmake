# The shipped 32-bit build. It is compiled and linked here but never run: this machine's kernel
# cannot execute 32-bit code.
set(MINGW_TARGET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
