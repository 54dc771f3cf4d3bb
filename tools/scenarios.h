#pragma once
// Plots that the command-line host can play through a loaded driver. Each runs
// the host's whole conversation, so the job it leaves in hostLog.output is what
// a printer would receive.
#include <string>

#include "tools/host_kernel.h"

struct ScenarioOptions {
  bool qdrs = false;  // store a record that asks for the binary language
};

// Stores the record a user of the defaults would have saved in the host.
void StoreDefaultRecord(bool qdrs);

// Returns false for an unknown name.
bool RunScenario(const std::string& name, const DriverLink& d, const ScenarioOptions& options);
const char* ScenarioNames();
