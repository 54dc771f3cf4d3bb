// Drives the real dialogs of the Win32 library, loaded under its own name as
// the CAD host loads it: each case hands the robot a script, sends the request
// that opens the dialog and checks what the host was asked to save and which
// message boxes appeared. Exit status 0 when every case holds.
//
//   dialog_check LIBRARY
//   dialog_check LIBRARY --script FILE   only plays FILE through request 46,
//                                        then the plot set-up (request 21)
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/protocol.h"
#include "tools/dialogbot/dialogbot.h"
#include "tools/host/host_kernel.h"

namespace {

DriverLink driver;
int failures = 0;

void Expect(bool ok, const char* what) {
  std::printf("  %s %s\n", ok ? "ok  " : "FAIL", what);
  if (!ok) ++failures;
}

int32_t Stored32(int at) {
  return static_cast<int32_t>(ReadU32(hostLog.storedRecord.data(), at));
}
int32_t Stored16(int at) {
  return static_cast<int16_t>(ReadU16(hostLog.storedRecord.data(), at));
}

size_t boxesBefore = 0, problemsBefore = 0, dialogsBefore = 0;

// Graphics request 46 with the host's record fetched first, as at the start
// of a drawing; the record it leads to is saved.
void Configure(const char* name, const char* script) {
  std::printf("%s\n", name);
  StoreDefaultRecord(false);
  RunDrawingStart(driver);
  boxesBefore = DialogBotMessageBoxes().size();
  problemsBefore = DialogBotProblems().size();
  dialogsBefore = DialogBotDialogs().size();
  DialogBotSetScript(script);
  Packet p = MakePacket(kGraphicsConfigure);
  DialogBotArm(60, "graphics request 46");
  Graphics(driver, p);
  DialogBotDisarm();
}

std::vector<BotMessageBox> NewBoxes() {
  const auto all = DialogBotMessageBoxes();
  return {all.begin() + static_cast<long>(boxesBefore), all.end()};
}
std::vector<std::string> NewProblems() {
  const auto all = DialogBotProblems();
  return {all.begin() + static_cast<long>(problemsBefore), all.end()};
}
std::vector<std::string> NewDialogs() {
  const auto all = DialogBotDialogs();
  return {all.begin() + static_cast<long>(dialogsBefore), all.end()};
}

void CopiesAndPaperReachTheSavedRecord() {
  Configure("copies and paper size reach the saved record",
            "dialog DRIVERCFG2_POR\ntype 114 7\nselect 105 34\nclick IDOK\n");
  Expect(NewDialogs() == std::vector<std::string>{"DRIVERCFG2_POR"}, "the main dialog opened once");
  Expect(Stored32(kRecord.copies) == 7, "copies 7");
  Expect(Stored32(kRecord.paperSize) == 35, "paper size 35");
  Expect(Stored32(kRecord.customLength) == 1189, "the A0 custom size starts at 1189 mm");
  Expect(NewBoxes().empty() && NewProblems().empty(), "no message box, nothing refused");
}

void InvalidCopiesAreToldAndKept() {
  Configure("copies 0 is refused with its message",
            "dialog DRIVERCFG2_POR\ntype 114 0\nclick IDOK\n");
  const auto boxes = NewBoxes();
  Expect(boxes.size() == 1, "one message box");
  Expect(!boxes.empty() && boxes[0].caption == "N\xFAmero de c\xF3pias", "its caption");
  Expect(!boxes.empty() &&
             boxes[0].text == "O n\xFAmero de c\xF3pias deve ser definido no intervalo de 1 a 99.",
         "its text");
  Expect(Stored32(kRecord.copies) == 1, "copies stay 1");
}

void CancelKeepsTheRecord() {
  Configure("Cancel keeps the record", "dialog DRIVERCFG2_POR\ntype 114 9\nclick IDCANCEL\n");
  Expect(Stored32(kRecord.copies) == 1, "copies stay 1");
}

void BypassProgramDisablesMarginsAndBins() {
  Configure("the hand-fed program disables margins and bins",
            "dialog DRIVERCFG2_POR\nclick 1076\nclick IDOK\n"
            "dialog OPTIONCFG2_POR\nselect 1096 0\nselect 1094 1\nselect 1096 1\n"
            "select 1094 1\nselect 1095 3\nclick IDOK\n");
  const auto problems = NewProblems();
  Expect(problems.size() == 1 && problems[0].find("1094 is disabled") != std::string::npos,
         "the margins list refuses a choice under the hand-fed program");
  Expect(Stored16(kRecord.finishProgram) == 1 && Stored16(kRecord.finishMargins) == 1 &&
             Stored16(kRecord.finishBin) == 3,
         "program 1, margins 1, bin 3 saved");
}

void OptionsCancelLeavesTheWorkingCopy() {
  Configure("Cancel in the options keeps them",
            "dialog DRIVERCFG2_POR\nclick 1076\nclick IDOK\n"
            "dialog OPTIONCFG2_POR\nselect 1096 5\nclick IDCANCEL\n");
  Expect(Stored16(kRecord.finishProgram) == 0, "program stays 0");
}

void AboutBoxIgnoresEsc() {
  Configure("the about box ignores Esc",
            "dialog DRIVERCFG2_POR\nclick 1038\nclick IDOK\ndialog DRV_VER_POR\nesc\nclick IDOK\n");
  Expect(NewProblems().empty(), "the box was still open after Esc");
  Expect(NewDialogs() == std::vector<std::string>{"DRIVERCFG2_POR", "DRV_VER_POR"},
         "the about box opened over the main dialog");
}

void DragChangesOneToneLevel() {
  // The graph is 149 x 138 pixels; handle 2 (level 187) stands at (74, 37).
  Configure("a drag in the brightness graph changes the saved level",
            "dialog DRIVERCFG2_POR\nclick 3030\nclick IDOK\n"
            "dialog IDD_COLOR_POR\ndrag 3009 74 37 74 20\nclick 3031\n");
  const uint8_t* tone = hostLog.storedRecord.data() + kRecord.toneLevels;
  Expect(tone[0] == 0 && tone[1] == 123 && tone[3] == 228 && tone[4] == 255,
         "the other levels keep their values");
  Expect(tone[2] == 218, "handle 2 dragged to row 20 gives level 218");
}

void PlotCarriesTheDialogSettings() {
  Configure("a plot carries the label and copies chosen in the dialog",
            "dialog DRIVERCFG2_POR\ntype 114 3\ntype 1041 PLANTA-1\nclick IDOK\n");
  hostLog.output.clear();
  BeginPlot(driver);
  MoveTo(driver, 100, 100);
  DrawTo(driver, 2000, 900);
  EndPlot(driver);
  Expect(hostLog.output.find("BP1,\"PLANTA-1\",2,3;") != std::string::npos,
         "the job header names the plot and asks for 3 copies");
}

void DetailDialogOpensBeforeAPlot() {
  std::printf("the detail dialog opens through the plot set-up\n");
  StoreDefaultRecord(false);
  dialogsBefore = DialogBotDialogs().size();
  DialogBotSetScript("dialog DETAILCFG2_POR\ntype 114 5\nclick IDOK\n");
  Packet setup = MakePacket(kControlPlotSetUp);
  DialogBotArm(60, "control request 21");
  Control(driver, setup);
  DialogBotDisarm();
  Packet save = MakePacket(kControlSaveConfig);
  Control(driver, save);
  Expect(NewDialogs() == std::vector<std::string>{"DETAILCFG2_POR"}, "the detail dialog opened");
  Expect(Stored32(kRecord.copies) == 5, "copies 5 saved by the save request");
}

int PlayScript(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (f == nullptr) {
    std::fprintf(stderr, "dialog_check: %s: cannot be read\n", path);
    return 2;
  }
  std::string script;
  char chunk[4096];
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) script.append(chunk, n);
  std::fclose(f);
  DialogBotSetScript(script);
  StoreDefaultRecord(false);
  RunDrawingStart(driver);
  Packet configure = MakePacket(kGraphicsConfigure);
  DialogBotArm(120, "graphics request 46");
  Graphics(driver, configure);
  Packet setup = MakePacket(kControlPlotSetUp);
  Control(driver, setup);
  DialogBotDisarm();
  return DialogBotProblems().empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* library = argc > 1 ? argv[1] : "trnkv_p.dll";
  DialogBotStart("");
  HMODULE module = LoadLibraryA(library);
  auto pladi =
      module ? reinterpret_cast<PladiFn>(reinterpret_cast<void*>(GetProcAddress(module, "PLADI")))
             : nullptr;
  if (pladi == nullptr) {
    std::fprintf(stderr, "dialog_check: %s: cannot load PLADI\n", library);
    return 2;
  }
  driver = ConnectDriver(pladi);
  if (argc > 3 && std::string(argv[2]) == "--script") return PlayScript(argv[3]);
  DialogBotArm(60, "the host's handshake");
  RunHandshake(driver);
  DialogBotDisarm();

  CopiesAndPaperReachTheSavedRecord();
  InvalidCopiesAreToldAndKept();
  CancelKeepsTheRecord();
  BypassProgramDisablesMarginsAndBins();
  OptionsCancelLeavesTheWorkingCopy();
  AboutBoxIgnoresEsc();
  DragChangesOneToneLevel();
  PlotCarriesTheDialogSettings();
  DetailDialogOpensBeforeAPlot();
  std::printf("%s\n", failures == 0 ? "all dialog checks hold" : "some dialog checks failed");
  return failures == 0 ? 0 : 1;
}
