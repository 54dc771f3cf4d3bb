#pragma once
// The printer application's drivers: one per model, both printing through
// the driver library by way of rastertokalvo.
#include <pappl/pappl.h>

extern const pappl_pr_driver_t kDrivers[2];

bool KalvoDriver(pappl_system_t* system, const char* name, const char* uri, const char* id,
                 pappl_pr_driver_data_t* data, ipp_t** attrs, void* context);
