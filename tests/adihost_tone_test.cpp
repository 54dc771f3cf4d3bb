// adihost's tone options played on the driver's own brightness dialog (over
// the Linux stand-in): the drags it plans must land every level that leaves
// the handles room, and the arrow presses meet the dialog's guards.
#include <array>
#include <cstring>
#include <random>
#include <tuple>

#include "config/brightness.h"
#include "tests/dialog_fixture.h"
#include "tools/host/settings.h"

namespace {

std::array<uint8_t, 40> RecordBytes() {
  std::array<uint8_t, 40> bytes{};
  std::memcpy(bytes.data(), &configRecord, 40);
  return bytes;
}

std::array<int32_t, 5> Levels() {
  return {configRecord.toneLevels[0], configRecord.toneLevels[1], configRecord.toneLevels[2],
          configRecord.toneLevels[3], configRecord.toneLevels[4]};
}

Settings Parsed(const std::vector<std::pair<std::string, std::string>>& options) {
  Settings s;
  std::string error;
  for (const auto& [option, value] : options)
    EXPECT_EQ(ParseSetting(option, value, s, error), 1) << option << " " << value << ": " << error;
  return s;
}

// Levels at least ten apart leave the handles their four rows: each must land
// on the graph's nearest row, within one level, whatever the order in which
// the handles have to move past each other.
TEST_F(DialogTest, ToneLevelsAreDraggedToTheNearestRowOfTheGraph) {
  std::mt19937 random(9);
  for (int32_t run = 0; run < 150; ++run) {
    std::array<int32_t, 5> asked;
    asked[0] = static_cast<int32_t>(random() % 60);
    for (int32_t k = 1; k < 5; ++k) {
      const int32_t room = 255 - asked[k - 1] - 10 * (5 - k);
      asked[k] = asked[k - 1] + 10 + static_cast<int32_t>(random() % (room / (5 - k) + 1));
    }
    if (run == 0) asked = {0, 10, 20, 30, 40};        // all at the bottom
    if (run == 1) asked = {215, 225, 235, 245, 255};  // all at the top
    std::string value;
    for (int32_t k = 0; k < 5; ++k) value += (k ? "," : "") + std::to_string(asked[k]);
    const Settings s = Parsed({{"--tone", value}});
    const std::array<uint8_t, 40> before = RecordBytes();
    ASSERT_EQ(Main(DialogScriptFor(s)), kDialogOk) << value;
    const std::array<int32_t, 5> reached = Levels();
    for (int32_t k = 0; k < 5; ++k) EXPECT_LE(std::abs(reached[k] - asked[k]), 1) << value;
    EXPECT_TRUE(SettingsNotApplied(s, before, RecordBytes()).empty()) << value;
  }
  // The graph the drags were planned on is the one the dialog painted.
  EXPECT_EQ(HandlePixels[4].x, kToneGraphWidth);
  ASSERT_EQ(Main(DialogScriptFor(Parsed({{"--tone", "0,40,90,200,255"}}))), kDialogOk);
  EXPECT_EQ(HandlePixels[0].y, kToneGraphHeight);
  EXPECT_EQ(HandlePixels[4].y, 0);
}

// Levels closer than the handles' gap cannot all be had: the dialog keeps
// them apart and in order, and adihost names what it got.
TEST_F(DialogTest, ToneLevelsTooCloseAreReportedWithWhatTheGraphAllowed) {
  const Settings s = Parsed({{"--tone", "0,100,102,104,255"}});
  const std::array<uint8_t, 40> before = RecordBytes();
  ASSERT_EQ(Main(DialogScriptFor(s)), kDialogOk);
  const std::array<int32_t, 5> reached = Levels();
  for (int32_t k = 1; k < 5; ++k) EXPECT_GT(reached[k], reached[k - 1]);
  const auto missing = SettingsNotApplied(s, before, RecordBytes());
  ASSERT_EQ(missing.size(), 1u);
  char levels[64];
  std::snprintf(levels, sizeof levels, "the levels are %d,%d,%d,%d,%d", reached[0], reached[1],
                reached[2], reached[3], reached[4]);
  EXPECT_NE(missing[0].find(levels), std::string::npos) << missing[0];
}

// The arrows are pressed in the order given, each press as the dialog takes
// it: refused when it would pass the curve's limits, and then reported.
TEST_F(DialogTest, ArrowPressesMeetTheDialogsGuardsInTheOrderGiven) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> options;
    std::array<int32_t, 5> levels;
    bool refused;
  };
  const Case cases[] = {
      // From the default curve the whole curve cannot move: it spans 0..255.
      {{{"--brightness", "3"}}, {0, 123, 187, 228, 255}, true},
      {{{"--brightness", "-3"}}, {0, 123, 187, 228, 255}, true},
      // Narrowed first, it has room to move up.
      {{{"--contrast", "-3"}, {"--brightness", "2"}}, {8, 128, 189, 227, 251}, false},
      {{{"--brightness", "2"}, {"--contrast", "-3"}}, {6, 126, 187, 225, 249}, true},
      // The middle lifts until handle 3 would pass 255: six presses of ten.
      {{{"--midtones", "10"}}, {0, 147, 217, 252, 255}, true},
      {{{"--midtones", "-2"}}, {0, 115, 177, 220, 255}, false},
      // Narrowing stops before the last level would drop below the one before.
      {{{"--contrast", "-200"}}, {54, 150, 187, 201, 201}, true},
  };
  for (const Case& c : cases) {
    // Each from the default curve, whatever the case before left.
    Settings s = Parsed(c.options);
    s.toneDefault = true;
    const std::array<uint8_t, 40> before = RecordBytes();
    ASSERT_EQ(Main(DialogScriptFor(s)), kDialogOk);
    EXPECT_EQ(Levels(), c.levels) << c.options[0].first;
    EXPECT_EQ(SettingsNotApplied(s, before, RecordBytes()).size(), c.refused ? 1u : 0u)
        << c.options[0].first;
  }
}

TEST(AdihostToneOptions, BadValuesAreRefusedBeforeAnyDialog) {
  Settings s;
  std::string error;
  for (const auto& [option, value, message] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"--tone", "0,64,128,192", "--tone takes five levels from 0 to 255 separated by commas"},
           {"--tone", "0,64,128,192,256", "--tone takes five levels"},
           {"--tone", "0,64,,192,255", "--tone takes five levels"},
           {"--tone", "0,64,128,192,255,7", "--tone takes five levels"},
           {"--tone", "0,128,64,192,255", "the levels must rise"},
           {"--brightness", "1.5", "--brightness takes a number of arrow presses"},
           {"--contrast", "256", "from -255 to 255"}}) {
    EXPECT_EQ(ParseSetting(option, value, s, error), -1) << value;
    EXPECT_NE(error.find(message), std::string::npos) << error;
  }
  EXPECT_FALSE(s.AnyTone());
}

}  // namespace
