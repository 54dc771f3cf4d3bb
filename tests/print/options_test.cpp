// The job's options as the queues name them, becoming the settings typed
// into the driver's dialogs.
#include <gtest/gtest.h>

#include "tools/print/print_options.h"

namespace {

TEST(JobOptions, EveryOptionOfTheQueuesReachesTheDialogSettings) {
  PrintSettings s;
  std::string error;
  ASSERT_EQ(ApplyJobOptions({{"kalvo-language", "qdrs-mmr"},
                             {"kalvo-label", "PLAN7"},
                             {"kalvo-finisher-program", "program-12"},
                             {"kalvo-tone", "lighter"},
                             {"media-type", "vellum"},
                             {"media-source", "manual"},
                             {"copies", "3"},
                             {"job-name", "ignored"}},
                            s, error),
            0)
      << error;
  EXPECT_TRUE(s.qdrs);
  EXPECT_EQ(s.dialog.label, "PLAN7");
  EXPECT_EQ(s.dialog.program, 12);
  EXPECT_EQ(s.dialog.tone, (std::array<int32_t, 5>{0, 150, 205, 238, 255}));
  EXPECT_EQ(s.dialog.media, 3);
  EXPECT_FALSE(s.roll);
  EXPECT_EQ(s.dialog.copies, 3);
  // The dialog's default curve, and five levels of the job's own.
  ASSERT_EQ(ApplyJobOptions({{"kalvo-tone", "default"}}, s, error), 0);
  EXPECT_TRUE(s.dialog.toneDefault);
  ASSERT_EQ(ApplyJobOptions({{"kalvo-tone", "0,90,170,230,255"}}, s, error), 0);
  EXPECT_EQ(s.dialog.tone[2], 170);
}

TEST(JobOptions, ValuesNoQueueOffersAreRefusedWithTheirName) {
  for (const auto& [name, value] :
       std::vector<std::pair<std::string, std::string>>{{"kalvo-language", "pcl"},
                                                        {"kalvo-finisher-program", "program-x"},
                                                        {"kalvo-finisher-program", "program-0"},
                                                        {"kalvo-tone", "0,200,100,230,255"},
                                                        {"kalvo-tone", "brighter"},
                                                        {"media-type", "glossy"},
                                                        {"media-source", "tray-3"},
                                                        {"copies", "two"}}) {
    PrintSettings s;
    std::string error;
    EXPECT_EQ(ApplyJobOptions({{name, value}}, s, error), -1) << name << "=" << value;
    EXPECT_NE(error.find(value), std::string::npos) << error;
  }
}

}  // namespace
