// The options dialog, the about box and the script the stand-in plays.
#include <string>

#include "platform/dialog_script.h"
#include "tests/dialog_fixture.h"

namespace {

using Strings = std::vector<std::string>;
constexpr const char* kOptions = "OPTIONCFG2_POR";

Strings Disabled(const DialogSnapshot& d) {
  Strings off;
  for (const ControlSnapshot& c : d.controls)
    if (!c.enabled) off.push_back(std::to_string(c.id));
  return off;
}

TEST_F(DialogTest, HandFedProgramDisablesMarginsAndBinsAndKeepsTheirChoices) {
  configRecord.finishMargins = 1;
  configRecord.finishBin = 5;
  // The record's program is the hand-fed one: margins and bins open disabled.
  Main("dialog DRIVERCFG2_POR\nclick 1076\nclick IDOK\ndialog OPTIONCFG2_POR\nclick IDOK\n");
  EXPECT_EQ(Disabled(Closed(kOptions)), (Strings{"1008", "1094", "1090", "1095"}));
  EXPECT_EQ(Control(kOptions, 1096).items.size(), 21u);
  EXPECT_EQ(Control(kOptions, 1095).items.size(), 15u);
  EXPECT_EQ(Control(kOptions, 1095).selection, 5);

  Main(
      "dialog DRIVERCFG2_POR\nclick 1076\nclick IDOK\n"
      "dialog OPTIONCFG2_POR\nselect 1096 1\nselect 1094 0\nclick IDOK\n");
  EXPECT_TRUE(Disabled(Closed(kOptions)).empty());
  EXPECT_EQ(configRecord.finishProgram, 1);
  EXPECT_EQ(configRecord.finishMargins, 0);

  Main(
      "dialog DRIVERCFG2_POR\nclick 1076\nclick IDOK\n"
      "dialog OPTIONCFG2_POR\nselect 1096 0\nselect 1094 1\nclick 1114\nclick IDOK\n");
  EXPECT_EQ(Disabled(Closed(kOptions)).size(), 4u) << "at once, and after the radios too";
  EXPECT_EQ(configRecord.finishMargins, 0) << "a disabled list takes no choice";
  EXPECT_EQ(configRecord.finishBin, 5);
  EXPECT_EQ(configRecord.jobFlags & kJobManualOutput, kJobManualOutput);
}

TEST_F(DialogTest, OptionsReachTheRecordOnlyThroughBothOks) {
  const ConfigRecord before = configRecord;
  Main(
      "dialog DRIVERCFG2_POR\nclick 1076\nclick IDOK\n"
      "dialog OPTIONCFG2_POR\nselect 1096 3\nclick 1114\nesc\n");
  EXPECT_EQ(0, std::memcmp(&configRecord, &before, sizeof before)) << "options cancelled";

  Main(
      "dialog DRIVERCFG2_POR\nclick 1076\nclick IDCANCEL\n"
      "dialog OPTIONCFG2_POR\nselect 1096 3\nclick IDOK\n");
  EXPECT_EQ(0, std::memcmp(&configRecord, &before, sizeof before)) << "configuration cancelled";
  EXPECT_EQ(optionsRecord.finishProgram, 3);

  Main(
      "dialog DRIVERCFG2_POR\nclick 1076\nclick IDOK\n"
      "dialog OPTIONCFG2_POR\nselect 1096 20\nselect 1095 14\nclick 1116\nclick IDOK\n");
  EXPECT_EQ(configRecord.finishProgram, 20);
  EXPECT_EQ(configRecord.finishBin, 14);
  EXPECT_EQ(configRecord.jobFlags & kJobManualOutput, 0);
}

TEST_F(DialogTest, AboutBoxShowsTheDriverNameAndClosesOnlyWithOk) {
  Main("dialog DRIVERCFG2_POR\nclick 1038\nclick IDOK\ndialog DRV_VER_POR\nesc\nclick IDOK\n");
  const DialogSnapshot& about = Closed("DRV_VER_POR");
  EXPECT_EQ(about.actionsPlayed, 2) << "Esc left it open";
  EXPECT_EQ(about.result, 0);
  EXPECT_EQ(about.Control(501)->text, "Kalvo 7410/7420 Wide Format [Ver. 3.1.0] ADI 4.3 ");
}

TEST(DialogScript, ReadsEveryActionAndReportsBadLinesByNumber) {
  const DialogScript s = ParseDialogScript(
      "# a comment\n"
      "select 105 3\n"
      "dialog DRIVERCFG2_POR\n"
      "select 105 34\r\n"
      "type 1041  two  blanks \n"
      "type 1041 Ol\xC3\xA1 \xE2\x82\xAC \xE2\x9C\x93\n"
      "arrow 115 sideways\n"
      "drag 3009 1 2 3 -4\n"
      "answer IDNO\n"
      "dialog NOSUCH\n"
      "click 1\n"
      "dialog DRV_VER_POR\n"
      "esc\n"
      "click IDCANCEL extra\n"
      "wave 3\n");
  ASSERT_EQ(s.sections.size(), 2u);
  const auto& main = s.sections[0].actions;
  ASSERT_EQ(main.size(), 5u);
  EXPECT_EQ(main[0].verb, ScriptVerb::Select);
  EXPECT_EQ(main[0].values[0], 34);
  EXPECT_EQ(main[1].text, " two  blanks ") << "the rest of the line, behind one blank";
  EXPECT_EQ(main[2].text, "Ol\xE1 \x80 ?") << "Windows-1252, '?' where it has no letter";
  EXPECT_EQ(Utf8ToWindows1252("a\xC0\x8A\xE0\x80\x80\xED\xA0\x80\xF4\x90\x80\x80z"),
            "a????????????z")
      << "no overlong form (a hidden line break or NUL), surrogate or value past Unicode: one ? a "
         "byte";
  EXPECT_EQ(main[3].values[3], -4);
  EXPECT_EQ(main[4].id, IDNO);
  EXPECT_EQ(s.sections[1].actions.size(), 1u) << "the unknown dialog's actions are dropped";
  EXPECT_EQ(s.errors, (Strings{"line 2: action before any dialog line: select 105 3",
                               "line 7: malformed action: arrow 115 sideways",
                               "line 10: unknown dialog: dialog NOSUCH",
                               "line 14: malformed action: click IDCANCEL extra",
                               "line 15: unknown action: wave 3"}));
  EXPECT_EQ(Windows1252ToUtf8("Ol\xE1 \x80"), "Ol\xC3\xA1 \xE2\x82\xAC");
}

// Each opening takes the next section for its template, in file order,
// whatever other dialogs open in between; a spent section is not replayed.
TEST_F(DialogTest, EachOpeningTakesTheNextSectionForItsTemplate) {
  PlatformSetDialogScript(
      "dialog DRIVERCFG2_POR\ntype 114 2\nclick IDOK\n"
      "dialog DETAILCFG2_POR\ntype 114 3\nclick IDOK\n"
      "dialog DRIVERCFG2_POR\ntype 114 4\nclick IDCANCEL\nclick 1076\n");
  EXPECT_EQ(DetailConfigDialog(), kDialogOk);
  EXPECT_EQ(configRecord.copies, 3);
  EXPECT_EQ(MainConfigDialog(), kDialogOk);
  EXPECT_EQ(configRecord.copies, 2);
  EXPECT_EQ(MainConfigDialog(), kDialogCancelled);
  EXPECT_EQ(Closed("DRIVERCFG2_POR").actionsPlayed, 2) << "nothing runs once it has closed";
  EXPECT_EQ(PlatformClosedDialog("OPTIONCFG2_POR"), nullptr);
  EXPECT_EQ(MainConfigDialog(), kDialogOk) << "no section left: OK";
  EXPECT_EQ(configRecord.copies, 2);
}

// Actions that do not fit are reported and skipped; a section that leaves its
// dialog open ends it as Cancel.
TEST_F(DialogTest, ActionsThatCannotHappenAreSkipped) {
  EXPECT_EQ(Main("dialog DRIVERCFG2_POR\nclick 1075\nselect 105 99\ntype 105 x\nclick 4242\n"
                 "select 1007 2\n"),
            kDialogCancelled);
  EXPECT_EQ(Closed("DRIVERCFG2_POR").actionsPlayed, 5);
  EXPECT_EQ(configRecord.mediaType, 0);
}

}  // namespace
