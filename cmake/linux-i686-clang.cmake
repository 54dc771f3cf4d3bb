# The i686 Linux build with clang, for the coverage-guided fuzz targets.
include(${CMAKE_CURRENT_LIST_DIR}/linux-i686.cmake)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
