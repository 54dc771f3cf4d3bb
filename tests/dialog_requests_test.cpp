// The dialogs opened by the host's requests, with the library loaded under
// its own name as the host loads it, and a plot set up through them.
#include <dlfcn.h>

#include "tests/dialog_fixture.h"

namespace {

class DialogRequestTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    library = dlopen(TRNKV_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    ConfigRecord stored{};
    SetConfigDefaults(stored, 0);
    uint8_t bytes[40];
    std::memcpy(bytes, &stored, sizeof bytes);
    StoreRecord(bytes);
    driver = ConnectDriver(&PLADI);
  }
  void TearDown() override {
    dlclose(library);
    DialogTest::TearDown();
  }
  void* library = nullptr;
  DriverLink driver;
};

TEST_F(DialogRequestTest, ConfigureRequestSavesWhatTheMainDialogSetAndThePlotUsesIt) {
  RunDrawingStart(driver);
  PlatformSetDialogScript(
      "dialog DRIVERCFG2_POR\ntype 114 3\nselect 105 12\ntype 1041 PLANTA-1\nclick 1018\n"
      "click IDOK\n");
  Packet configure = MakePacket(kGraphicsConfigure);
  Graphics(driver, configure);
  EXPECT_EQ(hostLog.saveCalls, 1);
  ConfigRecord saved;
  std::memcpy(&saved, hostLog.storedRecord.data(), sizeof saved);
  EXPECT_EQ(saved.copies, 3);
  EXPECT_EQ(saved.paperSize, 13);
  EXPECT_EQ(saved.plotFlags & kPlotHalftoneFill, 0);

  hostLog.output.clear();
  BeginPlot(driver);
  MoveTo(driver, 100, 100);
  DrawTo(driver, 3000, 2000);
  EndPlot(driver);
  EXPECT_NE(hostLog.output.find("BP1,\"PLANTA-1\",2,3;"), std::string::npos);
}

TEST_F(DialogRequestTest, PlotSetUpOpensTheDetailDialogWithoutSaving) {
  PlatformSetDialogScript("dialog DETAILCFG2_POR\ntype 114 5\nclick IDOK\n");
  RunHandshake(driver);
  ASSERT_NE(PlatformClosedDialog("DETAILCFG2_POR"), nullptr);
  EXPECT_EQ(configRecord.copies, 5);
  EXPECT_EQ(hostLog.saveCalls, 0) << "stored only when the host asks";
  Packet save = MakePacket(kControlSaveConfig);
  ::Control(driver, save);
  EXPECT_EQ(hostLog.storedRecord[0], 5);
}

}  // namespace
