#pragma once
// The binary interface towards the host: PLADI is the only exported name and
// removes its two arguments itself; the request handlers and every host service
// are caller-cleans. Both builds are 32-bit, so host-table slots are 4 bytes apart
// and addresses travel as 32-bit numbers.
#include <cstdint>

static_assert(sizeof(void*) == 4, "the driver is a 32-bit library by contract");

#if defined(_WIN32)
#define DRIVER_EXPORT __declspec(dllexport)
#else
#define DRIVER_EXPORT __attribute__((visibility("default")))
#endif
#define DRIVER_STDCALL __attribute__((stdcall))
#define DRIVER_CDECL __attribute__((cdecl))

using RequestHandler = void(DRIVER_CDECL*)(uint8_t* packet);

inline uint32_t AddressOf(const void* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}
template <typename T>
inline T* PointerAt(uint32_t address) {
  return reinterpret_cast<T*>(static_cast<uintptr_t>(address));
}
