#include "host/entry.h"

#include "config/descriptor.h"
#include "host/handlers.h"
#include "host/services.h"

extern "C" DRIVER_EXPORT WireAddress DRIVER_STDCALL PLADI(WireAddress services, WireAddress) {
  HostSetServices(services);
  driverDescriptor.controlHandler = EntryAddress(&ControlRequest);
  driverDescriptor.graphicsHandler = EntryAddress(&GraphicsRequest);
  return AddressOf(&driverDescriptor);
}
