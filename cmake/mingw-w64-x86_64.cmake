# Cross-compiling for 64-bit Windows with mingw-w64. The -posix compilers carry
# std::thread; static linking keeps the programs and Orlin.dll free of runtime DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORLIN_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
