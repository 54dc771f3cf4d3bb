# The native Linux build with clang, for the coverage-guided fuzz targets and
# the coverage counts.
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
