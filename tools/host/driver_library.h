#pragma once
// The driver library as a host finds it: loaded by file as a CAD host loads
// it, its one export PLADI, and what its descriptor tells without a plot
// (its name, the paper sizes).
#include <string>
#include <vector>

#include "host/protocol.h"
#include "tools/host/host_kernel.h"

// trnkv_p beside the running program (argv[0] where the system cannot say).
std::string DefaultDriverPath(const char* argv0);
// PLADI of the library at `path`, or null with the reason in `error`. The
// library stays loaded for the life of the process.
PladiFn LoadDriverLibrary(const std::string& path, std::string& error);

// The driver's name as its descriptor gives it, trimmed (Windows-1252).
std::string DriverName(const DriverLink& d);
// The paper sizes of the driver's model, by list number from 1 (Windows-1252).
std::vector<std::string> DriverPaperNames(const DriverLink& d);
