# adihost's readers: DXF drawings through dxflib (with their text, drawn with
# FreeType, fontconfig and stroke fonts, and their fills cut by the polygon
# clipping library), request scripts, and PNG, JPEG, TIFF and netpbm images.
# Listed once, for adihost's library in the ordinary builds and for the
# fuzzing builds, which compile them with their own flags.
set(ADIHOST_DIR ${CMAKE_SOURCE_DIR}/tools/adihost)
set(ADIHOST_READER_SOURCES
  ${ADIHOST_DIR}/request_script.cpp ${ADIHOST_DIR}/raster_file.cpp ${ADIHOST_DIR}/flatten.cpp)
set(ADIHOST_DXF_SOURCES
  ${ADIHOST_DIR}/png_file.cpp ${ADIHOST_DIR}/image_formats.cpp
  ${ADIHOST_DIR}/dxf_reader.cpp ${ADIHOST_DIR}/dxf_groups.cpp ${ADIHOST_DIR}/drawing_writer.cpp
  ${ADIHOST_DIR}/plane.cpp ${ADIHOST_DIR}/wide_polyline.cpp ${ADIHOST_DIR}/polygon_pieces.cpp
  ${ADIHOST_DIR}/hatch_pattern.cpp ${ADIHOST_DIR}/dimension.cpp
  ${ADIHOST_DIR}/text_entity.cpp ${ADIHOST_DIR}/text_codes.cpp ${ADIHOST_DIR}/text_layout.cpp
  ${ADIHOST_DIR}/fonts.cpp ${ADIHOST_DIR}/font_stroke.cpp ${ADIHOST_DIR}/font_outline.cpp)
set(ADIHOST_DXF_LIBRARIES PkgConfig::DXFLIB PNG::PNG JPEG::JPEG TIFF::TIFF
  PkgConfig::POLYCLIPPING PkgConfig::FREETYPE PkgConfig::FONTCONFIG)
