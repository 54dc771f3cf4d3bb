# Text in DXF drawings: the layout and font sources, and FreeType and
# fontconfig (the i386 builds) that read and find the fonts.
set(ADIHOST_TEXT_SOURCES
  ${CMAKE_SOURCE_DIR}/tools/adihost/text_entity.cpp ${CMAKE_SOURCE_DIR}/tools/adihost/text_codes.cpp
  ${CMAKE_SOURCE_DIR}/tools/adihost/text_layout.cpp ${CMAKE_SOURCE_DIR}/tools/adihost/fonts.cpp
  ${CMAKE_SOURCE_DIR}/tools/adihost/font_stroke.cpp ${CMAKE_SOURCE_DIR}/tools/adihost/font_outline.cpp)
find_library(ADIHOST_FREETYPE freetype PATHS /usr/lib/i386-linux-gnu NO_DEFAULT_PATH REQUIRED)
find_library(ADIHOST_FONTCONFIG fontconfig PATHS /usr/lib/i386-linux-gnu NO_DEFAULT_PATH REQUIRED)
find_path(ADIHOST_FREETYPE_INCLUDE ft2build.h PATH_SUFFIXES freetype2 REQUIRED)
set(ADIHOST_FONT_INCLUDES ${ADIHOST_FREETYPE_INCLUDE})
set(ADIHOST_FONT_LIBRARIES ${ADIHOST_FONTCONFIG} ${ADIHOST_FREETYPE})
