#pragma once
// The DXF reader: fills the drawing model from a text DXF file.
#include <cstdint>
#include <string>

#include "tools/adihost/drawing.h"

// Reads a DXF file. 0, or -1 with a message (with the line number where one
// applies) in `error`.
int32_t ReadDxfFile(const std::string& path, Drawing& drawing, std::string& error);
// The same from the file's bytes. Image files are looked for in `folder`;
// with none, they are kept as the drawing names them and nothing is opened.
int32_t ReadDxfText(const std::string& text, const std::string& folder, Drawing& drawing,
                    std::string& error);
