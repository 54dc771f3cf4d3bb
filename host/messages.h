#pragma once
// The message table: 86 slots of 80 bytes of Portuguese text. The working copy
// is empty until the host asks for the texts, so a message printed before then
// is an empty line.
#include <cstdint>

#include "resources/messages.h"

extern char MessageTable[kMessageSlots][kMessageSlotSize];

// Slots printed by name elsewhere.
enum MessageSlot : int {
  kMsgWrongHost = 0,
  kMsgWrongVersion = 1,
  kMsgNoMemory = 2,
  kMsgLineTypeLegend = 8,
  kMsgPlotter = 25,
  kMsgPaperSize = 26,
  kMsgCopies = 27,
  kMsgPort = 28,
  kMsgParallel = 29,
  kMsgQdrsOutput = 33,
  kMsgHpglOutput = 34,
  kMsgHalftoneFill = 35,
  kMsgSolidFill = 36,
  kMsgResolution = 49,
  kMsg600Dpi = 50,
  kMsg400Dpi = 51,
  kMsg300Dpi = 52,
  kMsg200Dpi = 53,
  kMsgProgram = 55,
  kMsgMargins = 56,
  kMsgOutputBin = 57,
  kMsgMediaType = 58,
  kMsgManualOutput = 70,
  kMsgNoManualOutput = 71,
  kMsgRedPrinting = 72,
  kMsgNoRedPrinting = 73,
  kMsgSaveFailed = 75,
  kMsgFetchFailed = 76,
  kMsgOutputFailed = 77,
  kMsgPolygonTooLarge = 81,
};

void LoadMessages();
const char* MessageText(int slot);
// An error report: one slot framed by line feeds.
void ReportMessage(int slot);
