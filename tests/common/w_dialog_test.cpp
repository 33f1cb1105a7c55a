#include "w_dialog.h"

#include <gtest/gtest.h>

namespace qorva {
namespace {

TEST(MessageHelper, CarriageReturnsBecomeLines) {
  EXPECT_EQ(MessageAsLines("Error in line 3.\r\rEmpty.\r\rCannot load file."),
            "Error in line 3.\n\nEmpty.\n\nCannot load file.");
  EXPECT_EQ(MessageAsLines("a\r\nb\nc"), "a\nb\nc");
}

TEST(MessageHelper, RecordingHelperRecordsAndAnswersInOrder) {
  RecordingMessageHelper rec;
  rec.AnswerNext(true);
  ShowWarning("w");
  info("i");
  EXPECT_TRUE(AskYesNo("q1"));
  EXPECT_FALSE(AskYesNo("q2"));  // no answer queued: No
  ASSERT_EQ(rec.entries().size(), 4u);
  EXPECT_EQ(rec.entries()[0].kind, MessageKind::Warning);
  EXPECT_EQ(rec.entries()[1].kind, MessageKind::Information);
  EXPECT_TRUE(rec.entries()[2].question);
  EXPECT_EQ(rec.texts(), (std::vector<std::string>{"w", "i", "q1", "q2"}));
}

TEST(MessageHelper, RecordingHelperRestoresThePreviousOne) {
  RecordingMessageHelper outer;
  {
    RecordingMessageHelper inner;
    ShowMessage("inner");
  }
  ShowMessage("outer");
  EXPECT_EQ(outer.texts(), std::vector<std::string>{"outer"});
}

}  // namespace
}  // namespace qorva
