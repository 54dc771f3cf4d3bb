#pragma once
// The binary interface towards the host: PLADI is the only exported name and
// removes its two arguments itself; the request handlers and every host service
// are caller-cleans. On x86_64 there is one calling convention, and these
// markers name nothing.
#if defined(_WIN32)
#define DRIVER_EXPORT __declspec(dllexport)
#else
#define DRIVER_EXPORT __attribute__((visibility("default")))
#endif
#if defined(__i386__)
#define DRIVER_STDCALL __attribute__((stdcall))
#define DRIVER_CDECL __attribute__((cdecl))
#else
#define DRIVER_STDCALL
#define DRIVER_CDECL
#endif
