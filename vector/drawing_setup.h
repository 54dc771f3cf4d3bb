#pragma once
// The paper list that the drawing set-up builds after a reset and the summary
// prints from; the main dialog rebuilds it the same way when it shows it.
#include <cstdint>

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
