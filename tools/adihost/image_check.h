#pragma once
// The images a drawing names are read before the plot: one that cannot be
// read is left out with a note, and the rest of the drawing still plots.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/adihost/request_script.h"

void DropUnreadableImages(std::vector<Request>& requests, std::map<std::string, int32_t>& notes);
