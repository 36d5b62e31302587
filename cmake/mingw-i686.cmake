# Cross build for 32-bit Windows: the release, and the test build where 32-bit code runs.
set(KOVA_MINGW_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
