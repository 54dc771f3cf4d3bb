// The settings record and the device tables it indexes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/record.h"
#include "config/tables.h"
#include "driver_fixture.h"
#include "host/packet.h"

namespace {

TEST(Record, DefaultsFieldByField) {
  ResetDriver();
  ConfigRecord r;
  std::memset(&r, 0xAB, sizeof r);
  r.modelIndex = 0;
  SetConfigDefaults(r, 0);
  uint8_t bytes[40];
  std::memcpy(bytes, &r, 40);
  EXPECT_EQ(ReadI32(bytes, 0), 1);
  EXPECT_EQ(ReadI32(bytes, 4), 2);
  EXPECT_EQ(ReadI32(bytes, 8), 396);
  EXPECT_EQ(ReadI16(bytes, 12), 0);
  EXPECT_EQ(ReadI16(bytes, 14), 0);
  EXPECT_EQ(ReadI16(bytes, 16), 0);
  EXPECT_EQ(ReadI16(bytes, 18), 0);
  EXPECT_EQ(ReadI32(bytes, 20), 1);
  EXPECT_EQ(ReadI16(bytes, 24), 2);
  EXPECT_EQ(ReadI16(bytes, 26), 0);
  EXPECT_EQ(ReadU16(bytes, 28), 0x1000);
  EXPECT_EQ(ReadU16(bytes, 30), 0x0100);
  EXPECT_EQ(ReadI16(bytes, 32), 0) << "the model index is kept";
  const uint8_t tone[5] = {0, 123, 187, 228, 255};
  EXPECT_EQ(0, std::memcmp(bytes + 34, tone, 5));
  EXPECT_EQ(bytes[39], 0xAB) << "the last byte is never touched";
}

TEST(Record, ValidRecordIsKeptExactly) {
  ResetDriver();
  ConfigRecord r{};
  r.copies = 99;
  r.paperSize = 43;
  r.customLength = 15000;
  r.mediaType = 3;
  r.finishProgram = 20;
  r.finishMargins = 1;
  r.finishBin = 14;
  r.redPen = 255;
  r.margin = 10;
  r.plotFlags = 0x3301;
  r.jobFlags = 0x08D0;
  const ConfigRecord before = r;
  RepairConfigRecord(r);
  EXPECT_EQ(0, std::memcmp(&before, &r, sizeof r));
}

TEST(Record, FieldsOutsideTheDialogRangesTakeTheirDefaults) {
  ResetDriver();
  ConfigRecord r{};
  r.copies = 0;
  r.paperSize = 44;
  r.customLength = -5;
  r.mediaType = 4;
  r.finishProgram = -1;
  r.finishMargins = 2;
  r.finishBin = 15;
  r.redPen = 256;
  r.margin = 11;
  r.modelIndex = 1;
  RepairConfigRecord(r);
  EXPECT_EQ(r.copies, 1);
  EXPECT_EQ(r.paperSize, 2);
  EXPECT_EQ(r.customLength, 396);
  EXPECT_EQ(r.mediaType, 0);
  EXPECT_EQ(r.finishProgram, 0);
  EXPECT_EQ(r.finishMargins, 0);
  EXPECT_EQ(r.finishBin, 0);
  EXPECT_EQ(r.redPen, 1);
  EXPECT_EQ(r.margin, 0);
  EXPECT_EQ(r.modelIndex, 0) << "only model 0 is defined";

  r.copies = 100;
  r.margin = -1;
  r.customLength = 15001;
  RepairConfigRecord(r);
  EXPECT_EQ(r.copies, 1);
  EXPECT_EQ(r.margin, 0);
  EXPECT_EQ(r.customLength, 396);
}

TEST(Record, FetchRepairsWhatTheHostHandsOver) {
  ResetDriver();
  uint8_t stored[40] = {};
  WriteU32(stored, 0, 7);
  WriteU32(stored, 4, 1000);  // far past the paper table
  WriteU16(stored, 12, 0x7FFF);
  StoreRecord(stored);
  EXPECT_EQ(FetchConfigRecord(), 0);
  EXPECT_EQ(configRecord.copies, 7);
  EXPECT_EQ(configRecord.paperSize, 2);
  EXPECT_EQ(configRecord.mediaType, 0);
}

TEST(Tables, ListsEndAtTheFirstEmptyName) {
  ResetDriver();
  EXPECT_EQ(PaperCount(0), 43);
  EXPECT_EQ(MediaCount(0), 4);
  EXPECT_EQ(FinishProgramCount(0), 21);
  EXPECT_EQ(FinishMarginsCount(0), 2);
  EXPECT_EQ(FinishBinCount(0), 15);
}

TEST(Tables, EntriesAsShipped) {
  ResetDriver();
  EXPECT_STREQ(PaperAt(0, 2).name, "E-arch(36\")     ");
  EXPECT_STREQ(PaperAt(0, 34).name, "Tamanho personalizado de largura A-ANSI(8,5\")");
  EXPECT_EQ(PaperAt(0, 5).sheetLength, 17.973);
  EXPECT_EQ(PaperAt(0, 24).sheetLength, 118.11);
  EXPECT_STREQ(MediaAt(0, 3).command, "MT4;");
  EXPECT_STREQ(MediaAt(0, 2).name, "Usar configura\xe7\xe3o da plotadora ");
  EXPECT_STREQ(FinishProgramAt(0, 0).pjlLine, "@PJL DEFAULT FINISHPROGID=BYPASS\r\n");
  EXPECT_STREQ(FinishProgramAt(0, 20).pjlLine, "@PJL DEFAULT FINISHPROGID=PROGRAM20\r\n");
  EXPECT_STREQ(FinishProgramAt(0, 20).name, "Programa 20                 ");
  EXPECT_EQ(std::strlen(FinishProgramAt(0, 1).name), 28u);
  EXPECT_STREQ(FinishMarginsAt(0, 1).pjlLine, "@PJL DEFAULT FINISHMARGINS=MARGINSOFF\r\n");
  EXPECT_STREQ(FinishBinAt(0, 14).pjlLine, "@PJL DEFAULT FINISHBIN=BIN_13\r\n");
  EXPECT_STREQ(FinishBinAt(0, 14).name, "Escaninho 13                 ");
  EXPECT_STREQ(FinishBinAt(0, 0).name, "N\xe3o importa                  ");
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
  EXPECT_EQ(DefaultCustomLength(0, 2), 396) << "not a custom size";
  EXPECT_EQ(DefaultCustomLength(0, 24), 1066);
  EXPECT_EQ(DefaultCustomLength(0, 25), 1219);
  EXPECT_EQ(DefaultCustomLength(0, 29), 304);
  EXPECT_EQ(DefaultCustomLength(0, 35), 1189);
  EXPECT_EQ(DefaultCustomLength(0, 38), 420);
  EXPECT_EQ(DefaultCustomLength(0, 39), 1230);
  EXPECT_EQ(DefaultCustomLength(0, 40), 880);
  EXPECT_EQ(DefaultCustomLength(0, 41), 871) << "620 mm is not 625 mm";
  EXPECT_EQ(DefaultCustomLength(0, 42), 625);
  EXPECT_EQ(DefaultCustomLength(0, 43), 620);
  EXPECT_EQ(DefaultCustomLength(0, 30), 396) << "ANSI bases have no length of their own";
}

}  // namespace
