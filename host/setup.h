#pragma once
// The set-up of a plot, run by control request 21 before the graphics requests.
#include <cstdint>

// Makes sure a usable record is in memory (fetched or defaulted), lets the user
// confirm the plot details, answers the usable sheet and the host units in the
// packet in progress and rebuilds the tone table from the record. Always 0.
uint16_t PlotSetUp();
