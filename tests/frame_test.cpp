// The frame towards the host: messages, the service table and the module lookup.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver_fixture.h"
#include "platform/module.h"

namespace {

TEST(Frame, MessagesPrintEmptyUntilLoaded) {
  ResetDriver();
  std::memset(MessageTable, 0, sizeof MessageTable);
  ReportMessage(kMsgSaveFailed);
  LoadMessages();
  ReportMessage(kMsgSaveFailed);
  ReportMessage(kMsgWrongVersion);
  ASSERT_EQ(hostLog.lines.size(), 3u);
  EXPECT_EQ(hostLog.lines[0], "\n\n");
  EXPECT_EQ(hostLog.lines[1],
            "\nFalha em salvar as informa\xe7\xf5"
            "es de configura\xe7\xe3o. \n");
  EXPECT_EQ(hostLog.lines[2], "\nVers\xe3o inv\xe1lida de Auto CAD. Use R14 ou posterior.\n");
}

TEST(Frame, MessageLineIsBounded) {
  ResetDriver();
  const std::string huge(5000, 'x');
  HostPrintMessage("%s%s", huge.c_str(), huge.c_str());
  ASSERT_EQ(hostLog.lines.size(), 1u);
  EXPECT_EQ(hostLog.lines[0].size(), 1023u);
}

TEST(Frame, PladiReplacesTheServiceTable) {
  ResetDriver();
  static WireAddress silentTable[kServiceTableSlots] = {};
  const WireAddress first = PLADI(AddressOf(silentTable), 0);
  HostPrintMessage("lost");
  EXPECT_TRUE(hostLog.lines.empty());
  EXPECT_EQ(PLADI(HostTableAddress(), 0), first);
  HostPrintMessage("seen");
  EXPECT_EQ(hostLog.lines.size(), 1u);
}

// The dialogs load from the driver's own file, found by its name: a copy of the
// library under another name finds none.
TEST(Frame, OwnModuleIsFoundByFileName) {
  EXPECT_EQ(FindOwnModule(), nullptr) << "the test program is not the driver";

  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "trnkv_module_test";
  std::filesystem::create_directories(dir);
  const auto renamed = dir / "other_driver.so";
  std::filesystem::copy_file(TRNKV_LIBRARY, renamed,
                             std::filesystem::copy_options::overwrite_existing);
  void* other = dlopen(renamed.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(FindOwnModule(), nullptr);

  void* real = dlopen(TRNKV_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(real, nullptr);
  EXPECT_NE(FindOwnModule(), nullptr);
  dlclose(real);
  dlclose(other);
  std::filesystem::remove_all(dir);
  moduleHandle = nullptr;
}

}  // namespace
