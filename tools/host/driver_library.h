#pragma once
// Loads the driver library from its file as a CAD host does and finds its one
// export, PLADI.
#include <string>

#include "host/protocol.h"

// PLADI of the library at `path`, or null with the reason in `error`. The
// library stays loaded for the life of the process.
PladiFn LoadDriverLibrary(const std::string& path, std::string& error);
