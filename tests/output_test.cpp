// The output stream: buffering, the 128-byte blocks towards the host, failure,
// the polyline number encoding and the QDRS number packing.
#include <gtest/gtest.h>

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
  OutClose();
  return hostLog.output;
}

TEST(Output, WritesWithNoPlotOpenAreSilentNoOps) {
  ResetDriver();
  EXPECT_EQ(OutWriteString("PA0,0"), 0);
  EXPECT_EQ(OutWriteBytes(3, "abc"), 0);
  EXPECT_EQ(OutFlush(), 0);
  driverErrorState = kErrorOutput;
  EXPECT_EQ(OutWriteString("x"), 0) << "no buffer: dropped even after a failure";
  EXPECT_EQ(hostLog.writeCalls, 0);
}

TEST(Output, EmptyWritesChangeNothing) {
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
  EXPECT_EQ(hostLog.writeCalls, 0) << "nothing goes out before the flush";
  EXPECT_EQ(OutFlush(), 0);
  EXPECT_EQ(hostLog.writeSizes, (std::vector<int32_t>{128, 128, 44}));
  EXPECT_BYTES(hostLog.output, data);
  EXPECT_EQ(outputFill, 0);

  ResetHostLog();
  OutWriteBytes(256, data.data());
  OutFlush();
  EXPECT_EQ(hostLog.writeSizes, (std::vector<int32_t>{128, 128}));
}

TEST(Output, BufferFlushesBeforeItWouldBecomeFull) {
  ResetDriver();
  OutOpen();
  std::vector<uint8_t> big(2097000, 'a');
  std::vector<uint8_t> tail(152, 'b');
  OutWriteBytes(2097000, big.data());
  OutWriteBytes(152, tail.data());
  EXPECT_EQ(hostLog.output.size(), 2097000u) << "the held bytes go first, whole";
  EXPECT_EQ(outputFill, 152);
  EXPECT_EQ(OutputBuffer[0], 'b');

  ResetDriver();
  OutOpen();
  OutWriteBytes(2097000, big.data());
  OutWriteBytes(151, tail.data());
  EXPECT_EQ(hostLog.writeCalls, 0);
  EXPECT_EQ(outputFill, 2097151);
}

TEST(Output, RunsOfAWholeBufferOrMoreGoOutInPieces) {
  ResetDriver();
  OutOpen();
  std::vector<uint8_t> data(5000000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 251);
  EXPECT_EQ(OutWriteBytes(5000000, data.data()), 0);
  EXPECT_EQ(hostLog.writeCalls, 2 * 16384);
  EXPECT_EQ(outputFill, 805696);
  OutFlush();
  EXPECT_TRUE(hostLog.output == std::string(data.begin(), data.end()));
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
  EXPECT_EQ(hostLog.writeCalls, 2) << "nothing after the failed block";
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_EQ(hostLog.lines[0], "\nUm erro ocoreu durante a sa\xed" "da da plotadora. \n");
  EXPECT_EQ(driverErrorState, kErrorOutput);
  EXPECT_EQ(copyCount, 1);
  EXPECT_EQ(plotOpen, 0);
  EXPECT_EQ(outputFill, 0);

  EXPECT_EQ(OutWriteString("more"), -1);
  EXPECT_EQ(OutWriteBytes(1, "x"), -1);
  EXPECT_EQ(OutFlush(), -1);
  EXPECT_EQ(OutWriteEncodedNumber(5), -1);
  EXPECT_EQ(hostLog.lines.size(), 1u) << "reported once";
  EXPECT_EQ(hostLog.writeCalls, 2);
}

TEST(Output, AnyNonzeroHostResultIsSuccess) {
  ResetDriver();
  OutOpen();
  hostLog.swapAnswer = 0;
  OutWriteString("abc");
  EXPECT_EQ(OutFlush(), 0);
  EXPECT_EQ(hostLog.output, "abc");
}

TEST(Output, PolylineEncodedNumbers) {
  EXPECT_EQ(Encoded(0, false), std::string(1, char(95)));
  EXPECT_EQ(Encoded(0, true), std::string(1, char(191)));
  EXPECT_EQ(Encoded(-1, false), std::string(1, char(98)));
  EXPECT_EQ(Encoded(-1, true), std::string(1, char(194)));
  EXPECT_EQ(Encoded(100, false), std::string({char(71), char(101)}));
  // 100 in base 64: u = 200 = 3 * 64 + 8.
  EXPECT_EQ(Encoded(100, true), std::string({char(8 + 63), char(3 + 191)}));
  // The largest values keep every digit: u = 2^32 - 2 in 7 base-32 digits.
  const std::string big = Encoded(2147483647, false);
  ASSERT_EQ(big.size(), 7u);
  uint64_t u = 0;
  for (int i = 6; i >= 0; --i)
    u = u * 32 + static_cast<uint8_t>(big[i]) - (i == 6 ? 95 : 63);
  EXPECT_EQ(u, 4294967294u);
  const std::string most_negative = Encoded(-2147483647 - 1, true);
  ASSERT_EQ(most_negative.size(), 6u);
  u = 0;
  for (int i = 5; i >= 0; --i)
    u = u * 64 + static_cast<uint8_t>(most_negative[i]) - (i == 5 ? 191 : 63);
  EXPECT_EQ(u, 4294967297u);
}

TEST(Qdrs, NumberPacking) {
  uint8_t b[4];
  ASSERT_EQ(PackShort(-1, b), 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 2), "\xFF\xFF");
  PackShort(300, b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 2), "\x01\x2C");
  PackShort(65535, b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 2), "\xFF\xFF");
  PackShort(7, b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 2), std::string("\x00\x07", 2));
  ASSERT_EQ(PackLong(-2, b), 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 4), "\xFF\xFF\xFF\xFE");
  PackLong(70000, b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 4), std::string("\x00\x01\x11\x70", 4));
  ASSERT_EQ(PackByte(3, b), 1);
  EXPECT_EQ(b[0], 3);
}

TEST(Qdrs, RecordsCountTheirWords) {
  ResetDriver();
  OutOpen();
  QdrsWriteRecord(0x41, {7});
  QdrsWriteRecord(0x30, {0, 0, -1, -1, -1});
  QdrsWriteFixed({0x20, 0x00});
  OutFlush();
  EXPECT_BYTES(hostLog.output, std::string("\x41\x01\x00\x07"
                                           "\x30\x05\x00\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF"
                                           "\x20\x00",
                                           18));
}

}  // namespace
