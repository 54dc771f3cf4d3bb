#pragma once
// The few Win32 calls the driver makes. On Win32 they are the system's; on
// Linux, platform/linux_win32.cpp stands in for them.
#include <cstdint>

#if defined(_WIN32)
#include <windows.h>
#else
using HMODULE = void*;
using HINSTANCE = void*;
using HWND = void*;
using UINT = unsigned int;
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
// The loaded shared object whose file name is the given stem plus ".so".
HMODULE GetModuleHandleA(const char* stem);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT style);

// What the stand-ins recorded, for tests and the command-line host.
int32_t PlatformMessageBoxCount();
const char* PlatformLastMessageBox();
#endif
