// The output stream: buffering, the 128-byte blocks towards the host, failure,
// the polyline number encoding and the QDRS number packing.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "driver_fixture.h"
#include "golden.h"
#include "output/qdrs.h"

namespace {

std::string Encoded(int32_t value, bool eightBit) {
  ResetDriver();
  if (eightBit) configRecord.plotFlags |= kPlotEightBitEncoding;
  OutOpen();
  OutWriteEncodedNumber(value);
  OutFlush();
  return hostLog.output;
}

TEST(Output, NothingGoesOutWithoutAnOpenPlotOrForEmptyWrites) {
  ResetDriver();
  EXPECT_EQ(OutWriteString("PA0,0"), 0);
  EXPECT_EQ(OutFlush(), 0);
  driverErrorState = kErrorOutput;
  EXPECT_EQ(OutWriteBytes(1, "x"), 0) << "no buffer: dropped even after a failure";
  ResetDriver();
  OutOpen();
  EXPECT_EQ(OutWriteString(""), 0);
  EXPECT_EQ(OutWriteBytes(0, "x"), 0);
  EXPECT_EQ(outputFill, 0);
  EXPECT_EQ(hostLog.writeCalls, 0);
}

TEST(Output, FlushHandsOverBlocksOf128) {
  ResetDriver();
  OutOpen();
  std::string data(300, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  OutWriteBytes(300, data.data());
  EXPECT_EQ(hostLog.writeCalls, 0);
  EXPECT_EQ(OutFlush(), 0);
  EXPECT_EQ(hostLog.writeSizes, (std::vector<int32_t>{128, 128, 44}));
  EXPECT_BYTES(hostLog.output, data);
  ResetHostLog();
  OutWriteBytes(256, data.data());
  OutFlush();
  EXPECT_EQ(hostLog.writeSizes, (std::vector<int32_t>{128, 128}));
}

TEST(Output, BufferFlushesBeforeItWouldBecomeFull) {
  const std::vector<uint8_t> big(2097000, 'a'), tail(152, 'b');
  ResetDriver();
  OutOpen();
  OutWriteBytes(2097000, big.data());
  OutWriteBytes(152, tail.data());
  EXPECT_EQ(hostLog.output.size(), 2097000u) << "the held bytes go first, whole";
  EXPECT_EQ(outputFill, 152);
  ResetDriver();
  OutOpen();
  OutWriteBytes(2097000, big.data());
  OutWriteBytes(151, tail.data());
  EXPECT_EQ(hostLog.writeCalls, 0);
  EXPECT_EQ(outputFill, 2097151);

  ResetDriver();
  OutOpen();
  std::vector<uint8_t> huge(5000000);
  for (size_t i = 0; i < huge.size(); ++i) huge[i] = static_cast<uint8_t>(i % 251);
  EXPECT_EQ(OutWriteBytes(5000000, huge.data()), 0);
  EXPECT_EQ(hostLog.writeCalls, 2 * 16384);
  EXPECT_EQ(outputFill, 805696);
  OutFlush();
  EXPECT_TRUE(hostLog.output == std::string(huge.begin(), huge.end()));
}

TEST(Output, FailedHostWriteBlocksTheStream) {
  ResetDriver();
  OutOpen();
  copyCount = 12;
  plotOpen = 1;
  hostLog.failWriteAt = 2;
  OutWriteBytes(300, std::string(300, 'x').data());
  EXPECT_EQ(OutFlush(), -1);
  EXPECT_EQ(hostLog.output.size(), 128u) << "the first block stays with the host";
  EXPECT_EQ(hostLog.writeCalls, 2);
  EXPECT_EQ(hostLog.lines, std::vector<std::string>{"\nUm erro ocoreu durante a sa\xed"
                                                    "da da plotadora. \n"});
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(copyCount, 1);
  EXPECT_EQ(plotOpen, 0);
  EXPECT_EQ(OutWriteString("more"), -1);
  EXPECT_EQ(OutFlush(), -1);
  EXPECT_EQ(OutWriteEncodedNumber(5), -1);
  EXPECT_EQ(hostLog.lines.size(), 1u) << "reported once";
  EXPECT_EQ(hostLog.writeCalls, 2);
}

TEST(Output, PolylineEncodedNumbers) {
  EXPECT_EQ(Encoded(0, false), "\x5F");
  EXPECT_EQ(Encoded(0, true), "\xBF");
  EXPECT_EQ(Encoded(-1, false), "\x62");
  EXPECT_EQ(Encoded(-1, true), "\xC2");
  EXPECT_EQ(Encoded(100, false), "\x47\x65");
  EXPECT_EQ(Encoded(100, true), "\x47\xC2") << "u = 200 = 3 * 64 + 8";
  // A value whose doubled magnitude is the base takes a second digit.
  EXPECT_EQ(Encoded(16, false), "?`") << "u = 32 = 1 * 32 + 0";
  EXPECT_EQ(Encoded(-16, false), "@`") << "u = 33";
  EXPECT_EQ(Encoded(32, true), "?\xC0") << "u = 64 = 1 * 64 + 0";
  // The extremes keep every digit: u = 2^32 - 2 and 2^32 + 1.
  EXPECT_EQ(Encoded(2147483647, false), "\x5D\x5E\x5E\x5E\x5E\x5E\x62");
  EXPECT_EQ(Encoded(-2147483647 - 1, true), "\x40\x3F\x3F\x3F\x3F\xC3");
}

// The fast number writers against plain references: every digit of the
// polyline encoding counted in 64 bits, decimals as snprintf writes them, and
// pairs written straight into the buffer up to the byte where it flushes.
TEST(Output, NumberWritersAgreeWithPlainReferences) {
  auto polyline = [](int32_t value, bool eightBit) {
    const int shift = eightBit ? 6 : 5;
    const uint64_t base = uint64_t{1} << shift;
    const int64_t v = value;
    uint64_t u = v >= 0 ? static_cast<uint64_t>(2 * v) : static_cast<uint64_t>(1 - 2 * v);
    std::string s;
    for (; u >= base; u >>= shift) s += static_cast<char>(u % base + 63);
    return s + static_cast<char>(u + (eightBit ? 191 : 95));
  };
  std::vector<int32_t> values = {0,
                                 1,
                                 -1,
                                 15,
                                 16,
                                 -16,
                                 31,
                                 32,
                                 1023,
                                 1024,
                                 -(1 << 30),
                                 1 << 30,
                                 (1 << 30) - 1,
                                 -(1 << 30) + 1,
                                 2147483647,
                                 -2147483647 - 1};
  std::mt19937 random(17);
  for (int32_t i = 0; i < 2000; ++i)
    values.push_back(static_cast<int32_t>(random()) >> (random() % 32));
  for (bool eightBit : {false, true}) {
    ResetDriver();
    if (eightBit) configRecord.plotFlags |= kPlotEightBitEncoding;
    OutOpen();
    std::string expected;
    for (size_t i = 0; i + 1 < values.size(); i += 2) {
      OutWriteEncodedPair(values[i], values[i + 1]);
      OutWriteDecimal(values[i]);
      expected += polyline(values[i], eightBit) + polyline(values[i + 1], eightBit) +
                  std::to_string(values[i]);
    }
    OutFlush();
    EXPECT_TRUE(hostLog.output == expected) << "eight-bit " << eightBit;
  }
  // Near the end of the buffer a pair goes through the flush rule like any
  // write: held bytes go out first when the pair would fill the buffer.
  for (int32_t gap = 1; gap <= 16; ++gap) {
    ResetDriver();
    OutOpen();
    const std::vector<uint8_t> big(kOutputCapacity - gap, 'a');
    OutWriteBytes(static_cast<int32_t>(big.size()), big.data());
    OutWriteEncodedPair(100000, -100000);  // four and four digits
    const int32_t held = kOutputCapacity - gap;
    EXPECT_EQ(outputFill, 8 < gap ? held + 8 : 8) << gap;
    OutFlush();
    EXPECT_TRUE(hostLog.output == std::string(big.begin(), big.end()) + polyline(100000, false) +
                                      polyline(-100000, false))
        << gap;
  }
}

TEST(Qdrs, NumbersAndRecords) {
  uint8_t b[4];
  auto bytes = [&b](int32_t n) { return std::string(reinterpret_cast<char*>(b), n); };
  EXPECT_EQ(bytes(PackShort(-1, b)), "\xFF\xFF");
  EXPECT_EQ(bytes(PackShort(300, b)), "\x01\x2C");
  EXPECT_EQ(bytes(PackShort(65535, b)), "\xFF\xFF");
  EXPECT_EQ(bytes(PackLong(-2, b)), "\xFF\xFF\xFF\xFE");
  EXPECT_EQ(bytes(PackLong(70000, b)), std::string("\x00\x01\x11\x70", 4));
  EXPECT_EQ(bytes(PackByte(3, b)), "\x03");

  ResetDriver();
  OutOpen();
  QdrsWriteRecord(0x41, {7});
  QdrsWriteRecord(0x30, {0, 0, -1, -1, -1});
  OutFlush();
  EXPECT_BYTES(hostLog.output,
               std::string("\x41\x01\x00\x07\x30\x05\x00\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF", 16));
}

}  // namespace
