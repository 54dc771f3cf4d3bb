// The main and detail configuration dialogs, through the Linux stand-in.
#include <string>

#include "tests/dialog_fixture.h"

namespace {

using Strings = std::vector<std::string>;

constexpr const char* kMain = "DRIVERCFG2_POR";
const std::string kCopiesBox =
    "N\xFAmero de c\xF3pias: O n\xFAmero de c\xF3pias deve ser definido no intervalo de 1 a 99.";

TEST_F(DialogTest, NumberFieldsTakeValuesInRangeAndResetOthersWithTheirMessage) {
  const ConfigRecord before = configRecord;
  EXPECT_EQ(Main("dialog DRIVERCFG2_POR\ntype 114 0\ntype 1009 11\nclick IDOK\n"), kDialogOk);
  EXPECT_EQ(Boxes(), (Strings{kCopiesBox,
                              "Defini\xE7\xE3o da margem: A margem deve ser definida no "
                              "intervalo de 0 a 10."}));
  EXPECT_EQ(PlatformMessageBoxes()[0].style, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(Control(kMain, 114).text, "1") << "the record's value is written back";
  EXPECT_EQ(Control(kMain, 1009).text, "0");
  EXPECT_EQ(0, std::memcmp(&configRecord, &before, sizeof before));

  // 100 cannot be typed into two characters, but pasted text is checked all the same;
  // a field cleared or holding no number changes nothing and says nothing.
  Main("dialog DRIVERCFG2_POR\ntype 114 100\ntype 114\ntype 1009 x\nclick IDOK\n");
  EXPECT_EQ(Boxes(), Strings{kCopiesBox});
  EXPECT_EQ(Control(kMain, 114).text, "");
  EXPECT_EQ(configRecord.copies, 1);

  Main("dialog DRIVERCFG2_POR\ntype 114 99\ntype 1009 10\nclick IDOK\n");
  EXPECT_EQ(configRecord.copies, 99);
  EXPECT_EQ(copyCount, 99);
  EXPECT_EQ(configRecord.margin, 10);
  EXPECT_EQ(Control(kMain, 115).position, 99) << "the arrows follow the field";
  EXPECT_EQ(Control(kMain, 114).limit, 2);
  EXPECT_EQ(Control(kMain, 1009).limit, 2);
}

TEST_F(DialogTest, CustomLengthAndRedPenReadJunkAsZeroWhichIsIgnored) {
  configRecord.paperSize = 35;
  configRecord.customLength = 1000;
  Main("dialog DRIVERCFG2_POR\ntype 1012 15001\ntype 1012 0\ntype 1012 abc\nclick IDOK\n");
  EXPECT_EQ(Boxes(), Strings{"Comprimento do tamanho personalizado: O comprimento deve ser "
                             "definido para 15000 ou menor."});
  EXPECT_EQ(configRecord.customLength, 1000);
  EXPECT_EQ(Control(kMain, 1012).limit, 5);
  EXPECT_EQ(Control(kMain, 1071).enabled, false) << "the model prints no red";

  driverDescriptor.models[0].hasRedPrinting = 1;
  configRecord.jobFlags |= kJobRedPrinting;
  configRecord.redPen = 7;
  Main("dialog DRIVERCFG2_POR\ntype 1072 256\ntype 1072 0\nclick IDOK\n");
  EXPECT_EQ(Boxes(), Strings{"N\xFAmero de caneta especificado para vermelho: O n\xFAmero da "
                             "caneta deve ser definido para 255 ou menor."});
  EXPECT_EQ(configRecord.redPen, 7);
  Main("dialog DRIVERCFG2_POR\ntype 1072 255\nclick 1070\nclick IDOK\n");
  EXPECT_EQ(configRecord.redPen, 255);
  EXPECT_EQ(configRecord.jobFlags & kJobRedPrinting, 0);
  EXPECT_FALSE(Control(kMain, 1072).enabled);
}

TEST_F(DialogTest, ArrowsStepWithinTheirRangeAndSelectTheField) {
  configRecord.copies = 98;
  configRecord.margin = 1;
  Main(
      "dialog DRIVERCFG2_POR\narrow 115 up\narrow 115 up\narrow 1010 down\narrow 1010 down\n"
      "click IDOK\n");
  EXPECT_EQ(configRecord.copies, 99);
  EXPECT_EQ(configRecord.margin, 0);
  EXPECT_EQ(Control(kMain, 114).text, "99");
  EXPECT_EQ(Control(kMain, 1009).text, "0");
  EXPECT_EQ(Control(kMain, 114).selection, -1);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(DialogTest, CustomSizesStartFromTheirNamedLengthOnEveryListNotification) {
  Main("dialog DRIVERCFG2_POR\nselect 105 34\ntype 1012 2000\nleave 1012\nclick IDOK\n");
  EXPECT_EQ(configRecord.paperSize, 35);
  EXPECT_EQ(configRecord.customLength, 2000);

  // Back in the list, even without choosing anything, the length starts over.
  Main("dialog DRIVERCFG2_POR\ntype 1012 2000\nleave 105\nclick IDOK\n");
  EXPECT_EQ(configRecord.customLength, 1189);
  EXPECT_EQ(Control(kMain, 1012).text, "1189");

  Main("dialog DRIVERCFG2_POR\nselect 105 0\nclick IDOK\n");
  EXPECT_EQ(configRecord.paperSize, 1);
  EXPECT_EQ(configRecord.customLength, 1189) << "a size without custom length keeps it";
  EXPECT_FALSE(Control(kMain, 1012).enabled);
  EXPECT_FALSE(Control(kMain, 1011).enabled);
  EXPECT_EQ(Control(kMain, 105).items.size(), 43u);
}

TEST_F(DialogTest, BinaryLanguageOffersOnly400And200Dpi) {
  configRecord.jobFlags = kJobQdrsOutput | kJob600Dpi;
  Main("dialog DRIVERCFG2_POR\nclick IDOK\n");
  EXPECT_EQ(configRecord.jobFlags & kJobQdrsOutput, 0) << "the model has no binary language";
  EXPECT_EQ(configRecord.jobFlags & kJobResolutionMask, kJob400Dpi)
      << "the resolution is settled for the stored language first";
  EXPECT_FALSE(Control(kMain, 1075).enabled);

  driverDescriptor.models[0].hasBinaryLanguage = 1;
  configRecord.jobFlags = kJobQdrsOutput | kJob300Dpi;
  Main("dialog DRIVERCFG2_POR\nclick 1030\nclick IDOK\n");
  EXPECT_EQ(configRecord.jobFlags, kJobQdrsOutput | kJob400Dpi) << "300 opens as 400";
  EXPECT_FALSE(Control(kMain, 1030).enabled);
  EXPECT_FALSE(Control(kMain, 1032).enabled);
  EXPECT_TRUE(Control(kMain, 1031).checked);
  EXPECT_TRUE(Control(kMain, 1007).items.empty()) << "no media names for this language";

  configRecord.jobFlags = kJob600Dpi;
  Main("dialog DRIVERCFG2_POR\nselect 1007 3\nclick 1075\nclick IDOK\n");
  EXPECT_EQ(configRecord.jobFlags, kJobQdrsOutput | kJob400Dpi);
  EXPECT_EQ(configRecord.mediaType, 3) << "the list emptied, the choice stays";

  Main(
      "dialog DRIVERCFG2_POR\nclick 1074\nselect 1007 1\nclick 1075\nclick 1074\nclick 1030\n"
      "click 1018\nclick IDOK\n");
  EXPECT_EQ(configRecord.jobFlags, kJob600Dpi);
  EXPECT_EQ(configRecord.plotFlags & kPlotHalftoneFill, 0);
  EXPECT_EQ(configRecord.mediaType, 1);
  EXPECT_EQ(Control(kMain, 1007).items.size(), 4u);
  EXPECT_EQ(Control(kMain, 1007).selection, 3) << "the opening's media type is shown again";
}

TEST_F(DialogTest, CancelKeepsTheRecordButNotTheLabelAlreadyTaken) {
  const ConfigRecord before = configRecord;
  EXPECT_EQ(Main("dialog DRIVERCFG2_POR\ntype 1041 PLANTA 2\nleave 1041\ntype 114 9\nselect 105 4\n"
                 "click 1019\nesc\n"),
            kDialogCancelled);
  EXPECT_EQ(0, std::memcmp(&configRecord, &before, sizeof before));
  EXPECT_STREQ(labelText, "PLANTA 2");
  EXPECT_EQ(copyCount, 1);
}

TEST_F(DialogTest, LabelTakesPrintableAsciiWithoutQuotesWhenLeft) {
  std::strcpy(labelText, "OLD");
  const std::string refused =
      "Etiqueta: Digite uma mensagem somente com caracteres ASCII alfanum\xE9ricos.";
  // Enter closes the dialog without taking the focus from the emptied field.
  Main("dialog DRIVERCFG2_POR\ntype 1041 Caf\xC3\xA9\nleave 1041\nenter\n");
  EXPECT_EQ(Boxes(), Strings{refused});
  EXPECT_EQ(Control(kMain, 1041).text, "");
  EXPECT_STREQ(labelText, "OLD");

  // A double quote would end the label early inside the job header.
  Main("dialog DRIVERCFG2_POR\ntype 1041 A\"B\nclick IDOK\n");
  EXPECT_EQ(Boxes(), Strings{refused}) << "leaving for OK checks it too";
  EXPECT_STREQ(labelText, "OLD");

  Main("dialog DRIVERCFG2_POR\ntype 1041 ok-1 (A0)\nleave 1041\nclick IDOK\n");
  EXPECT_STREQ(labelText, "ok-1 (A0)");
  EXPECT_EQ(Control(kMain, 1041).limit, 64);
  Main("dialog DRIVERCFG2_POR\ntype 1041\nleave 1041\nclick IDOK\n");
  EXPECT_STREQ(labelText, "");

  // The detail dialog has no label field and leaves the label alone.
  std::strcpy(labelText, "KEPT");
  Detail("dialog DETAILCFG2_POR\ntype 1041 NEW\nclick IDOK\n");
  EXPECT_EQ(Closed("DETAILCFG2_POR").Control(1041), nullptr);
  EXPECT_STREQ(labelText, "KEPT");
}

TEST_F(DialogTest, DetailDialogEditsTheRecordLikeTheMainOne) {
  EXPECT_EQ(Detail("dialog DETAILCFG2_POR\ntype 114 4\nselect 1007 1\nclick 1076\nclick IDOK\n"
                   "dialog OPTIONCFG1_POR\nselect 1096 1\nselect 1095 2\nclick IDOK\n"),
            kDialogOk);
  EXPECT_EQ(configRecord.copies, 4);
  EXPECT_EQ(configRecord.mediaType, 1);
  EXPECT_EQ(configRecord.finishBin, 2) << "options opened from their own template";
  EXPECT_EQ(Closed("DETAILCFG2_POR").actionsPlayed, 4);
}

TEST_F(DialogTest, WithoutAScriptEveryDialogClosesWithOk) {
  configRecord.jobFlags = kJobQdrsOutput | kJob200Dpi;
  ConfigRecord expected = configRecord;
  expected.jobFlags = kJob200Dpi;  // the model's dialogs always confirm HP-GL/2
  EXPECT_EQ(Main(""), kDialogOk);
  EXPECT_EQ(0, std::memcmp(&configRecord, &expected, sizeof expected));
  EXPECT_EQ(Detail("dialog DRIVERCFG2_POR\ntype 114 3\n"), kDialogOk) << "a section for another";
  EXPECT_EQ(configRecord.copies, 1);
}

}  // namespace
