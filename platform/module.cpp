#include "platform/module.h"

HMODULE moduleHandle = nullptr;

HMODULE FindOwnModule() {
  moduleHandle = GetModuleHandleA("trnkv_p");
  return moduleHandle;
}
