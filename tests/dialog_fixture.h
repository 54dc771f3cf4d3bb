#pragma once
// Runs the configuration dialogs over the Linux stand-in with a script of user
// actions, from a fresh driver and the default record.
#include <gtest/gtest.h>

#include <string>

#include "config/dialogs.h"
#include "platform/linux_user.h"
#include "platform/module.h"
#include "tests/driver_fixture.h"

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetDriver();
    // Any module will do: the stand-in's templates are built in.
    moduleHandle = reinterpret_cast<HMODULE>(&moduleHandle);
    PlatformSetDialogScript("");
  }

  int32_t Main(const std::string& script) {
    PlatformSetDialogScript(script);
    return MainConfigDialog();
  }
  int32_t Detail(const std::string& script) {
    PlatformSetDialogScript(script);
    return DetailConfigDialog();
  }
  // The dialog as it was when it closed.
  static const DialogSnapshot& Closed(const char* name) {
    const DialogSnapshot* s = PlatformClosedDialog(name);
    if (s == nullptr) throw std::runtime_error(std::string(name) + " never opened");
    return *s;
  }
  static const ControlSnapshot& Control(const char* name, int32_t id) {
    const ControlSnapshot* c = Closed(name).Control(id);
    if (c == nullptr) throw std::runtime_error("no control " + std::to_string(id));
    return *c;
  }
  static std::vector<std::string> Boxes() {
    std::vector<std::string> all;
    for (const RecordedMessageBox& b : PlatformMessageBoxes())
      all.push_back(b.caption + ": " + b.text);
    return all;
  }
};
