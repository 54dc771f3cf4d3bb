// The settings record and the device tables it indexes.
#include <gtest/gtest.h>

#include <cstring>

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

TEST(Tables, ListsAndEntriesAsShipped) {
  ResetDriver();
  EXPECT_EQ(PaperCount(0), 43);
  EXPECT_EQ(MediaCount(0), 4);
  EXPECT_EQ(FinishProgramCount(0), 21);
  EXPECT_EQ(FinishMarginsCount(0), 2);
  EXPECT_EQ(FinishBinCount(0), 15);
  EXPECT_STREQ(PaperAt(0, 34).name, "Tamanho personalizado de largura A-ANSI(8,5\")");
  EXPECT_EQ(PaperAt(0, 5).sheetLength, 17.973);
  EXPECT_STREQ(MediaAt(0, 3).command, "MT4;");
  EXPECT_STREQ(MediaAt(0, 2).name, "Usar configura\xe7\xe3o da plotadora ");
  EXPECT_STREQ(FinishProgramAt(0, 0).pjlLine, "@PJL DEFAULT FINISHPROGID=BYPASS\r\n");
  EXPECT_STREQ(FinishProgramAt(0, 20).pjlLine, "@PJL DEFAULT FINISHPROGID=PROGRAM20\r\n");
  EXPECT_STREQ(FinishProgramAt(0, 20).name, "Programa 20                 ");
  EXPECT_STREQ(FinishBinAt(0, 14).pjlLine, "@PJL DEFAULT FINISHBIN=BIN_13\r\n");
  EXPECT_STREQ(FinishBinAt(0, 14).name, "Escaninho 13                 ");
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
