// The settings record and the device tables it indexes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "driver_fixture.h"
#include "host/protocol.h"

namespace {

TEST(Record, DefaultsKeepTheModelAndTheLastByte) {
  ResetDriver();
  uint8_t b[40];
  std::memset(b, 0xAB, 40);
  WriteU16(b, kRecord.modelIndex, 0);
  ConfigRecord r;
  std::memcpy(&r, b, 40);
  SetConfigDefaults(r, 0);
  std::memcpy(b, &r, 40);
  const uint8_t expected[40] = {1, 0,    0, 0, 2, 0, 0, 0,   0x8C, 1,   0,   0,   0, 0,
                                0, 0,    0, 0, 0, 0, 1, 0,   0,    0,   2,   0,   0, 0,
                                0, 0x10, 0, 1, 0, 0, 0, 123, 187,  228, 255, 0xAB};
  EXPECT_EQ(0, std::memcmp(b, expected, 40));
}

TEST(Record, ValidRecordsAreKeptAndOthersRepaired) {
  ResetDriver();
  ConfigRecord valid{99,     43, 15000,           3, 20, 1, 14, 255, 0, 10, 0x3301,
                     0x08D0, 0,  {1, 2, 3, 4, 5}, 9};
  const ConfigRecord before = valid;
  RepairConfigRecord(valid);
  EXPECT_EQ(0, std::memcmp(&before, &valid, sizeof valid));

  ConfigRecord bad{0, 44, -5, 4, -1, 2, 15, 256, 0, 11, 0, 0, 1, {}, 0};
  RepairConfigRecord(bad);
  const ConfigRecord repaired{1, 2, 396, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, {}, 0};
  EXPECT_EQ(0, std::memcmp(&bad, &repaired, sizeof bad));

  ConfigRecord high{100, 2, 15001, 0, 0, 0, 0, 1, 0, -1, 0, 0, 0, {}, 0};
  RepairConfigRecord(high);
  EXPECT_EQ(high.copies, 1);
  EXPECT_EQ(high.customLength, 396);
  EXPECT_EQ(high.margin, 0);

  uint8_t stored[40] = {7};
  WriteU32(stored, kRecord.paperSize, 1000);
  WriteU16(stored, kRecord.mediaType, 0x7FFF);
  StoreRecord(stored);
  EXPECT_EQ(FetchConfigRecord(), 0);
  EXPECT_EQ(configRecord.copies, 7);
  EXPECT_EQ(configRecord.paperSize, 2) << "the host's record is checked where it enters";
  EXPECT_EQ(configRecord.mediaType, 0);
}

// A text that ends inside its field, and is not empty.
template <size_t N>
bool FitsItsField(const char (&field)[N]) {
  const size_t length = strnlen(field, N);
  return length > 0 && length < N;
}

// What the tables must hold for the dialogs, the header and the geometry to
// work, entry by entry: a wrong entry fails here, whatever its neighbours.
TEST(Tables, EveryListEntryIsWholeAndInOrder) {
  ResetDriver();
  const int32_t papers = PaperCount(0);
  ASSERT_TRUE(papers > 1 && papers < kPaperBlock) << "every list ends inside its block";
  ASSERT_TRUE(MediaCount(0) > 0 && MediaCount(0) < kMediaBlock);
  ASSERT_TRUE(FinishProgramCount(0) > 1 && FinishProgramCount(0) < kFinishProgramBlock);
  ASSERT_TRUE(FinishMarginsCount(0) > 0 && FinishMarginsCount(0) < kFinishMarginsBlock);
  ASSERT_TRUE(FinishBinCount(0) > 0 && FinishBinCount(0) < kFinishBinBlock);
  EXPECT_TRUE(FitsItsField(ModelAt(0).name));

  // Sheets: longer along the feed than across, no wider than the widest roll
  // (the E-size sheet's 36 inches); a custom length runs across a roll that a
  // sheet of its own has, up to its largest length.
  double widestRoll = 0;
  for (int32_t size = 1; size <= papers; ++size)
    widestRoll = std::max(widestRoll, PaperAt(0, size).sheetWidth);
  EXPECT_EQ(widestRoll, 36.0);
  for (int32_t size = 1; size <= papers; ++size) {
    SCOPED_TRACE(size);
    const PaperEntry& p = PaperAt(0, size);
    EXPECT_TRUE(FitsItsField(p.name)) << p.name;
    EXPECT_GT(p.sheetWidth, 8.0);
    EXPECT_GE(p.sheetLength, p.sheetWidth);
    if (!Has(p.allowsCustomLength)) {
      EXPECT_EQ(p.maxCustomLength, 0);
      continue;
    }
    EXPECT_LE(p.maxCustomLength, 15000);
    EXPECT_LE(DefaultCustomLength(0, size), p.maxCustomLength);
    bool rollHasASheet = false;
    for (int32_t other = 1; other <= papers; ++other)
      rollHasASheet |= !Has(PaperAt(0, other).allowsCustomLength) &&
                       PaperAt(0, other).sheetWidth == p.sheetWidth;
    EXPECT_TRUE(rollHasASheet);
  }

  // Media: a name and an HP-GL/2 media command each, the commands in order.
  int32_t lastMedium = -1;
  for (int32_t k = 0; k < MediaCount(0); ++k) {
    const MediaEntry& m = MediaAt(0, k);
    EXPECT_TRUE(FitsItsField(m.name) && FitsItsField(m.command)) << k;
    int32_t medium = -1;
    char end = 0;
    ASSERT_EQ(std::sscanf(m.command, "MT%d%c", &medium, &end), 2) << m.command;
    EXPECT_EQ(end, ';');
    EXPECT_GT(medium, lastMedium) << m.command;
    lastMedium = medium;
  }

  // Finisher choices: whole PJL lines; numbered programs and bins in order,
  // each selecting its own number.
  const auto pjlLine = [](const FinishEntry& e) {
    const std::string line(e.pjlLine, strnlen(e.pjlLine, sizeof e.pjlLine));
    return FitsItsField(e.name) && line.size() < sizeof e.pjlLine &&
           line.rfind("@PJL DEFAULT FINISH", 0) == 0 && line.ends_with("\r\n");
  };
  for (int32_t k = 0; k < FinishProgramCount(0); ++k) {
    EXPECT_TRUE(pjlLine(FinishProgramAt(0, k))) << k;
    const std::string line = FinishProgramAt(0, k).pjlLine;
    if (k > 0) {
      EXPECT_TRUE(line.ends_with("PROGRAM" + std::to_string(k) + "\r\n")) << k;
    }
  }
  for (int32_t k = 0; k < FinishMarginsCount(0); ++k)
    EXPECT_TRUE(pjlLine(FinishMarginsAt(0, k))) << k;
  for (int32_t k = 0; k < FinishBinCount(0); ++k) {
    EXPECT_TRUE(pjlLine(FinishBinAt(0, k))) << k;
    const std::string line = FinishBinAt(0, k).pjlLine;
    if (k > 1) {
      EXPECT_TRUE(line.ends_with("BIN_" + std::to_string(k - 1) + "\r\n")) << k;
    }
  }
}

TEST(Tables, LookupsNeverLeaveTheirTable) {
  ResetDriver();
  EXPECT_EQ(&PaperAt(0, 0), &PaperAt(0, 2));
  EXPECT_EQ(&PaperAt(0, 44), &PaperAt(0, 2));
  EXPECT_EQ(&PaperAt(5, 1), &PaperAt(0, 1)) << "an undefined model reads model 0";
  EXPECT_EQ(&MediaAt(0, -1), &MediaAt(0, 0));
  EXPECT_EQ(&MediaAt(0, 4), &MediaAt(0, 0));
  EXPECT_EQ(&FinishBinAt(-3, 40), &FinishBinAt(0, 0));
  EXPECT_EQ(&ModelAt(1), &ModelAt(0));
}

TEST(Record, DefaultCustomLengthFollowsTheBaseSize) {
  ResetDriver();
  const std::pair<int32_t, int32_t> cases[] = {
      {2, 396},  {24, 1066}, {25, 1219}, {29, 304}, {35, 1189}, {38, 420}, {39, 1230},
      {40, 880}, {41, 871},  {42, 625},  {43, 620}, {30, 1117}, {34, 279}};
  for (auto [size, mm] : cases) EXPECT_EQ(DefaultCustomLength(0, size), mm) << "size " << size;
}

}  // namespace
