#pragma once
// Delivers a finished job to a network printer over a raw TCP connection.
#include <cstdint>
#include <string>

constexpr int32_t kRawPrintPort = 9100;

// Checks "HOST" or "HOST:PORT" before any work: 0, or -1 with the reason.
int32_t CheckSendTarget(const std::string& target, std::string& error);

// Sends the file to "HOST" or "HOST:PORT". 0, or -1 with the reason in
// `error`. The connection must be made within the timeout, and each later
// write must make progress within it.
int32_t SendJobFile(const std::string& target, const std::string& path, int32_t timeoutSeconds,
                    std::string& error);
