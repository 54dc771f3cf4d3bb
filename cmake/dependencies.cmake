# The Debian libraries the tools and tests use, found for the architecture
# being built (the i686 toolchain points the searches and pkg-config at the
# i386 packages).
find_package(PkgConfig REQUIRED)
find_package(TIFF REQUIRED)
find_package(PNG REQUIRED)
pkg_check_modules(DXFLIB REQUIRED IMPORTED_TARGET dxflib)
# adihost's drawings: JPEG images, fills cut into pieces, text with its fonts.
find_package(JPEG REQUIRED)
pkg_check_modules(POLYCLIPPING REQUIRED IMPORTED_TARGET polyclipping)
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET fontconfig)
if(NOT TRNKV_FUZZ AND NOT TRNKV_COVERAGE)
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
  pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
  pkg_check_modules(SPANDSP REQUIRED IMPORTED_TARGET spandsp)
endif()
