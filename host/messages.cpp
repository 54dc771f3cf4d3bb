#include "host/messages.h"

#include <cstring>

#include "host/services.h"

char MessageTable[kMessageSlots][kMessageSlotSize];

void LoadMessages() {
  for (int slot = 0; slot < kMessageSlots; ++slot) {
    std::strncpy(MessageTable[slot], kBuiltInMessages[slot], kMessageSlotSize - 1);
    MessageTable[slot][kMessageSlotSize - 1] = '\0';
  }
}

const char* MessageText(int slot) {
  return slot >= 0 && slot < kMessageSlots ? MessageTable[slot] : "";
}

void ReportMessage(int slot) {
  HostPrintMessage("\n%s\n", MessageText(slot));
}
