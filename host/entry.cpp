// The library's single export. The host calls it with its service table and
// gets the descriptor, which names the two request handlers.
#include "config/descriptor.h"
#include "host/handlers.h"
#include "host/services.h"
#include "platform/abi.h"

extern "C" DRIVER_EXPORT uint32_t DRIVER_STDCALL PLADI(uint32_t services, uint32_t) {
  HostSetServices(services);
  driverDescriptor.controlHandler = AddressOf(reinterpret_cast<const void*>(&ControlRequest));
  driverDescriptor.graphicsHandler = AddressOf(reinterpret_cast<const void*>(&GraphicsRequest));
  return AddressOf(&driverDescriptor);
}
