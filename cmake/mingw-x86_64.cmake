# Cross build for 64-bit Windows: the test build on machines that cannot run 32-bit code,
# where only 64-bit Wine works. The release stays 32-bit (mingw-i686.cmake).
set(KOVA_MINGW_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
