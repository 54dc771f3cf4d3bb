#pragma once
// Byte-exact comparison that shows where two byte strings part and the bytes
// around that place.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

inline std::string HexWindow(const std::string& s, size_t at) {
  std::string out;
  const size_t from = at > 8 ? at - 8 : 0;
  for (size_t i = from; i < s.size() && i < at + 8; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", static_cast<unsigned char>(s[i]));
    out += (i == at ? "[" : "") + std::string(hex);
  }
  return out;
}

inline ::testing::AssertionResult SameBytes(const std::string& actual,
                                            const std::string& expected) {
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  if (at == actual.size() && at == expected.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "bytes differ at offset " << at << " (sizes " << actual.size() << " and "
         << expected.size() << ")\n  actual:   " << HexWindow(actual, at)
         << "\n  expected: " << HexWindow(expected, at);
}

#define EXPECT_BYTES(actual, expected) EXPECT_TRUE(SameBytes((actual), (expected)))
