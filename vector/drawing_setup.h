#pragma once
// The drawing set-up requests: the record fetched at the start of a drawing,
// the main dialog, the plot area, the reset, the summary and the legend; and
// the paper list that the set-up builds after a reset and the summary prints
// from (the main dialog rebuilds it the same way when it shows it).
#include <cstdint>

void RequestLineTypeLegend(uint8_t* packet);  // 15
void RequestConfigFetch(uint8_t* packet);     // 29
void RequestSummary(uint8_t* packet);         // 31
void RequestConfigure(uint8_t* packet);       // 46
void RequestPlotArea(uint8_t* packet);        // 47
void RequestPaperList(uint8_t* packet);       // 48
void RequestReset(uint8_t* packet);           // 49

constexpr int32_t kPaperNameSize = 50;
constexpr int32_t kPaperListSize = 44;

// 1 after a reset: the next paper-list request builds the list and settles
// the plot area.
extern uint8_t paperListDue;
// Slot k holds the name of paper size k + 1, always terminated.
extern char paperNames[kPaperListSize][kPaperNameSize];
extern int32_t paperCount;

// The current model's paper names, from size 1 up to the first empty name.
void BuildPaperList();
