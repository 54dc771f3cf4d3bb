#include "host/entry.h"

#include "host/descriptor.h"
#include "host/services.h"
#include "vector/requests.h"

extern "C" DRIVER_EXPORT WireAddress DRIVER_STDCALL PLADI(WireAddress services, WireAddress) {
  HostSetServices(services);
  driverDescriptor.controlHandler = EntryAddress(&ControlRequest);
  driverDescriptor.graphicsHandler = EntryAddress(&GraphicsRequest);
  return AddressOf(&driverDescriptor);
}
