#include "config/dialogs.h"

// The dialog boxes themselves are not built yet: until they are, opening one
// returns as if the user had pressed Cancel, which leaves the record as it was.
int32_t MainConfigDialog() {
  return kDialogCancelled;
}
int32_t DetailConfigDialog() {
  return kDialogCancelled;
}
